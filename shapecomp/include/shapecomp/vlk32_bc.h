#pragma once
// Entry points of libvlk32_bc.so, bound by name (dlsym) by the program.
#include <cstdint>

extern "C" {

// Copies the version text "3.0" with a bounded copy of `length` characters (zero-filled when
// shorter; no terminator added when it does not fit). Returns 1.
int32_t GetVlkVersion(char* buffer, int32_t length);

// Obsolete entry points: they read nothing and return -1.
int32_t CompilaSpeciale(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t);
int32_t CompilaSpeciale2(const char*, const char*, const char*, int32_t, int32_t, char, int32_t);

// Compiles a shape file into numbered blocks appended to `outputProgram`, starting at
// *lineCounter and leaving it one past the last block written. Without an output program it
// only tests that the shape file opens. 0 done, -1 failed (also when the tool path would cut
// into the contour: the message sink is told the shape file and the element), -2 shape file not
// opened.
int32_t CompilaSpeciale3(const char* workDirectory, const char* shapeFile, const char* suffix, int32_t unused,
                         int32_t* lineCounter, const char* outputProgram, int32_t toolDiameter);

// Replaces the library's message output (geometry without a solution, a tool path cutting into
// its contour, read-only temporary file) with the caller's function, usually a message box; null restores the default.
typedef void (*VlkMessageFn)(void* context, const char* text, const char* caption);
void VlkSetMessageSink(VlkMessageFn fn, void* context);

typedef int32_t (*GetVlkVersionFn)(char*, int32_t);
typedef int32_t (*CompilaSpeciale3Fn)(const char*, const char*, const char*, int32_t, int32_t*, const char*, int32_t);
typedef void (*VlkSetMessageSinkFn)(VlkMessageFn, void*);

} // extern "C"
