# Bar lists (".lda") and tool tables ("TOOLS.TXT"): loading, conversion, damaged files, checks,
# the ralla tool set, and a bounded random-mutation run of the list reader.
brelon_add_test(machine_barlist_tests LABEL barlist
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/barlist_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/tools_test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/barlist_mutation_test.cpp
    LIBS machine test_support)

# libFuzzer target of the list reader: only with -DBRELON_FUZZ=ON and clang. The library is
# instrumented for coverage too, so the fuzzer sees into the reader.
if(BRELON_FUZZ AND CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    target_compile_options(machine PRIVATE -fsanitize=fuzzer-no-link)
    add_executable(barlist_fuzz ${CMAKE_CURRENT_LIST_DIR}/barlist_fuzz.cpp)
    brelon_target_defaults(barlist_fuzz)
    target_compile_options(barlist_fuzz PRIVATE -fsanitize=fuzzer)
    target_link_options(barlist_fuzz PRIVATE -fsanitize=fuzzer)
    target_link_libraries(barlist_fuzz PRIVATE machine)
endif()
