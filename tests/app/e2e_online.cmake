# A job end to end on-line: the automatic test run of a two-bar list against the simulated
# controller, with the event log on and piece labels going to a fake USB label printer.
brelon_add_test(job_e2e_online_tests LABEL job
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/e2e_online_test.cpp ${CMAKE_CURRENT_SOURCE_DIR}/app_fixture.cpp
            ${CMAKE_CURRENT_SOURCE_DIR}/online_fixture.cpp
            ${CMAKE_SOURCE_DIR}/tests/labelprint/label_test_util.cpp
    LIBS app_core test_support Qt6::Test util
    PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen)
target_include_directories(job_e2e_online_tests PRIVATE ${CMAKE_SOURCE_DIR}/simcnc/include
                                                        ${CMAKE_SOURCE_DIR}/tests/labelprint)
add_dependencies(job_e2e_online_tests Brelon3 UvenlibVB vlk32_bc)
