#pragma once
// What tells, without reading it, whether a drawing file still holds what was read from it: a
// drawing kept in memory is used again only while its file's stamp is the same.
#include <cstdint>
#include <string_view>

struct MFileStamp {
    bool present = false; // a regular file was found at the path
    int64_t size = 0;
    int64_t modifiedNs = 0; // modification time, nanoseconds
    // Beside size and modification time, the file's identity and its change time: a drawing
    // copied over with its old time kept, or replaced by another file through a rename, is also
    // read anew.
    uint64_t device = 0;
    uint64_t inode = 0;
    int64_t changedNs = 0;

    friend bool operator==(const MFileStamp&, const MFileStamp&) = default;
};

// The stamp of the file at a Windows-style or native path (matched without regard to case, as
// ReadDXF opens it). A missing path, a folder or a file that cannot be examined is not present.
MFileStamp FileStampOf(std::string_view path);
