# Part programs read back: the rules every program keeps, on every demo bar of every variant.
brelon_add_test(engine_iso_rules_tests LABEL engine
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/iso_rules_test.cpp
    LIBS engine test_support)
