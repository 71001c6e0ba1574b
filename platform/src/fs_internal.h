#pragma once
// Internal helpers shared by the platform sources (not part of the public interface).
#include <string>
#include <string_view>

#include "platform/paths.h"

namespace plat::detail {

// Called after the temporary file is written and synced, before the rename; returning
// false abandons the commit (the temporary file is left in place, as after a crash).
using CommitHook = bool (*)(const char* tempPath, const char* finalPath);

// How much a commit makes durable. Full: fsync of the temporary file, rename, fsync of the
// folder (the new content survives a crash once the call returns). DataOnly: fdatasync of the
// temporary file and rename (a crash leaves the old or the new content whole).
enum class CommitSync { Full, DataOnly };

// Writes data to finalPath (already a native path) through a temporary file in the same
// folder, sync and rename. On failure the original is untouched and the temporary file
// removed (unless the hook abandoned the commit).
// errno tells why a commit failed.
bool CommitFile(const std::string& finalPath, const std::string& data, CommitHook hook,
                CommitSync sync = CommitSync::Full);

// The errno a test has injected for this read or write of the native path; 0 for none.
int InjectedFault(const std::string& nativePath, FileOp op);

} // namespace plat::detail
