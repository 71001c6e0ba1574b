// A shared library with one exported function, loaded by the dynamic library tests.
extern "C" __attribute__((visibility("default"))) int PlatTestAnswer(int x) { return x * 2 + 1; }
