# Windows resources from the project's one version: the version information
# Explorer shows (product, maker, a Polish description), and for the operator
# program its icon, drawn from the same picture as the Linux menu entry, and
# its application manifest.
#
# sigra_windows_resources(<target> DESCRIPTION <text> [APPLICATION])
include_guard(GLOBAL)

function(sigra_windows_resources target)
  # The maker as the package's copyright file names it; read here, in the
  # caller's scope, since the module is included once for the whole tree.
  file(STRINGS ${PROJECT_SOURCE_DIR}/packaging/copyright SIGRA_RC_COPYRIGHT
       REGEX "^Copyright: " LIMIT_COUNT 1)
  string(REGEX REPLACE "^Copyright: *" "" SIGRA_RC_COPYRIGHT "${SIGRA_RC_COPYRIGHT}")
  string(REGEX REPLACE "^[0-9-]+ +" "" SIGRA_RC_COMPANY "${SIGRA_RC_COPYRIGHT}")
  cmake_parse_arguments(PARSE_ARGV 1 arg "APPLICATION" "DESCRIPTION" "")
  set(SIGRA_RC_NAME ${target})
  set(SIGRA_RC_DESCRIPTION "${arg_DESCRIPTION}")
  set(SIGRA_RC_VERSION_COMMAS
      "${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},${PROJECT_VERSION_PATCH},0")
  set(SIGRA_RC_VERSION_DOTS
      "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0")
  set(SIGRA_RC_EXTRA "")
  set(depends "")
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "SHARED_LIBRARY")
    set(SIGRA_RC_FILE ${target}.dll)
    set(SIGRA_RC_FILETYPE VFT_DLL)
  else()
    set(SIGRA_RC_FILE ${target}.exe)
    set(SIGRA_RC_FILETYPE VFT_APP)
  endif()
  if(arg_APPLICATION)
    set(dir ${CMAKE_CURRENT_BINARY_DIR})
    set(svg ${PROJECT_SOURCE_DIR}/packaging/sigrasw.svg)
    find_program(SIGRA_RSVG_CONVERT rsvg-convert REQUIRED)
    find_program(SIGRA_IMAGEMAGICK convert REQUIRED)
    # The sizes Explorer, the taskbar and the Start menu ask for; 256 is kept
    # as PNG inside the icon file, the small ones as bitmaps.
    set(sizes 16 24 32 48 64 256)
    set(pngs "")
    set(commands "")
    foreach(size IN LISTS sizes)
      list(APPEND pngs ${dir}/icon-${size}.png)
      list(APPEND commands COMMAND ${SIGRA_RSVG_CONVERT} -w ${size} -h ${size} -o
                                   ${dir}/icon-${size}.png ${svg})
    endforeach()
    add_custom_command(OUTPUT ${dir}/${target}.ico ${commands}
                       COMMAND ${SIGRA_IMAGEMAGICK} ${pngs} ${dir}/${target}.ico
                       DEPENDS ${svg} COMMENT "Drawing ${target}.ico" VERBATIM)
    add_custom_target(${target}_icon DEPENDS ${dir}/${target}.ico)
    add_dependencies(${target} ${target}_icon)
    configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/${target}.manifest
                   ${dir}/${target}.manifest @ONLY)
    # IDI_ICON1 is also the icon Qt gives the program's windows.
    set(SIGRA_RC_EXTRA "IDI_ICON1 ICON \"${dir}/${target}.ico\"\n1 24 \"${dir}/${target}.manifest\"")
    set(depends ${dir}/${target}.ico ${dir}/${target}.manifest)
  endif()
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/version.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
  set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS "${depends}")
endfunction()
