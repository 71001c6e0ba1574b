# The INI profile layer against damaged files: a bounded mutation run in the suite, and its
# libFuzzer target (clang, -DBRELON_FUZZ=ON).
brelon_add_test(platform_profile_mutation_tests LABEL platform TIMEOUT 600
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/profile_mutation_test.cpp
    LIBS platform)
target_include_directories(platform_profile_mutation_tests PRIVATE
    ${CMAKE_SOURCE_DIR}/tests/support/include ${CMAKE_CURRENT_LIST_DIR}/fuzz)
brelon_add_fuzz_target(fuzz_profile
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz/fuzz_profile.cpp
    LIBS platform INSTRUMENT platform)
