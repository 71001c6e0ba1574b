#include "dxf/file_stamp.h"

#include <sys/stat.h>

#include <string>

#include "platform/paths.h"

MFileStamp FileStampOf(std::string_view path) {
    MFileStamp s;
    if (path.empty()) return s;
    const std::string native = plat::FindExisting(path);
    struct stat st {};
    if (native.empty() || ::stat(native.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return s;
    s.present = true;
    s.size = static_cast<int64_t>(st.st_size);
    s.modifiedNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    s.changedNs = static_cast<int64_t>(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    s.device = static_cast<uint64_t>(st.st_dev);
    s.inode = static_cast<uint64_t>(st.st_ino);
    return s;
}
