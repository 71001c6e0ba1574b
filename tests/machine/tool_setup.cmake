# Tool-setup optimiser of the bar selection: modes, decentred-ralla checks, "OUTPUT.BAR".
brelon_add_test(machine_tool_setup_tests LABEL engine
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tool_setup_test.cpp
    LIBS machine test_support)
