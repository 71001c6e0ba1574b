# Opening a 2,000-bar list against reading the same file's bytes.
if(TARGET test_support)
    brelon_add_bench(bench_barlist
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/barlist_bench.cpp
        LIBS machine test_support)
endif()
