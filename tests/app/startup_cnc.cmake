# The on-line start-up without a window: the variant from settled readings, the variant read
# again before a start, a termination request during the wait.
brelon_add_test(startup_cnc_tests LABEL cnc
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/startup_cnc_test.cpp ${CMAKE_CURRENT_SOURCE_DIR}/app_fixture.cpp
    LIBS app_core Qt6::Test
    PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen)
target_include_directories(startup_cnc_tests PRIVATE ${CMAKE_SOURCE_DIR}/simcnc/include)
add_dependencies(startup_cnc_tests Brelon3 UvenlibVB vlk32_bc)
