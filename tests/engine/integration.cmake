# Engine parts working together: end trims, ordering and the part-program writer on the demo lists.
brelon_add_test(engine_integration_tests LABEL engine
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/integration_test.cpp
    LIBS engine test_support)
