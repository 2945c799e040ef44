# The service's black-box tests: pytest files that start sigra-emu on
# pseudo-terminals and sigrad on a free loopback port, and talk to it over
# real TCP. The programs' paths come from here, so that a sanitizer build runs
# its own sigrad. The OpenAPI check installs its validator with npm into the
# build folder (service-npm) from the lock file in openapi/.
#
# sigrad is defined after the tests' folder, so the tests are added by a call
# deferred to the end of the top folder, where it is known whether it is built.
set(SIGRA_SERVICE_TESTS_DIR ${CMAKE_CURRENT_LIST_DIR} CACHE INTERNAL "")
find_program(SIGRA_SERVICE_PYTHON python3 PATHS /usr/bin NO_DEFAULT_PATH)
find_program(SIGRA_SERVICE_PYTHON python3)

function(sigra_service_test name file timeout)
  add_test(NAME ${name}
           COMMAND ${SIGRA_SERVICE_TESTS_DIR}/run-file.sh ${SIGRA_SERVICE_PYTHON}
                   ${SIGRA_SERVICE_TESTS_DIR}/${file}
           WORKING_DIRECTORY ${PROJECT_BINARY_DIR}/tests)
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "SIGRAD=$<TARGET_FILE:sigrad>;SIGRA_EMU=$<TARGET_FILE:sigra-emu>;SIGRA_NPM_CACHE=${PROJECT_BINARY_DIR}/service-npm"
    SKIP_RETURN_CODE 77 TIMEOUT ${timeout}
    # The longer a test may take, the earlier it starts. One service's test at
    # a time: twenty tills selling at once and sigrad killed at exact
    # moments are what they check, not several of them side by side.
    COST ${timeout} RESOURCE_LOCK sigrad)
endfunction()

function(sigra_add_service_tests)
  if(NOT TARGET sigrad)
    return()
  endif()
  # A receipt never printed twice: a power cut at each point of the closing
  # and sigrad killed at three moments of a receipt.
  sigra_service_test(service_never_twice test_never_twice.py 300)
  # 200 sales with random cuts, restarts, paper taken away and the printer
  # swapped for a spare: minutes of real time.
  sigra_service_test(service_never_twice_loop test_never_twice_loop.py 600)
  # A journal written before its schema had a version, opened and upgraded;
  # one of a newer version refused.
  sigra_service_test(service_journal_versions test_journal_versions.py 300)
  # Two printers, one of them dead; twenty tills on one printer.
  sigra_service_test(service_printers test_printers.py 300)
  # A page in headless Chromium selling with fetch(), from an allowed origin
  # and from another.
  sigra_service_test(service_browser test_browser.py 300)
  # Over 10 000 generated malformed requests.
  sigra_service_test(service_fuzz test_fuzz.py 600)
  # A key's state while it waits, keys holding "/", and bodies refused
  # before anything is sent.
  sigra_service_test(service_requests test_requests.py 300)
  # Chunked bodies, the Host header and the request log, over raw TCP.
  sigra_service_test(service_gate test_gate.py 300)
  # A second service on the address or the journal, hangups, and a journal
  # deleted, replaced or not a journal at all.
  sigra_service_test(service_lifetime test_lifetime.py 300)
  # The OpenAPI description, validated and held to the answers.
  sigra_service_test(service_openapi test_openapi.py 300)
  # No paper, the head raised or a failure before a sale and while a receipt
  # prints; the printout resumed once paper is back.
  sigra_service_test(service_paper test_paper.py 300)
  # Error ids, Retry-After, 405 with Allow, Location.
  sigra_service_test(service_errors test_errors.py 300)
  # Characters Windows-1250 lacks named; decomposed Polish letters composed.
  sigra_service_test(service_text test_text.py 300)
  # Idle printers switched off and on, noticed; /healthz?printers=1.
  sigra_service_test(service_health test_health.py 300)
endfunction()
