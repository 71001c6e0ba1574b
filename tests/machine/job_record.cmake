# The job's record (owed names, a finished repetition the list does not count yet) and the open
# list's identity against the office's changes.
brelon_add_test(machine_job_record_tests LABEL "machine;job"
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/job_record_list_test.cpp
    LIBS machine test_support)
