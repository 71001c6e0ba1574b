# The report template "DEBTG.MSG" against damaged files: a bounded mutation run in the suite,
# and its libFuzzer target (clang, -DBRELON_FUZZ=ON).
brelon_add_test(engine_report_template_mutation_tests LABEL engine
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/report_template_mutation_test.cpp
    LIBS engine test_support)
target_include_directories(engine_report_template_mutation_tests PRIVATE
    ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/fuzz)
brelon_add_fuzz_target(fuzz_report_template
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/fuzz_report_template.cpp
    LIBS engine test_support GTest::gtest INSTRUMENT engine)
if(TARGET fuzz_report_template)
    target_include_directories(fuzz_report_template PRIVATE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/fuzz)
endif()
