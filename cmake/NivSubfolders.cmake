# niv_add_subfolders([BINARY_SUFFIX SUFFIX]): adds every subfolder of the current folder that has
# a CMakeLists.txt, each a part of its own. With BINARY_SUFFIX the part builds in <name><SUFFIX>,
# so that outputs named like the folder can sit beside it.
function(niv_add_subfolders)
  cmake_parse_arguments(S "" "BINARY_SUFFIX" "" ${ARGN})
  file(GLOB parts LIST_DIRECTORIES true "${CMAKE_CURRENT_SOURCE_DIR}/*")
  foreach(dir IN LISTS parts)
    if(IS_DIRECTORY "${dir}" AND EXISTS "${dir}/CMakeLists.txt")
      get_filename_component(name "${dir}" NAME)
      add_subdirectory("${dir}" "${CMAKE_CURRENT_BINARY_DIR}/${name}${S_BINARY_SUFFIX}")
    endif()
  endforeach()
endfunction()
