# A listing of every numeric field with its range, unit and minus, printed from the shared
# tables; built with the tests, run by hand (not a test).
add_executable(number_fields_dump ${CMAKE_CURRENT_SOURCE_DIR}/number_fields_dump.cpp)
brelon_target_defaults(number_fields_dump)
target_link_libraries(number_fields_dump PRIVATE ui)
target_compile_definitions(number_fields_dump PRIVATE BRELON_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
