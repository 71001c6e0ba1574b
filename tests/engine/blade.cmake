# Blade-cut geometry and composition.
brelon_add_test(engine_blade_tests LABEL engine
    SOURCES
        ${CMAKE_CURRENT_SOURCE_DIR}/blade_geometry_test.cpp
        ${CMAKE_CURRENT_SOURCE_DIR}/blade_composition_test.cpp
    LIBS engine)
