# Ordering and elaborating a bar of 500 machinings and of 2,000 (targets: under 5 ms and under 30 ms);
# the ordering alone of a seeded random bar and of every demo bar.
brelon_add_bench(engine_ordering_bench
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/ordering_bench.cpp
    LIBS engine test_support)
