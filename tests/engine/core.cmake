# Machining engine: bar computation, detail loading, checks and reports.
brelon_add_test(engine_tests LABEL engine
    SOURCES
        ${CMAKE_CURRENT_SOURCE_DIR}/engine_demo_test.cpp
        ${CMAKE_CURRENT_SOURCE_DIR}/engine_core_test.cpp
        ${CMAKE_CURRENT_SOURCE_DIR}/engine_detail_test.cpp
        ${CMAKE_CURRENT_SOURCE_DIR}/engine_report_test.cpp
    LIBS engine test_support)
