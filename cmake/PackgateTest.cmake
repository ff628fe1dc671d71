# Test helpers: every test program is a GoogleTest binary registered with CTest.
find_package(GTest REQUIRED)
include(GoogleTest)

# packgate_add_test(NAME SOURCES... LIBS ...)
function(packgate_add_test name)
    cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    # Code that calls libsetupnet gets its test build here (outside/setupnet).
    set_target_properties(${name} PROPERTIES PACKGATE_TEST_PROGRAM ON)
    target_link_libraries(${name} PRIVATE ${T_LIBS} packgate_warnings GTest::gtest GTest::gmock
                          GTest::gtest_main)
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 NO_PRETTY_VALUES
                         PROPERTIES ENVIRONMENT "PACKGATE_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
endfunction()
