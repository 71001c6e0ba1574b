# Message boxes as the operator sees them on the four screens of the shop and the small one:
# each holds its text, lies on the screen and is not much larger than its text needs.
brelon_add_test(message_box_tests LABEL config
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/message_box_test.cpp ${CMAKE_CURRENT_SOURCE_DIR}/app_fixture.cpp
    LIBS app_core Qt6::Test
    PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen)
target_include_directories(message_box_tests PRIVATE ${CMAKE_SOURCE_DIR}/simcnc/include)
