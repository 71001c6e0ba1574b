# The watch of a running program against the simulated controller: boxes held open, a print port
# missing, Escape, a damaged piece counter and a late acknowledgement while the machine cuts on.
brelon_add_test(job_watch_tests LABEL job TIMEOUT 300
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/watch_test.cpp ${CMAKE_CURRENT_SOURCE_DIR}/app_fixture.cpp
            ${CMAKE_CURRENT_SOURCE_DIR}/online_fixture.cpp
            ${CMAKE_SOURCE_DIR}/tests/labelprint/label_test_util.cpp
    LIBS app_core test_support Qt6::Test util
    PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen LABELS "job\\;cnc")
target_include_directories(job_watch_tests PRIVATE ${CMAKE_SOURCE_DIR}/simcnc/include
                                                   ${CMAKE_SOURCE_DIR}/tests/labelprint)
add_dependencies(job_watch_tests Brelon3 UvenlibVB vlk32_bc)
