# Part-program body of machine variant 1.
brelon_add_test(engine_iso_variant1_tests LABEL engine
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/iso_variant1_test.cpp
    LIBS engine test_support)
