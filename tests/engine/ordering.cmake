# Ordering, ralla elaboration, speeds, marks and the elaborated report sections.
brelon_add_test(engine_ordering_tests LABEL engine
    SOURCES
        ${CMAKE_CURRENT_SOURCE_DIR}/ordering_test.cpp
        ${CMAKE_CURRENT_SOURCE_DIR}/ordering_golden_test.cpp
    LIBS engine test_support)
