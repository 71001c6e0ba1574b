# A full bar computation with end trims planned against a drawn profile section.
brelon_add_bench(engine_section_bench
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/section_bench.cpp
    LIBS engine test_support)
