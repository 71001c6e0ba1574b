# Bar starts of a list whose bars alternate two drawn profiles, cold section loads, and the demo
# list computed and written with a drawing per profile.
brelon_add_bench(engine_section_list_bench
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/section_list_bench.cpp
    LIBS engine test_support)
