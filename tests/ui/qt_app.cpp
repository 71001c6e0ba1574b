// Leak checking of the test program: fontconfig keeps caches for the process's lifetime,
// which the leak checker reports at exit; they are not ours.
extern "C" const char* __lsan_default_suppressions();
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig\n"; }
