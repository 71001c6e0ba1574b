# Controller-link modules of machine/: the controller library binding, the CNC state object with
# its command queue, program start and status poll, the event log and alarm history, the special
# sub-program list and the bar progress file. Run against the simulated controller, loaded from
# the build's bin folder as the program loads it.
brelon_add_test(machine_cnc_tests LABEL cnc
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/cnc_state_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/cnc_queue_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/cnc_log_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/cnc_stores_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/cnc_link_test.cpp
    LIBS machine)
target_include_directories(machine_cnc_tests PRIVATE ${CMAKE_SOURCE_DIR}/simcnc/include)
add_dependencies(machine_cnc_tests UvenlibVB UvenlibVB_missing UvenlibVB_broken UvenlibVB_noread)
