# Every subsystem folder is one static library made of the .cpp files it holds.
# Adding a file to a folder needs no edit here (CONFIGURE_DEPENDS re-globs).
function(grainix_subsystem target dir)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB _sources CONFIGURE_DEPENDS ${dir}/*.cpp)
  if(_sources)
    add_library(${target} STATIC ${_sources})
    target_include_directories(${target} PUBLIC ${CMAKE_SOURCE_DIR})
    target_link_libraries(${target} PUBLIC ${ARG_DEPS})
  else()
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE ${CMAKE_SOURCE_DIR})
    target_link_libraries(${target} INTERFACE ${ARG_DEPS})
  endif()
endfunction()

# One GoogleTest executable per test folder; each test case is a ctest test.
function(grainix_test_folder name dir)
  cmake_parse_arguments(ARG "" "" "DEPS;ENV" ${ARGN})
  file(GLOB _sources CONFIGURE_DEPENDS ${dir}/*.cpp)
  if(NOT _sources)
    return()
  endif()
  add_executable(${name} ${_sources})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gmock GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE GRAINIX_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "${ARG_ENV}")
endfunction()
