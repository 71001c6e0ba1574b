// Compile driver: one shape file compiled and appended to a part program.
//
// Paths are resolved explicitly against the work directory, so the process's current
// directory is never changed.
#include "shapecomp/driver.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cinttypes>
#include <cstring>
#include <limits>
#include <new>
#include <unistd.h>

#include "platform/paths.h"
#include "platform/text.h"
#include "shapecomp/compensation.h"
#include "shapecomp/generator.h"
#include "shapecomp/gouge.h"
#include "shapecomp/message_sink.h"
#include "shapecomp/shape.h"

namespace shapecomp {

std::string ShapeFaultMessage(const char* shapeFile, const ShapeFileFault& fault) {
    return plat::StrFormatC("Error: SHAPE %s: line %d: %s.", shapeFile ? shapeFile : "", static_cast<int>(fault.line),
                            fault.what.c_str());
}

std::string ResolvePath(const char* workDir, const char* path) {
    if (!path || !*path) return {};
    std::string native = plat::NativePath(path);
    if (native.empty() || native[0] == '/' || !workDir || !*workDir) return native;
    std::string base = plat::NativePath(workDir);
    if (!base.empty() && base.back() != '/') base += '/';
    return base + native;
}

bool TemporaryIsoPath(const std::string& shapePath, std::string& tmpPath) {
    const size_t slash = shapePath.find_last_of('/');
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const size_t dot = shapePath.find_last_of('.');
    if (dot == std::string::npos || dot < nameStart) return false;
    if (plat::EqualsNoCase(std::string_view(shapePath).substr(dot), ".iso")) return false;
    tmpPath = shapePath.substr(0, dot) + ".iso";
    return true;
}

bool RemoveStaleTemporary(const std::string& tmpPath) {
    struct stat st;
    if (::lstat(tmpPath.c_str(), &st) != 0) return errno == ENOENT;
    const bool readOnly = S_ISREG(st.st_mode) && (st.st_mode & 0222) == 0;
    if (!readOnly && ::unlink(tmpPath.c_str()) == 0) return true;
    if (readOnly || errno == EACCES || errno == EPERM || errno == EROFS) {
        const std::string text = "Error: READ_ONLY " + tmpPath + " file.";
        ShowMessage(text.c_str(), "VLK.DLL");
    }
    return false;
}

int CopyFileTime(const std::string& source, const std::string& target) {
    struct stat st;
    if (::stat(source.c_str(), &st) != 0) return 0;
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    return ::utimensat(AT_FDCWD, target.c_str(), times, 0) == 0 ? 1 : 0;
}

int32_t AppendNumberedLines(std::string_view text, FILE* out, int32_t* counter) {
    int64_t n = *counter;
    int lineNo = 0;
    size_t pos = 0;
    char number[24];
    std::string chunk; // written in pieces of about 64 KiB
    chunk.reserve(70000);
    auto flushChunk = [&] {
        const bool ok = std::fwrite(chunk.data(), 1, chunk.size(), out) == chunk.size();
        chunk.clear();
        return ok;
    };
    while (pos < text.size()) {
        size_t eol = text.find('\n', pos);
        size_t end = eol == std::string_view::npos ? text.size() : eol;
        const size_t next = eol == std::string_view::npos ? text.size() : eol + 1;
        if (end > pos && text[end - 1] == '\r') --end;
        if (++lineNo > kSkippedHeaderLines) {
            if (n > std::numeric_limits<int32_t>::max()) return kCompileFailed;
            chunk.append(number, static_cast<size_t>(std::snprintf(number, sizeof number, "N%" PRId64 " ", n)));
            chunk.append(text, pos, end - pos);
            chunk += "\r\n";
            ++n;
            if (chunk.size() >= 65536 && !flushChunk()) return kCompileFailed;
        }
        pos = next;
    }
    if (!flushChunk() || std::fflush(out) != 0) return kCompileFailed;
    *counter = static_cast<int32_t>(n);
    return kCompileDone;
}

namespace {

// Whether the shape file exists as a regular file and opens for reading.
bool ShapeOpens(const std::string& path) {
    if (path.empty() || !plat::IsRegularFile(path)) return false;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    std::fclose(f);
    return true;
}

int32_t Compile(const char* workDir, const char* shapePath, const char* suffix, int32_t* counter,
                const char* outPath, int32_t toolDiameter) {
    const std::string shape = shapePath ? plat::FindExisting(ResolvePath(workDir, shapePath)) : std::string();
    const bool shapeOk = ShapeOpens(shape);

    // Without an output program the call only tests that the shape file opens.
    if (!outPath) return shapeOk ? kCompileDone : kShapeNotOpened;
    if (!counter) return kCompileFailed;

    std::string text;
    if (!shapeOk || !plat::ReadWholeFile(shape, text)) return kShapeNotOpened;
    // A tool of no diameter has no offset and makes a spiral that never advances.
    if (toolDiameter <= 0) return kCompileFailed;
    std::string tmp;
    if (!TemporaryIsoPath(shape, tmp)) return kCompileFailed;

    // Everything that can refuse the shape runs before the caller's program is opened, so a
    // refused shape leaves it as it was, byte for byte.
    ShapeDescription description;
    ShapeFileFault fault;
    if (!ReadShapeFile(text, description, &fault)) {
        ShowMessage(ShapeFaultMessage(shapePath, fault).c_str(), "VLK.DLL");
        return kCompileFailed;
    }
    if (!CheckSpecialCycle(description, text, fault)) {
        ShowMessage(ShapeFaultMessage(shapePath, fault).c_str(), "VLK.DLL");
        return kCompileFailed;
    }
    description.toolDiameter = toolDiameter;
    const ShapeDescription drawn = description;
    CalcolaCoordinateGrafiche(description, 0);
    ComputeArcCentres(description);
    // A path that cuts into the contour would spoil the piece: refused, with the element named.
    const Gouge gouge = FindGouge(drawn, description);
    if (gouge.found) {
        ShowMessage(GougeMessage(shapePath, gouge, toolDiameter).c_str(), "VLK.DLL");
        return kCompileFailed;
    }
    if (!RemoveStaleTemporary(tmp)) return kCompileFailed;
    std::string generated;
    const OutputState before = GeneratorState();
    fault = ShapeFileFault{};
    if (!CompilaUven(description, tmp, suffix ? suffix : "", text, &generated, &fault)) {
        // A number the controller cannot take is named with its line; a file that cannot be
        // written has no line to name.
        if (fault.line != 0) ShowMessage(ShapeFaultMessage(shapePath, fault).c_str(), "VLK.DLL");
        return kCompileFailed;
    }

    FILE* out = plat::OpenFile(ResolvePath(workDir, outPath), "ab");
    if (!out) {
        // The blocks could not be appended: not a success, and the controller received nothing.
        GeneratorState() = before;
        ::unlink(tmp.c_str());
        return kCompileFailed;
    }
    // The blocks are the temporary file's lines; its text is still at hand, so it is not read
    // back from the disk.
    CopyFileTime(shape, tmp);
    int32_t rc = AppendNumberedLines(generated, out, counter);
    if (std::fclose(out) != 0) rc = kCompileFailed;
    if (rc != kCompileDone) GeneratorState() = before;
    ::unlink(tmp.c_str());
    return rc;
}

} // namespace

int32_t CompileSpecial(const char* workDir, const char* shapePath, const char* suffix, int32_t* counter,
                       const char* outPath, int32_t toolDiameter) {
    try {
        return Compile(workDir, shapePath, suffix, counter, outPath, toolDiameter);
    } catch (const std::bad_alloc&) {
        return kCompileFailed;
    }
}

} // namespace shapecomp
