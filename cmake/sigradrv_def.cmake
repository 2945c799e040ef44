# Writes the module-definition file of the driver DLL (cmake -P).
#   NM       the cross nm
#   ARCHIVE  static library holding the compiled exported functions
#   HEADERS  the public headers, separated by semicolons
#   DLL      file name of the DLL
#   OUTPUT   the .def to write
# On 32-bit Windows each name declared in the headers is listed with the stack
# size its standard-call symbol carries (CommunicationInit@12); the linker's
# --kill-at and dlltool -k strip that suffix from the exported names. 64-bit
# Windows has one calling convention and plain symbol names, listed as they are.
include(${CMAKE_CURRENT_LIST_DIR}/SigraExports.cmake)

sigra_declared_exports(names ${HEADERS})
execute_process(COMMAND ${NM} -g --defined-only ${ARCHIVE} OUTPUT_VARIABLE symbols
                RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${NM} failed on ${ARCHIVE}")
endif()

set(def "LIBRARY ${DLL}\nEXPORTS\n")
foreach(name IN LISTS names)
  if(symbols MATCHES "[ \t]_${name}@([0-9]+)\n")
    string(APPEND def "  ${name}@${CMAKE_MATCH_1}\n")
  elseif(symbols MATCHES "[ \t]${name}\n")
    string(APPEND def "  ${name}\n")
  else()
    message(FATAL_ERROR "${name} is declared for export but not defined in ${ARCHIVE}")
  endif()
endforeach()

# Rewritten only on change, so that an unchanged list does not relink the DLL.
set(previous "")
if(EXISTS "${OUTPUT}")
  file(READ "${OUTPUT}" previous)
endif()
if(NOT previous STREQUAL def)
  file(WRITE "${OUTPUT}" "${def}")
endif()
