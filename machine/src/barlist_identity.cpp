// The identity of an opened list: what the list was when it was read (its size, its
// modification time and a hash of every byte read), and the check, before any write-back,
// removal or re-read, that the file under the list's path is still that list.
#include <cstdint>
#include <string>

#include "machine/barlist.h"
#include "machine/error_text.h"
#include "machine/settings_support.h"
#include "platform/paths.h"

namespace {

// FNV-1a over the list's bytes: a change of any byte changes it.
uint64_t HashOfBytes(const uint8_t* bytes, std::size_t size) {
    uint64_t h = 1469598103934665603ull;
    for (std::size_t i = 0; i < size; ++i) {
        h ^= bytes[i];
        h *= 1099511628211ull;
    }
    return h;
}

} // namespace

void BarList::KeepIdentity() {
    bytesHash_ = HashOfBytes(fileBytes_.get(), fileSize_);
    identityKnown_ = plat::FileStamp(listPath_, stampSize_, stampNs_);
}

bool BarList::IsStillTheListRead() {
    if (!listChanged_) {
        int64_t size = 0, ns = 0;
        bool same = identityKnown_ && plat::FileStamp(listPath_, size, ns) && size == stampSize_ &&
                    static_cast<std::size_t>(size) == fileSize_;
        if (same) {
            // The same size and time may still be other bytes (a rewrite within the clock's
            // step): the bytes tell.
            std::string bytes;
            same = plat::ReadWholeFile(listPath_, bytes, fileSize_ + 1) && bytes.size() == fileSize_ &&
                   HashOfBytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()) == bytesHash_;
            if (same) stampNs_ = ns;
        }
        if (same) return true;
        listChanged_ = true;
    }
    SetErrorText("%s %s", MsgError("ERR_LIST_CHANGED"), listName_.c_str());
    return false;
}

