# grainix-cli cutting grains from CIF files: its files against the builders'.
if(TARGET grainix-cli)
  add_executable(test_cli_cif ${CMAKE_CURRENT_LIST_DIR}/cli_cif_test.cpp)
  target_link_libraries(test_cli_cif PRIVATE GTest::gtest GTest::gtest_main)
  target_compile_definitions(test_cli_cif PRIVATE GRAINIX_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
    GRAINIX_CLI="$<TARGET_FILE:grainix-cli>")
  add_dependencies(test_cli_cif grainix-cli)
  gtest_discover_tests(test_cli_cif DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60)
endif()
