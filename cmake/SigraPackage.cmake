# The Debian packages, made by tools/package-deb.sh with CPack's DEB
# generator. Each install component is one package:
#   lib      libsigradrv<soversion>  the driver
#   dev      libsigradrv-dev         headers, pkg-config file, CMake package
#   tools    sigra-tools             sigractl, sigra-emu
#   app      sigrasw                 the operator program, in the desktop's menu
#   service  sigrad                  the service with its systemd unit
#   python   python3-sigra           the Python module, for the system's Python
# SIGRA_DEB lays the install out as the packages want it: the unit, the
# service's defaults, the Python module, manual pages and each package's
# copyright and changelog.
option(SIGRA_DEB "Install what the Debian packages hold besides the programs" OFF)

# The operator program's menu entry and icon, in any install.
if(TARGET sigrasw)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/sigrasw.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT app)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/sigrasw.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT app)
endif()

# The Polish user guide (docs/pl) as HTML pages with its pictures, rendered at
# build time by tools/render-guide.sh where cmark-gfm is found, and installed
# with the operator program in its documentation folder. The Debian packages
# need it.
if(TARGET sigrasw)
  if(SIGRA_DEB)
    find_program(SIGRA_CMARK_GFM cmark-gfm REQUIRED)
  else()
    find_program(SIGRA_CMARK_GFM cmark-gfm)
  endif()
  if(SIGRA_CMARK_GFM)
    file(GLOB sigra_guide_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/docs/pl/*.md
         ${PROJECT_SOURCE_DIR}/docs/pl/img/*.png)
    set(sigra_guide_dir ${CMAKE_BINARY_DIR}/przewodnik)
    add_custom_command(OUTPUT ${sigra_guide_dir}/index.html
                       COMMAND ${CMAKE_COMMAND} -E env CMARK_GFM=${SIGRA_CMARK_GFM}
                               ${PROJECT_SOURCE_DIR}/tools/render-guide.sh ${sigra_guide_dir}
                       DEPENDS ${sigra_guide_sources} ${PROJECT_SOURCE_DIR}/tools/render-guide.sh
                       COMMENT "The user guide in HTML" VERBATIM)
    add_custom_target(sigra_guide ALL DEPENDS ${sigra_guide_dir}/index.html)
    # Optional but in the packages: an install after a build of some targets
    # only goes on without it.
    if(SIGRA_DEB)
      set(sigra_guide_optional)
    else()
      set(sigra_guide_optional OPTIONAL)
    endif()
    install(DIRECTORY ${sigra_guide_dir}/
            DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/sigrasw/przewodnik COMPONENT app
            ${sigra_guide_optional})
  else()
    message(STATUS "cmark-gfm not found: the user guide is not rendered nor installed")
  endif()
endif()

if(NOT SIGRA_DEB)
  return()
endif()

get_target_property(sigra_soversion sigradrv SOVERSION)
# The packages' version is the newest entry's of packaging/changelog, one
# entry a release: UPSTREAM-REVISION, UPSTREAM being the project's version.
# A new project version needs its entry there first.
set(sigra_changelog ${PROJECT_SOURCE_DIR}/packaging/changelog)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${sigra_changelog})
file(STRINGS ${sigra_changelog} sigra_changelog_top LIMIT_COUNT 1)
if(NOT sigra_changelog_top MATCHES "^sigra \\(([^()]+)-([0-9][^()-]*)\\) ")
  message(FATAL_ERROR "packaging/changelog does not begin with an entry \"sigra (VERSION-REVISION) ...\"")
endif()
set(sigra_deb_upstream ${CMAKE_MATCH_1})
set(sigra_deb_release ${CMAKE_MATCH_2})
if(NOT sigra_deb_upstream STREQUAL PROJECT_VERSION)
  message(FATAL_ERROR "packaging/changelog's newest entry is for ${sigra_deb_upstream}, the project "
                      "is ${PROJECT_VERSION}: add an entry for ${PROJECT_VERSION}-1 at its top")
endif()
set(SIGRA_DEB_VERSION ${PROJECT_VERSION}-${sigra_deb_release})
set(SIGRA_DEB_MAINTAINER "Sigra maintainers <maintainers@users.noreply.c-seed-76e407c2.example>")

# component and package
set(sigra_packages lib libsigradrv${sigra_soversion} dev libsigradrv-dev tools sigra-tools
                   app sigrasw python python3-sigra)
if(TARGET sigrad)
  list(APPEND sigra_packages service sigrad)
endif()

# Manual pages from each program's --help, with the sections it does not
# give (synopsis, files, environment, see also) from packaging/man/PROGRAM.h2m.
find_program(SIGRA_HELP2MAN help2man REQUIRED)
set(sigra_man_descriptions
    "sigractl=run the Sigra fiscal printer driver from scripts"
    "sigra-emu=emulate a Sigra fiscal printer on a pseudo-terminal"
    "sigrasw=operate Sigra fiscal printers: reports, clock, tax rates, settings"
    "sigrad=serve Sigra fiscal printers over HTTP")
set(sigra_man_dir ${CMAKE_BINARY_DIR}/man)
set(sigra_man_pages)
foreach(entry ${sigra_man_descriptions})
  string(REGEX MATCH "^[^=]+" program "${entry}")
  string(REGEX REPLACE "^[^=]+=" "" description "${entry}")
  if(NOT TARGET ${program})
    continue()
  endif()
  set(page ${sigra_man_dir}/${program}.1.gz)
  set(include ${PROJECT_SOURCE_DIR}/packaging/man/${program}.h2m)
  if(NOT EXISTS ${include})
    set(include)
  endif()
  add_custom_command(OUTPUT ${page}
                     COMMAND ${CMAKE_COMMAND} -E make_directory ${sigra_man_dir}
                     COMMAND ${PROJECT_SOURCE_DIR}/tools/man-page.sh ${page}
                             $<TARGET_FILE:${program}> ${PROJECT_VERSION} "${description}"
                             ${include}
                     DEPENDS ${program} ${PROJECT_SOURCE_DIR}/tools/man-page.sh ${include}
                     COMMENT "Manual page of ${program}" VERBATIM)
  list(APPEND sigra_man_pages ${page})
endforeach()
add_custom_target(sigra_man_pages ALL DEPENDS ${sigra_man_pages})

function(sigra_man_page program component)
  if(TARGET ${program})
    # An empty page is a program without --help: left out.
    install(CODE "
      set(page \"${sigra_man_dir}/${program}.1.gz\")
      file(SIZE \"\${page}\" size)
      if(size GREATER 0)
        file(INSTALL \"\${page}\"
             DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_MANDIR}/man1\")
      endif()" COMPONENT ${component})
  endif()
endfunction()
sigra_man_page(sigractl tools)
sigra_man_page(sigra-emu tools)
sigra_man_page(sigrasw app)
sigra_man_page(sigrad service)

# The service: its unit, its options, and the module for the system's Python.
if(TARGET sigrad)
  install(FILES ${PROJECT_SOURCE_DIR}/sigrad/sigrad.service DESTINATION /lib/systemd/system
          COMPONENT service)
  install(FILES ${PROJECT_SOURCE_DIR}/sigrad/sigrad.default DESTINATION /etc/default
          RENAME sigrad COMPONENT service)
endif()
install(DIRECTORY ${PROJECT_SOURCE_DIR}/python/sigra DESTINATION lib/python3/dist-packages
        COMPONENT python PATTERN __pycache__ EXCLUDE)
# Its metadata, so that importlib.metadata knows the module and its version.
configure_file(${PROJECT_SOURCE_DIR}/packaging/python-METADATA.in
               ${CMAKE_BINARY_DIR}/packaging/python-dist-info/METADATA @ONLY)
file(WRITE ${CMAKE_BINARY_DIR}/packaging/python-dist-info/top_level.txt "sigra\n")
file(WRITE ${CMAKE_BINARY_DIR}/packaging/python-dist-info/INSTALLER "dpkg\n")
install(DIRECTORY ${CMAKE_BINARY_DIR}/packaging/python-dist-info/
        DESTINATION lib/python3/dist-packages/sigra-${PROJECT_VERSION}.dist-info COMPONENT python)

# Each package's copyright and changelog.
set(changelog ${CMAKE_BINARY_DIR}/packaging/changelog.Debian.gz)
add_custom_command(OUTPUT ${changelog}
                   COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging
                   COMMAND gzip -9nc ${sigra_changelog} > ${changelog}
                   DEPENDS ${sigra_changelog})
add_custom_target(sigra_changelog ALL DEPENDS ${changelog})

set(CPACK_COMPONENTS_ALL)
while(sigra_packages)
  list(POP_FRONT sigra_packages component package)
  list(APPEND CPACK_COMPONENTS_ALL ${component})
  string(TOUPPER ${component} c)
  set(CPACK_DEBIAN_${c}_PACKAGE_NAME ${package})
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${changelog}
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${package} COMPONENT ${component})
  set(scripts)
  foreach(script postinst prerm postrm conffiles triggers)
    if(EXISTS ${PROJECT_SOURCE_DIR}/packaging/${package}/${script})
      list(APPEND scripts ${PROJECT_SOURCE_DIR}/packaging/${package}/${script})
    endif()
  endforeach()
  set(CPACK_DEBIAN_${c}_PACKAGE_CONTROL_EXTRA ${scripts})
endwhile()

set(lib_depends "libsigradrv${sigra_soversion} (= ${SIGRA_DEB_VERSION})")
set(CPACK_DEBIAN_LIB_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_LIB_DESCRIPTION "Sigra fiscal receipt printer driver
The driver of the Sigra fiscal receipt printers (and the older TX350 and
Luno models) on an RS-232 line or a USB serial adapter: the functions
point-of-sale programs call to print fiscal receipts and reports, set tax
rates and read the printer's state, with Polish error texts.
.
USB serial adapters get COM numbers that stay theirs, kept in
/var/lib/sigradrv/ports.")
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS "${lib_depends}")
set(CPACK_DEBIAN_DEV_DESCRIPTION "Sigra fiscal receipt printer driver - development files
The C and C++ headers of the Sigra driver, its pkg-config file and its
CMake package (find_package(sigradrv), target sigra::sigradrv).")
set(CPACK_DEBIAN_TOOLS_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_TOOLS_PACKAGE_DEPENDS "${lib_depends}")
set(CPACK_DEBIAN_TOOLS_DESCRIPTION "Sigra fiscal receipt printer tools
sigractl runs the Sigra driver from scripts: the device, its status, clock
and tax rates, a receipt from a file, the daily report, the ports there are.
sigra-emu is a software printer of every model on a pseudo-terminal, for
trying programs without hardware.")
set(CPACK_DEBIAN_APP_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_APP_PACKAGE_DEPENDS "qt6-translations-l10n, ${lib_depends}")
set(CPACK_DEBIAN_APP_DESCRIPTION "operator program for Sigra fiscal receipt printers
SigraSW, in Polish, is the shop owner's and service technician's program
for the Sigra fiscal printers: daily and periodic reports, the clock, tax
rates, the receipt header, device options and printer tests.")
set(CPACK_DEBIAN_SERVICE_PACKAGE_SECTION net)
set(CPACK_DEBIAN_SERVICE_PACKAGE_DEPENDS "adduser, ${lib_depends}")
set(CPACK_DEBIAN_SERVICE_DESCRIPTION "Sigra fiscal receipt printer service
sigrad serves a Sigra fiscal printer to the programs of a shop over HTTP.
It runs under systemd as the user sigra, in the group dialout, keeps its
journal in /var/lib/sigra and takes its options from /etc/default/sigrad;
it starts once they are set there.")
set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
set(CPACK_DEBIAN_PYTHON_PACKAGE_ARCHITECTURE all)
set(CPACK_DEBIAN_PYTHON_PACKAGE_SHLIBDEPS OFF)
set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS
    "python3:any, libsigradrv${sigra_soversion} (>= ${SIGRA_DEB_VERSION})")
set(CPACK_DEBIAN_PYTHON_DESCRIPTION "Sigra fiscal receipt printer driver - Python 3 module
The module sigra calls the Sigra driver from Python: each of the driver's
functions as a method, texts as str, a whole receipt sold with the recovery
that never fiscalises it twice.")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME sigra)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${SIGRA_DEB_MAINTAINER}")
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${sigra_deb_release})
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The programs need the driver built beside them, of the package libsigradrv.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR}/commands)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
