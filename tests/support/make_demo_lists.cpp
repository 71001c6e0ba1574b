// Writes the demo bar lists into the folder given (the shipped ones live in demo/LDA/).
#include <cstdio>

#include "test_support/lda_writer.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_demo_lists <folder>\n");
        return 2;
    }
    if (!ldatest::WriteDemoLists(argv[1])) {
        std::fprintf(stderr, "make_demo_lists: cannot write into %s\n", argv[1]);
        return 1;
    }
    return 0;
}
