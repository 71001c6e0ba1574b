// The bar progress record is rewritten once per finished piece. Its write (temporary file, one
// data sync, rename) beside its anchors on the same folder and the same bytes: the full-sync
// write configuration files use (fsync, rename, folder fsync), which the record used before,
// and a plain rewrite of the file with no sync at all.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "machine/bar_progress.h"
#include "machine/globals.h"
#include "platform/paths.h"

namespace {

const char* const kList = "C:\\BRELON3\\VELMO\\LDA\\ORD12.lda";
// The record WriteBarProgress(17, kList, 3) writes.
const std::string kRecord = "[STATBAR]\r\nNOMELDA=C:\\BRELON3\\VELMO\\LDA\\ORD12.lda\r\nIDBARRA=17\r\nPEZZIFATTI=3\r\n";

// A drive folder with the machine's program folder, where the progress record lives.
class Machine {
public:
    Machine() {
        root_ = (std::filesystem::temp_directory_path() / "brelon-bench-progress-XXXXXX").string();
        if (::mkdtemp(root_.data()) == nullptr) {
            root_.clear();
            return;
        }
        plat::SetDrivesRoot(root_);
        ApplyMachineVariant(1); // "C:\BRELON3\VELMO\STATBAR.TXT"
        plat::MakeDirectories("C:\\BRELON3\\VELMO\\");
    }
    ~Machine() {
        plat::SetDrivesRoot("");
        std::error_code ec;
        if (!root_.empty()) std::filesystem::remove_all(root_, ec);
    }
    bool Ok() const { return !root_.empty(); }

private:
    std::string root_;
};

void BM_BarProgressWrite(benchmark::State& state) {
    Machine machine;
    if (!machine.Ok()) return state.SkipWithError("no temporary folder");
    for (auto _ : state) {
        if (WriteBarProgress(17, kList, 3) != 0) return state.SkipWithError("progress write failed");
    }
    std::string bytes;
    if (!plat::ReadWholeFile(g_barProgressPath, bytes) || bytes != kRecord)
        state.SkipWithError("progress record differs");
}
BENCHMARK(BM_BarProgressWrite)->Unit(benchmark::kMicrosecond);

// Anchor: the full-sync write the record used before.
void BM_BarProgressWriteFullSync(benchmark::State& state) {
    Machine machine;
    if (!machine.Ok()) return state.SkipWithError("no temporary folder");
    for (auto _ : state) {
        if (!plat::WriteFileAtomic(g_barProgressPath, kRecord)) return state.SkipWithError("write failed");
    }
}
BENCHMARK(BM_BarProgressWriteFullSync)->Unit(benchmark::kMicrosecond);

// Anchor: the same bytes written over the file in place, without any sync.
void BM_BarProgressPlainWrite(benchmark::State& state) {
    Machine machine;
    if (!machine.Ok()) return state.SkipWithError("no temporary folder");
    const std::string path = plat::PathForWrite(g_barProgressPath);
    for (auto _ : state) {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (fd < 0 || ::write(fd, kRecord.data(), kRecord.size()) != static_cast<ssize_t>(kRecord.size()))
            return state.SkipWithError("write failed");
        ::close(fd);
    }
}
BENCHMARK(BM_BarProgressPlainWrite)->Unit(benchmark::kMicrosecond);

} // namespace
