# The execution monitor: its files and counts, and the dialog driven tick by tick against the
# simulated controller (offscreen).
brelon_add_test(job_exec_tests LABEL job
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/exec_files_test.cpp ${CMAKE_CURRENT_SOURCE_DIR}/exec_dialog_test.cpp
            ${CMAKE_CURRENT_SOURCE_DIR}/app_fixture.cpp
    LIBS app_core test_support Qt6::Test
    PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen)
target_include_directories(job_exec_tests PRIVATE ${CMAKE_SOURCE_DIR}/simcnc/include)
add_dependencies(job_exec_tests Brelon3 UvenlibVB vlk32_bc)
