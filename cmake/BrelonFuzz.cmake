# brelon_add_fuzz_target(<name> SOURCES <files...> LIBS <libs...> [INSTRUMENT <libs...>])
# A libFuzzer target of one reader, built only with -DBRELON_FUZZ=ON and clang. The libraries
# named by INSTRUMENT are built with coverage for the fuzzer, so it sees into the reader.
# Without -DBRELON_SANITIZE=ON the target brings ASan and UBSan along itself.
function(brelon_add_fuzz_target name)
    if(NOT (BRELON_FUZZ AND CMAKE_CXX_COMPILER_ID MATCHES "Clang"))
        return()
    endif()
    cmake_parse_arguments(F "" "" "SOURCES;LIBS;INSTRUMENT" ${ARGN})
    if(BRELON_SANITIZE)
        set(flags -fsanitize=fuzzer)
    else()
        set(flags -fsanitize=fuzzer,address,undefined)
    endif()
    foreach(lib IN LISTS F_INSTRUMENT)
        target_compile_options(${lib} PRIVATE -fsanitize=fuzzer-no-link)
    endforeach()
    add_executable(${name} ${F_SOURCES})
    brelon_target_defaults(${name})
    target_compile_options(${name} PRIVATE ${flags})
    target_link_options(${name} PRIVATE ${flags})
    target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests/support/include)
    target_compile_definitions(${name} PRIVATE
        BRELON_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
        BRELON_BINARY_DIR="${CMAKE_BINARY_DIR}")
    target_link_libraries(${name} PRIVATE ${F_LIBS})
endfunction()
