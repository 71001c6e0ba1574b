# The tool table dialogs: the table's logic, every command offscreen with "TOOLS.TXT" compared,
# the ralla chooser per variant, the legend's lines and the marks of its drawings, and a tool
# written in the table reaching a bar computation.
brelon_add_test(ui_tool_dialog_tests LABEL config
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tool_dialogs_test.cpp
            ${CMAKE_CURRENT_SOURCE_DIR}/tool_dialogs_bar_test.cpp
            ${CMAKE_CURRENT_SOURCE_DIR}/tool_legend_test.cpp
            ${CMAKE_CURRENT_SOURCE_DIR}/qt_app.cpp
    LIBS ui engine test_support Qt6::Test
    PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen)
