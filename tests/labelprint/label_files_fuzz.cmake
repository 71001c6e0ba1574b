# The label library's outside files against damaged files: a bounded mutation run per reader in
# the suite, and one libFuzzer target per reader (clang, -DBRELON_FUZZ=ON).
set(LABEL_FUZZ_INCLUDES ${CMAKE_SOURCE_DIR}/tests/support/include ${CMAKE_CURRENT_LIST_DIR}/fuzz
    ${CMAKE_CURRENT_LIST_DIR})
brelon_add_test(labelprint_mutation_tests LABEL labelprint
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/label_files_mutation_test.cpp ${CMAKE_CURRENT_LIST_DIR}/label_test_util.cpp
    LIBS labelprint_core platform dxf)
brelon_add_test(labelprint_template_mutation_tests LABEL labelprint
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/template_mutation_test.cpp
    LIBS Tagrix)
target_include_directories(labelprint_mutation_tests PRIVATE ${LABEL_FUZZ_INCLUDES})
target_include_directories(labelprint_template_mutation_tests PRIVATE ${LABEL_FUZZ_INCLUDES})

foreach(reader label_library label_layout)
    brelon_add_fuzz_target(fuzz_${reader}
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz/fuzz_${reader}.cpp ${CMAKE_CURRENT_LIST_DIR}/label_test_util.cpp
        LIBS labelprint_core platform dxf INSTRUMENT labelprint_core platform)
    if(TARGET fuzz_${reader})
        target_include_directories(fuzz_${reader} PRIVATE ${LABEL_FUZZ_INCLUDES})
    endif()
endforeach()
brelon_add_fuzz_target(fuzz_label_template
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/fuzz/fuzz_label_template.cpp
    LIBS Tagrix INSTRUMENT Tagrix labelprint_core platform)
if(TARGET fuzz_label_template)
    target_include_directories(fuzz_label_template PRIVATE ${LABEL_FUZZ_INCLUDES})
endif()
