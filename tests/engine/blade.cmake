# Blade-cut geometry, composition and the adapter on the working records.
brelon_add_test(engine_blade_tests LABEL engine
    SOURCES
        ${CMAKE_CURRENT_SOURCE_DIR}/blade_geometry_test.cpp
        ${CMAKE_CURRENT_SOURCE_DIR}/blade_composition_test.cpp
        ${CMAKE_CURRENT_SOURCE_DIR}/blade_turn_test.cpp
        ${CMAKE_CURRENT_SOURCE_DIR}/blade_adapter_test.cpp
        ${CMAKE_CURRENT_SOURCE_DIR}/blade_reach_test.cpp
    LIBS engine test_support)
