# grainix-cli run as a program: its files against the engine's, and its refusals.
if(TARGET grainix-cli)
  add_executable(test_cli ${CMAKE_CURRENT_LIST_DIR}/cli_test.cpp ${CMAKE_SOURCE_DIR}/cli/terminal_progress.cpp)
  target_link_libraries(test_cli PRIVATE grainix_engine GTest::gtest GTest::gtest_main)
  target_include_directories(test_cli PRIVATE ${CMAKE_SOURCE_DIR})
  target_compile_definitions(test_cli PRIVATE GRAINIX_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
    GRAINIX_CLI="$<TARGET_FILE:grainix-cli>")
  add_dependencies(test_cli grainix-cli)
  gtest_discover_tests(test_cli DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60)
endif()
