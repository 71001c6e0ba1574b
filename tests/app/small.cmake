# Single ISO program run (job), CNC message list and About box (views), offscreen, in office
# mode and against the simulated controller.
brelon_add_test(job_iso_tests LABEL job
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/exec_iso_test.cpp ${CMAKE_CURRENT_SOURCE_DIR}/app_fixture.cpp
    LIBS app_core Qt6::Test
    PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen)
target_include_directories(job_iso_tests PRIVATE ${CMAKE_SOURCE_DIR}/simcnc/include)
add_dependencies(job_iso_tests Brelon3 UvenlibVB vlk32_bc)

brelon_add_test(views_msg_about_tests LABEL views
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/message_about_test.cpp ${CMAKE_CURRENT_SOURCE_DIR}/app_fixture.cpp
    LIBS app_core Qt6::Test
    PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen)
target_include_directories(views_msg_about_tests PRIVATE ${CMAKE_SOURCE_DIR}/simcnc/include)
add_dependencies(views_msg_about_tests Brelon3 UvenlibVB vlk32_bc)
