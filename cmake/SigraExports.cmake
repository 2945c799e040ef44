# The names the driver exports: every function declared with SIGRA_API and
# SIGRA_CALL in the public headers. The headers are the one list of exports;
# the Windows module-definition file and the export test both read it here.
function(sigra_declared_exports out_var)
  set(names)
  foreach(header IN LISTS ARGN)
    file(READ "${header}" text)
    string(REGEX MATCHALL "SIGRA_API[^;{}]*SIGRA_CALL[ \t\r\n]+[A-Za-z_][A-Za-z0-9_]*[ \t\r\n]*\\("
                          declarations "${text}")
    foreach(declaration IN LISTS declarations)
      string(REGEX REPLACE ".*SIGRA_CALL[ \t\r\n]+([A-Za-z_][A-Za-z0-9_]*).*" "\\1" name
                           "${declaration}")
      list(APPEND names "${name}")
    endforeach()
  endforeach()
  list(REMOVE_DUPLICATES names)
  list(SORT names)
  set(${out_var} "${names}" PARENT_SCOPE)
endfunction()
