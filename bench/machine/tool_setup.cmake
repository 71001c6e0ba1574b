# Tool-setup optimisation of 1,000 selected bars in each mode (target: under 200 ms).
brelon_add_bench(bench_tool_setup
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tool_setup_bench.cpp
    LIBS machine)
