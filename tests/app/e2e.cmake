# A job end to end: the office test run over the demo lists, and an on-line run of a list
# against the simulated controller.
brelon_add_test(job_e2e_tests LABEL job
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/e2e_test.cpp ${CMAKE_CURRENT_SOURCE_DIR}/app_fixture.cpp
    LIBS app_core test_support Qt6::Test
    PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen)
target_include_directories(job_e2e_tests PRIVATE ${CMAKE_SOURCE_DIR}/simcnc/include)
add_dependencies(job_e2e_tests Brelon3 UvenlibVB vlk32_bc)
