# Common compile options and small helpers shared by every folder.
set(BRELON_WARNINGS -Wall -Wextra -Wformat=2 -Werror=format)
if(BRELON_WERROR)
    list(APPEND BRELON_WARNINGS -Werror)
endif()
# Same numbers on every build: no contraction of multiply-add, no fast math.
add_compile_options(-ffp-contract=off)

if(BRELON_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()

# brelon_target_defaults(<target>): warnings for our own code.
function(brelon_target_defaults target)
    target_compile_options(${target} PRIVATE ${BRELON_WARNINGS})
endfunction()

# brelon_add_test(<name> LABEL <label> SOURCES <files...> LIBS <libs...>)
# One GoogleTest executable whose cases are discovered into CTest with the label.
# tests/support/gtest_main.cpp adopts the environment's locale first, so a run under
# LC_ALL=it_IT.UTF-8 proves that numbers are printed and parsed in the C locale.
function(brelon_add_test name)
    cmake_parse_arguments(T "" "LABEL;TIMEOUT" "SOURCES;LIBS;PROPERTIES" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    brelon_target_defaults(${name})
    target_link_libraries(${name} PRIVATE ${T_LIBS} brelon_test_main GTest::gtest)
    target_compile_definitions(${name} PRIVATE
        BRELON_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
        BRELON_BINARY_DIR="${CMAKE_BINARY_DIR}")
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 120)
    endif()
    gtest_discover_tests(${name}
        PROPERTIES LABELS ${T_LABEL} TIMEOUT ${T_TIMEOUT} ${T_PROPERTIES}
        DISCOVERY_TIMEOUT 60)
endfunction()
include(GoogleTest)
