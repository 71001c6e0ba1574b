# Foundation modules of machine/: units and formatting, utilities and the merge sort, file
# and INI routines, geometry, edit filters, window arithmetic, path table, error text and the
# user-interface services.
brelon_add_test(machine_base_tests LABEL machine
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/base_units_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/base_sort_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/base_files_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/base_geometry_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/base_ui_test.cpp
    LIBS machine)
