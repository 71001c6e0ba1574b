# Read and write failures of the reports, the part program and the tool table name the file.
brelon_add_test(engine_write_fault_tests LABEL engine
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/write_faults_test.cpp
    LIBS engine test_support)
