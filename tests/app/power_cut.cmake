# Power cuts at each write of the job road on-line, each followed by a restart run to the end.
brelon_add_test(job_power_cut_tests LABEL "job;machine" TIMEOUT 900
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/power_cut_test.cpp ${CMAKE_CURRENT_SOURCE_DIR}/app_fixture.cpp
            ${CMAKE_CURRENT_SOURCE_DIR}/online_fixture.cpp
            ${CMAKE_SOURCE_DIR}/tests/labelprint/label_test_util.cpp
    LIBS app_core test_support Qt6::Test util
    PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen)
target_include_directories(job_power_cut_tests PRIVATE ${CMAKE_SOURCE_DIR}/simcnc/include
                                                       ${CMAKE_SOURCE_DIR}/tests/labelprint)
add_dependencies(job_power_cut_tests Brelon3 UvenlibVB vlk32_bc)
