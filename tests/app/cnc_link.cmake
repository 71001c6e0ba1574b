# The controller link seen from the program: the start-up on a PC whose controller is expected,
# a library that cannot read, a start the PC cannot hand over and a controller that stays busy.
brelon_add_test(cnc_link_tests LABEL cnc
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/cnc_link_test.cpp ${CMAKE_CURRENT_SOURCE_DIR}/app_fixture.cpp
    LIBS app_core Qt6::Test
    PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen)
target_include_directories(cnc_link_tests PRIVATE ${CMAKE_SOURCE_DIR}/simcnc/include)
add_dependencies(cnc_link_tests Brelon3 UvenlibVB UvenlibVB_noread vlk32_bc)
