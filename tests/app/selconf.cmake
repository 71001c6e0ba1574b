# Bar selection and bar confirmation: their decisions, and both dialogs offscreen on a demo list.
brelon_add_test(job_selconf_tests LABEL job
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/selconf_logic_test.cpp ${CMAKE_CURRENT_SOURCE_DIR}/selconf_dialog_test.cpp
            ${CMAKE_CURRENT_SOURCE_DIR}/app_fixture.cpp
    LIBS app_core test_support Qt6::Test
    PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen)
target_include_directories(job_selconf_tests PRIVATE ${CMAKE_SOURCE_DIR}/simcnc/include)
add_dependencies(job_selconf_tests Brelon3 UvenlibVB vlk32_bc)
