# Structural check of composed labels, measured from the ZPL alone.
brelon_add_test(labelprint_structure_tests LABEL labelprint
    SOURCES structure_test.cpp label_ink.cpp label_test_util.cpp
    LIBS labelprint_core platform dxf)
