# Part-program generation of a bar with 20 pieces and 100 machinings.
brelon_add_bench(engine_iso_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/iso_bench.cpp LIBS engine test_support)
