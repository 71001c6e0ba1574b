# Settings modules of machine/: the settings record and its serial links, the twelve
# parameter groups, the per-profile overrides and the label settings.
brelon_add_test(machine_settings_tests LABEL settings
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/settings_record_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/settings_params_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/settings_overrides_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/settings_label_test.cpp
    LIBS machine util)
