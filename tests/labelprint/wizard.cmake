# Tests of the layout wizard: its rules without a window, the pages and dialogs offscreen,
# and ConfigLab through libTagrix.so on a Qt application.
find_package(Qt6 REQUIRED COMPONENTS Widgets Test)
brelon_add_test(labelprint_wizard_tests LABEL labelprint
    SOURCES wizard_logic_test.cpp wizard_dialogs_test.cpp wizard_label_test.cpp label_test_util.cpp
            ${CMAKE_SOURCE_DIR}/tests/ui/qt_app.cpp
    LIBS TagrixWizard Qt6::Test
    PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen)
target_include_directories(labelprint_wizard_tests PRIVATE ${CMAKE_SOURCE_DIR}/labelprint/wizard/src
                                                   ${CMAKE_SOURCE_DIR}/tests/ui
                                                   ${CMAKE_SOURCE_DIR}/tests/support/include)
brelon_add_test(labelprint_wizard_exports_tests LABEL labelprint
    SOURCES wizard_exports_test.cpp label_test_util.cpp ${CMAKE_SOURCE_DIR}/tests/ui/qt_app.cpp
    LIBS Tagrix Qt6::Widgets Qt6::Test
    PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen)
target_include_directories(labelprint_wizard_exports_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests/ui
                                                           ${CMAKE_SOURCE_DIR}/tests/support/include)
