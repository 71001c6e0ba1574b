# Profile section, blade cut points of end cuts and the end trims.
brelon_add_test(engine_section_tests LABEL engine
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/section_test.cpp
    LIBS engine test_support)
