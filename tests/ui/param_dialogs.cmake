# The twelve machine-parameter dialogs: rows per variant, checks, filters, saving, the tool
# table's blade records, and a changed value reaching a bar computation.
brelon_add_test(ui_param_dialog_tests LABEL config
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/param_dialogs_test.cpp
            ${CMAKE_CURRENT_SOURCE_DIR}/param_dialogs_bar_test.cpp
            ${CMAKE_CURRENT_SOURCE_DIR}/qt_app.cpp
    LIBS ui engine test_support Qt6::Test
    PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen)
