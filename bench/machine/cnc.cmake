# One status poll of the on-line CNC state against the simulated controller.
brelon_add_bench(bench_machine_cnc SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_cnc.cpp LIBS machine)
target_compile_definitions(bench_machine_cnc PRIVATE BRELON_BINARY_DIR="${CMAKE_BINARY_DIR}")
add_dependencies(bench_machine_cnc UvenlibVB)
