# Every entry of the menu bar and the tool bar on each demo configuration: it opens its window
# or is disabled by its rule.
brelon_add_test(config_walk_tests LABEL config
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/config_walk_test.cpp ${CMAKE_CURRENT_SOURCE_DIR}/app_fixture.cpp
    LIBS app_core test_support Qt6::Test
    TIMEOUT 1200
    PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen)
target_include_directories(config_walk_tests PRIVATE ${CMAKE_SOURCE_DIR}/simcnc/include)
add_dependencies(config_walk_tests Brelon3 UvenlibVB vlk32_bc)
