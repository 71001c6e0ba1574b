# Settings of the configuration commands: the settings binder (no window), then the options,
# supervisor and label dialogs offscreen with the bytes of the configuration files compared.
brelon_add_test(config_binder_tests LABEL config
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/config_binder_test.cpp
    LIBS ui)

# Windows fitted to screens of any ratio (plain arithmetic).
brelon_add_test(screen_fit_tests LABEL config
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/screen_fit_test.cpp
    LIBS machine)
