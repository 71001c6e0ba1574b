# The operator's views of a job: bar list, bar and pieces, end of list.
brelon_add_test(job_views_tests LABEL views
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/views_test.cpp ${CMAKE_CURRENT_SOURCE_DIR}/app_fixture.cpp
    LIBS app_core Qt6::Test
    PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen)
target_include_directories(job_views_tests PRIVATE ${CMAKE_SOURCE_DIR}/simcnc/include)
add_dependencies(job_views_tests Brelon3 UvenlibVB vlk32_bc)
