# Part programs within the machine's reach: vices, tool paths and automatic tools on machines
# configured unlike the demo.
brelon_add_test(engine_iso_reach_tests LABEL engine
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/iso_reach_test.cpp
    LIBS engine test_support)
