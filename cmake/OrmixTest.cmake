# ormix_add_test(<name> SOURCES <files...> LIBS <targets...>)
# One GoogleTest executable per area; every test of it is registered with ctest.
find_package(GTest REQUIRED)
find_package(Qt6 REQUIRED COMPONENTS Test)
include(GoogleTest)
function(ormix_add_test name)
    cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${T_SOURCES} ${PROJECT_SOURCE_DIR}/tests/common/qt_test_main.cpp)
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest Qt6::Core)
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
        PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" LABELS ${name})
endfunction()
