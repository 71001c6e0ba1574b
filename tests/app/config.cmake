# The configuration commands: enable rules, the password gate, the label settings routing and
# the options, supervisor and label dialogs, offscreen on the demo configuration with the
# bytes of "CONFIG.PAR" and "PARAM.PAR" compared after OK and after Cancel.
brelon_add_test(config_tests LABEL config
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/config_commands_test.cpp
            ${CMAKE_CURRENT_SOURCE_DIR}/config_dialogs_test.cpp
            ${CMAKE_CURRENT_SOURCE_DIR}/app_fixture.cpp
    LIBS app_core test_support Qt6::Test
    PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen)
target_include_directories(config_tests PRIVATE ${CMAKE_SOURCE_DIR}/simcnc/include)
add_dependencies(config_tests Brelon3 UvenlibVB vlk32_bc)
