# Prints the names the driver exports, one a line (cmake -DSOURCE_DIR=... -P).
include(${SOURCE_DIR}/cmake/SigraExports.cmake)
sigra_declared_exports(names ${SOURCE_DIR}/include/sigra/sigradrv.h
                       ${SOURCE_DIR}/include/sigra/sigradrv.hpp)
foreach(name IN LISTS names)
  execute_process(COMMAND ${CMAKE_COMMAND} -E echo "${name}")
endforeach()
