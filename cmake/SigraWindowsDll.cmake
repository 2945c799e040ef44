# The driver as a 32-bit Windows DLL that point-of-sale programs load:
# statically linked, so that it needs nothing but system DLLs; exporting the
# functions the public headers declare, standard call, under undecorated
# names; with an import library that C and C++ programs link against.
#
# sigra_windows_dll(<dll target> <static library with the same exports>)
# The static library is where the decorated names (Name@N) are read from.
function(sigra_windows_dll target archive)
  set(headers ${PROJECT_SOURCE_DIR}/include/sigra/sigradrv.h
              ${PROJECT_SOURCE_DIR}/include/sigra/sigradrv.hpp)
  set(script ${PROJECT_SOURCE_DIR}/cmake/sigradrv_def.cmake)
  set(def ${CMAKE_CURRENT_BINARY_DIR}/${target}.def)
  string(REPLACE ";" "$<SEMICOLON>" header_arg "${headers}")
  add_custom_command(
    OUTPUT ${def}
    COMMAND ${CMAKE_COMMAND} -DNM=${CMAKE_NM} -DARCHIVE=$<TARGET_FILE:${archive}>
            -DHEADERS=${header_arg} -DDLL=${target}.dll -DOUTPUT=${def} -P ${script}
    DEPENDS ${archive} ${headers} ${script} ${PROJECT_SOURCE_DIR}/cmake/SigraExports.cmake
    COMMENT "Listing the exports of ${target}.dll"
    VERBATIM)
  target_sources(${target} PRIVATE ${def})
  set_target_properties(${target} PROPERTIES PREFIX "" IMPORT_PREFIX "lib")
  target_link_options(${target} PRIVATE -static -Wl,--kill-at)
  # The linker's own import library names the undecorated symbols, which
  # callers compiled against the headers (Name@N) cannot resolve; dlltool -k
  # makes one that maps the decorated names onto the undecorated exports.
  add_custom_command(
    TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_DLLTOOL} -k -d ${def} -D $<TARGET_FILE_NAME:${target}>
            -l $<TARGET_LINKER_FILE:${target}>
    VERBATIM)
endfunction()
