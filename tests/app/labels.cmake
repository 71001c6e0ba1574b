# The piece-label job: label texts per printer kind, queueing, printing to the print port (a
# pseudo-terminal), through the label library to a fake USB printer, and the offcut decision.
brelon_add_test(job_labels_tests LABEL job
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/labels_test.cpp
            ${CMAKE_SOURCE_DIR}/tests/labelprint/label_test_util.cpp
    LIBS app_core test_support util)
target_include_directories(job_labels_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests/engine
                                                    ${CMAKE_SOURCE_DIR}/tests/labelprint)
