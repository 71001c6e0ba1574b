# The bar progress write of one finished piece against the full-sync write of the same bytes.
brelon_add_bench(bench_bar_progress SOURCES ${CMAKE_CURRENT_LIST_DIR}/progress_bench.cpp LIBS machine)
