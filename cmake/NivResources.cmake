# niv_add_resource(TARGET TYPE NAME FILE)
# Compiles FILE into TARGET as the resource NAME of type TYPE, found at run time with
# plat::FindResourceData(TYPE, NAME). Add resources to executables (or object libraries linked
# whole): the registration is a static object.
set(NIV_EMBED_SCRIPT "${CMAKE_CURRENT_LIST_DIR}/EmbedResource.cmake")

function(niv_add_resource target type name file)
  get_filename_component(abs "${file}" ABSOLUTE)
  string(MAKE_C_IDENTIFIER "${target}_${type}_${name}" ident)
  set(out "${CMAKE_CURRENT_BINARY_DIR}/resources/${ident}.cpp")
  add_custom_command(
    OUTPUT "${out}"
    COMMAND ${CMAKE_COMMAND} -DIN=${abs} -DOUT=${out} -DTYPE=${type} -DNAME=${name}
            -DIDENT=${ident} -P "${NIV_EMBED_SCRIPT}"
    DEPENDS "${abs}" "${NIV_EMBED_SCRIPT}"
    COMMENT "Embedding resource ${type}/${name}"
    VERBATIM)
  target_sources(${target} PRIVATE "${out}")
endfunction()
