# cmake -DSOURCE=FILE -DTARGET=FILE -P copy-program.cmake: copies a program of the build into the
# demo distribution; an empty SOURCE (the program is not part of this build) copies nothing.
if(SOURCE)
  file(COPY_FILE "${SOURCE}" "${TARGET}" ONLY_IF_DIFFERENT)
endif()
