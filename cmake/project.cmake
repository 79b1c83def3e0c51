# add_project_test(NAME [SHARED_DISPLAY] SOURCES... LIBS ...): a GoogleTest binary, run whole by
# tools/run-tests.sh and one CTest entry per test by CTest. Each test gets its own state directory
# from the shared test main. SHARED_DISPLAY: the tests show windows that take the keyboard focus,
# so under CTest they run one at a time on the test display instead of taking the focus from each
# other.
function(add_project_test name)
  cmake_parse_arguments(T "SHARED_DISPLAY" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} testing_main GTest::gtest GTest::gmock)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${TEST_BIN_DIR})
  set(properties TIMEOUT 120)
  if(T_SHARED_DISPLAY)
    list(APPEND properties RESOURCE_LOCK test-display)
  endif()
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60 PROPERTIES ${properties})
endfunction()

# add_platform_library(NAME SOURCES...): one stand-in layer, shared so that every module of a
# process sees one copy of its state (last error, registry, message queues, apartments).
function(add_platform_library name)
  add_library(${name} SHARED ${ARGN})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR}/platform)
endfunction()
