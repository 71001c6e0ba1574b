# Part-program generation: dialect, blocks, bodies of variants 0 and 2.
brelon_add_test(engine_iso_tests LABEL engine
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/iso_blocks_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/iso_program_test.cpp
    LIBS engine test_support)
