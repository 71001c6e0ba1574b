# The automatic test run's list file and the time log's total against damaged files: a bounded
# mutation run per reader in the suite, and one libFuzzer target per reader (clang, -DBRELON_FUZZ=ON).
brelon_add_test(app_list_files_mutation_tests LABEL app
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/list_files_mutation_test.cpp
    LIBS app_core)
target_include_directories(app_list_files_mutation_tests PRIVATE
    ${CMAKE_SOURCE_DIR}/tests/support/include ${CMAKE_CURRENT_LIST_DIR}/fuzz)
foreach(reader test_list time_log)
    brelon_add_fuzz_target(fuzz_${reader}
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz/fuzz_${reader}.cpp
        LIBS app_core INSTRUMENT app_core)
    if(TARGET fuzz_${reader})
        target_include_directories(fuzz_${reader} PRIVATE ${CMAKE_SOURCE_DIR}/tests/support/include)
    endif()
endforeach()
