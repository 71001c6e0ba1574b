#pragma once
// Damaged files for the readers' fuzz targets and bounded mutation tests: one exercise
// function per reader takes the bytes of a file and answers what went wrong (empty when the
// reader behaved), the libFuzzer entry point feeds it the fuzzer's inputs, and a mutation test
// feeds it a few thousand damaged copies of valid files from a fixed seed. Standard library
// and POSIX only, so every test folder can use it.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <system_error>
#include <vector>

namespace mutation {

inline bool WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(f);
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

// A folder of its own for the process, removed at exit (a fuzzer that stops on a finding
// leaves it behind, which helps to look at what the reader saw). On a memory file system when
// there is one: the configuration writers sync every file they replace, thousands of times.
inline std::string ProcessDir(const char* tag) {
    static std::vector<std::string> made;
    const std::filesystem::path base =
        ::access("/dev/shm", W_OK) == 0 ? std::filesystem::path("/dev/shm") : std::filesystem::temp_directory_path();
    std::string dir = (base / (std::string("brelon-") + tag + "-" + std::to_string(::getpid()))).string();
    std::filesystem::create_directories(dir);
    if (made.empty()) {
        std::atexit([] {
            std::error_code ec;
            for (const std::string& d : made) std::filesystem::remove_all(d, ec);
        });
    }
    made.push_back(dir);
    return dir;
}

// One to four kinds of damage: a byte changed, a bit flipped, the file cut, a run of bytes
// dropped or repeated, a token of the format put in, a line end changed.
inline void Damage(std::string& bytes, std::mt19937& rng, const std::vector<std::string>& tokens) {
    const int count = 1 + static_cast<int>(rng() % 4);
    for (int m = 0; m < count; ++m) {
        const std::size_t at = bytes.empty() ? 0 : rng() % bytes.size();
        const std::size_t run = 1 + rng() % 16;
        switch (rng() % 8) {
        case 0:
            if (!bytes.empty()) bytes[at] = static_cast<char>(rng());
            break;
        case 1:
            if (!bytes.empty()) bytes[at] = static_cast<char>(bytes[at] ^ (1u << (rng() % 8)));
            break;
        case 2: bytes.resize(at); break;
        case 3: bytes.erase(at, run); break;
        case 4: bytes.insert(at, bytes.substr(at, run)); break;
        case 5:
            if (!tokens.empty()) bytes.insert(at, tokens[rng() % tokens.size()]);
            break;
        case 6: {
            static const std::string kEnds[] = {"\r\n", "\n", "\r", std::string(1, '\0'), "\n\r"};
            bytes.insert(at, kEnds[rng() % std::size(kEnds)]);
            break;
        }
        default: bytes.insert(at, run * (1 + rng() % 64), static_cast<char>(rng())); break;
        }
    }
}

struct Outcome {
    int rounds = 0;
    std::string firstProblem; // "round N: what went wrong", empty when every round passed
};

// Rounds of damaged seeds (seed round % count, then Damage) through the exercise function.
inline Outcome Run(const std::vector<std::string>& seeds, const std::vector<std::string>& tokens, int rounds,
                   uint32_t seed, const std::function<std::string(const std::string&)>& exercise) {
    Outcome out;
    std::mt19937 rng(seed);
    for (int r = 0; r < rounds && out.firstProblem.empty(); ++r) {
        std::string bytes = seeds[static_cast<std::size_t>(r) % seeds.size()];
        Damage(bytes, rng, tokens);
        const std::string problem = exercise(bytes);
        if (!problem.empty()) out.firstProblem = "round " + std::to_string(r) + ": " + problem;
        ++out.rounds;
    }
    return out;
}

// The libFuzzer side: a problem is a finding.
inline int FuzzOne(const uint8_t* data, std::size_t size, const std::function<std::string(const std::string&)>& exercise) {
    const std::string problem = exercise(std::string(reinterpret_cast<const char*>(data), size));
    if (!problem.empty()) {
        std::fprintf(stderr, "reader fault: %s\n", problem.c_str());
        std::abort();
    }
    return 0;
}

} // namespace mutation
