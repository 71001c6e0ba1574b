# The machine layer's readers of outside files against damaged files: a bounded mutation run
# per reader in the suite, and one libFuzzer target per reader (clang, -DBRELON_FUZZ=ON).
set(MACHINE_FUZZ_INCLUDES ${CMAKE_SOURCE_DIR}/tests/support/include ${CMAKE_CURRENT_LIST_DIR}/fuzz
    ${CMAKE_SOURCE_DIR}/simcnc/include)
# Bounded mutation runs under the sanitizers: up to half a minute each alone, several times
# that on a busy machine.
brelon_add_test(machine_tool_table_mutation_tests LABEL barlist TIMEOUT 600
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tool_table_mutation_test.cpp LIBS machine)
brelon_add_test(machine_config_mutation_tests LABEL settings TIMEOUT 600
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/config_files_mutation_test.cpp LIBS machine)
brelon_add_test(machine_cnc_texts_mutation_tests LABEL cnc
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/cnc_texts_mutation_test.cpp LIBS machine)
add_dependencies(machine_cnc_texts_mutation_tests UvenlibVB)
foreach(t machine_tool_table_mutation_tests machine_config_mutation_tests machine_cnc_texts_mutation_tests)
    target_include_directories(${t} PRIVATE ${MACHINE_FUZZ_INCLUDES})
endforeach()

foreach(reader tool_table config_files cnc_texts alarm_log)
    brelon_add_fuzz_target(fuzz_${reader}
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz/fuzz_${reader}.cpp
        LIBS machine INSTRUMENT machine platform)
    if(TARGET fuzz_${reader})
        target_include_directories(fuzz_${reader} PRIVATE ${MACHINE_FUZZ_INCLUDES})
    endif()
endforeach()
if(TARGET fuzz_cnc_texts)
    add_dependencies(fuzz_cnc_texts UvenlibVB)
endif()
