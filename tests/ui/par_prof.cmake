# Profile parameter sets: the sets without a window, both dialogs offscreen with the ".CP" bytes
# compared, positions taken from the simulated controller, and a saved set in the next bar
# computation of its profile.
brelon_add_test(par_prof_tests LABEL config
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/par_prof_logic_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/par_prof_dialog_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/par_prof_machine_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/qt_app.cpp
    LIBS ui engine test_support Qt6::Test
    PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen)
target_include_directories(par_prof_tests PRIVATE ${CMAKE_SOURCE_DIR}/simcnc/include)
add_dependencies(par_prof_tests UvenlibVB)
