// Test entry point shared by every test executable.
#include <clocale>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // Adopt the locale of the environment (LC_ALL=it_IT.UTF-8 in one run of the suite):
    // every number the system prints or parses must still use the C conventions.
    std::setlocale(LC_ALL, "");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
