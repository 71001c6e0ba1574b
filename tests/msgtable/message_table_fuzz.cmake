# The message-table loader against damaged files: a bounded mutation run in the suite, and its
# libFuzzer target (clang, -DBRELON_FUZZ=ON).
brelon_add_test(msgtable_mutation_tests LABEL msgtable
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/message_table_mutation_test.cpp
    LIBS Dictavo)
target_include_directories(msgtable_mutation_tests PRIVATE
    ${CMAKE_SOURCE_DIR}/tests/support/include ${CMAKE_CURRENT_LIST_DIR}/fuzz)
brelon_add_fuzz_target(fuzz_message_table
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz/fuzz_message_table.cpp
    LIBS Dictavo INSTRUMENT Dictavo)
