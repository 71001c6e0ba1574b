#pragma once
// Compile driver behind CompilaSpeciale3: resolves the paths, compiles the shape into a
// temporary ".iso" file beside it, and appends the numbered blocks to the caller's program.
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "shapecomp/shape.h"

namespace shapecomp {

// Results of a compile.
inline constexpr int32_t kCompileDone = 0;
inline constexpr int32_t kCompileFailed = -1;
inline constexpr int32_t kShapeNotOpened = -2;

// Lines of the temporary file that precede the blocks (the comment header).
inline constexpr int kSkippedHeaderLines = 5;

int32_t CompileSpecial(const char* workDir, const char* shapePath, const char* suffix, int32_t* counter,
                       const char* outPath, int32_t toolDiameter);

// The operator's text of a refused shape file: "Error: SHAPE <file>: line <n>: <what>.", the
// file as the caller named it.
std::string ShapeFaultMessage(const char* shapeFile, const ShapeFileFault& fault);

// A stored (Windows-style) or native path as a native path; relative paths are taken from
// the work directory instead of the process's current directory.
std::string ResolvePath(const char* workDir, const char* path);

// The temporary file beside the shape: the file-name part's extension replaced by ".iso".
// False for a name without extension, or one that already ends in ".iso" (compared ignoring
// case): compiling it would overwrite the shape.
bool TemporaryIsoPath(const std::string& shapePath, std::string& tmpPath);

// Removes a temporary file left by an earlier run (that exact file). A read-only one is
// reported ("Error: READ_ONLY <path> file.", caption "VLK.DLL") and kept: false.
bool RemoveStaleTemporary(const std::string& tmpPath);

// Gives `target` the modification time of `source`; 1 on success, 0 otherwise.
int CopyFileTime(const std::string& source, const std::string& target);

// Appends every line of the temporary file's text after its first five to `out` as
// "N<counter> <line>" with CR LF, advancing the counter by one per line (LF or CR LF accepted).
// The counter moves only when everything was written. Returns kCompileDone or kCompileFailed.
int32_t AppendNumberedLines(std::string_view tmpText, FILE* out, int32_t* counter);

} // namespace shapecomp
