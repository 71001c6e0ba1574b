// Every case of tests/fixtures/ini_cases.txt as one parameterised test: the file before,
// one profile call, and what the call returns, leaves in the buffer and leaves on disk.
#include "platform/profile.h"
#include "test_dir.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <fstream>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

namespace {

using plat_test::ReadBytes;
using plat_test::TempDir;
using plat_test::WriteBytes;

using Arg = std::optional<std::string>; // nullopt: a null pointer

struct Call {
    std::string fn; // GPPS, GPPI, WPPS
    std::vector<Arg> args;
    long number = 0; // n= for GPPS, def= for GPPI
};

struct Case {
    std::string id;
    int line = 0;
    bool noFile = false;    // the chain starts without a file
    std::string initial;    // file bytes at the start of the chain
    bool inMissingDir = false;
    std::vector<Call> before; // writes of earlier lines of the chain, replayed first
    Call call;
    long long ret = 0;
    std::optional<long long> intValue;
    std::optional<std::string> buf; // shown bytes
    bool untouched = false;
    std::optional<size_t> strLen;
    std::optional<std::string> last3;
    std::optional<std::string> after;
    bool afterNoFile = false;
};

std::string Escaped(const std::string& s) {
    std::string out;
    for (unsigned char c : s) {
        switch (c) {
        case '\r': out += "\\r"; break;
        case '\n': out += "\\n"; break;
        case '\t': out += "\\t"; break;
        case '\0': out += "\\0"; break;
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        default:
            if (c < 0x20 || c >= 0x7F) {
                char b[8];
                std::snprintf(b, sizeof b, "\\x%02X", c);
                out += b;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    return out;
}

// Parses a quoted string at s[pos] ('"'), advancing pos past the closing quote.
std::string ParseQuoted(const std::string& s, size_t& pos) {
    if (pos >= s.size() || s[pos] != '"') throw std::runtime_error("expected a string at: " + s.substr(pos));
    ++pos;
    std::string out;
    while (pos < s.size() && s[pos] != '"') {
        char c = s[pos++];
        if (c != '\\') {
            out += c;
            continue;
        }
        if (pos >= s.size()) throw std::runtime_error("bad escape");
        char e = s[pos++];
        switch (e) {
        case 'r': out += '\r'; break;
        case 'n': out += '\n'; break;
        case 't': out += '\t'; break;
        case '0': out += '\0'; break;
        case '"': out += '"'; break;
        case '\\': out += '\\'; break;
        case 'x': {
            out += static_cast<char>(std::stoi(s.substr(pos, 2), nullptr, 16));
            pos += 2;
            break;
        }
        case 'A': { // \A<count>; letters a..z repeating
            size_t semi = s.find(';', pos);
            long count = std::stol(s.substr(pos, semi - pos));
            for (long i = 0; i < count; ++i) out += static_cast<char>('a' + i % 26);
            pos = semi + 1;
            break;
        }
        default: throw std::runtime_error(std::string("unknown escape \\") + e);
        }
    }
    if (pos >= s.size()) throw std::runtime_error("unterminated string");
    ++pos;
    return out;
}

Call ParseCall(const std::string& text) {
    Call c;
    size_t open = text.find('(');
    c.fn = text.substr(0, open);
    size_t pos = open + 1;
    while (pos < text.size() && text[pos] != ')') {
        if (text[pos] == '"') {
            c.args.emplace_back(ParseQuoted(text, pos));
        } else if (text.compare(pos, 4, "NULL") == 0) {
            c.args.emplace_back(std::nullopt);
            pos += 4;
        } else if (text.compare(pos, 2, "n=") == 0 || text.compare(pos, 4, "def=") == 0) {
            pos = text.find('=', pos) + 1;
            size_t used = 0;
            c.number = std::stol(text.substr(pos), &used);
            pos += used;
        } else {
            throw std::runtime_error("bad call: " + text);
        }
        if (pos < text.size() && text[pos] == ',') ++pos;
    }
    return c;
}

std::vector<std::string> SplitFields(const std::string& line) {
    std::vector<std::string> out;
    size_t pos = 0;
    for (;;) {
        size_t bar = line.find(" | ", pos);
        out.push_back(line.substr(pos, bar == std::string::npos ? std::string::npos : bar - pos));
        if (bar == std::string::npos) break;
        pos = bar + 3;
    }
    return out;
}

std::vector<Case> LoadCases() {
    std::vector<Case> cases;
    std::ifstream in(std::string(BRELON_SOURCE_DIR) + "/tests/fixtures/ini_cases.txt", std::ios::binary);
    std::string line;
    int lineNo = 0;
    bool chainNoFile = true;
    std::string chainInitial;
    std::vector<Call> chainWrites;
    while (std::getline(in, line)) {
        ++lineNo;
        if (line.empty() || line[0] == '#') continue;
        std::vector<std::string> f = SplitFields(line);
        if (f.size() < 4) throw std::runtime_error("short case line " + std::to_string(lineNo));
        Case c;
        c.id = f[0];
        c.line = lineNo;
        if (c.id.rfind("nodir\\", 0) == 0) {
            c.inMissingDir = true;
            c.id = c.id.substr(6);
        }
        if (f[1] == "(same file)" || f[1] == "(previous result)") {
            // continues the chain
        } else {
            chainWrites.clear();
            chainNoFile = f[1] == "<nofile>";
            chainInitial.clear();
            if (!chainNoFile) {
                size_t p = 0;
                chainInitial = ParseQuoted(f[1], p);
            }
        }
        c.noFile = chainNoFile;
        c.initial = chainInitial;
        c.before = chainWrites;
        c.call = ParseCall(f[2]);
        for (size_t i = 3; i < f.size(); ++i) {
            const std::string& e = f[i];
            if (e.rfind("ret=", 0) == 0) {
                size_t used = 0;
                c.ret = std::stoll(e.substr(4), &used);
                size_t paren = e.find("(int ");
                if (paren != std::string::npos) c.intValue = std::stoll(e.substr(paren + 5));
            } else if (e.rfind("buf=", 0) == 0) {
                if (e == "buf=(untouched)") {
                    c.untouched = true;
                } else {
                    size_t p = 4;
                    c.buf = ParseQuoted(e, p);
                }
            } else if (e.rfind("strlen=", 0) == 0) {
                c.strLen = std::stoul(e.substr(7));
                size_t p = e.find("last3=") + 6;
                c.last3 = ParseQuoted(e, p);
            } else if (e.rfind("after=", 0) == 0) {
                if (e == "after=<nofile>") {
                    c.afterNoFile = true;
                } else {
                    size_t p = 6;
                    c.after = ParseQuoted(e, p);
                }
            } else if (e.rfind("err=", 0) == 0 || e.rfind("rule=", 0) == 0) {
                // not checked (see the fixture's header)
            } else {
                throw std::runtime_error("unknown expectation '" + e + "' on line " + std::to_string(lineNo));
            }
        }
        if (c.call.fn == "WPPS") chainWrites.push_back(c.call);
        cases.push_back(std::move(c));
    }
    return cases;
}

const std::vector<Case>& AllCases() {
    static const std::vector<Case> cases = LoadCases();
    return cases;
}

// Short description in failure messages instead of a byte dump.
void PrintTo(const Case& c, std::ostream* os) { *os << c.id << " (fixture line " << c.line << ")"; }

const char* P(const Arg& a) { return a ? a->c_str() : nullptr; }

bool Write(const Call& c, const std::string& file) {
    return plat::WriteProfileString(P(c.args.at(0)), P(c.args.at(1)), P(c.args.at(2)), file.c_str());
}

class ProfileCase : public ::testing::TestWithParam<Case> {};

TEST_P(ProfileCase, MatchesExpectation) {
    const Case& c = GetParam();
    SCOPED_TRACE("fixture line " + std::to_string(c.line) + " (" + c.id + ")");
    TempDir dir;
    const std::string file = c.inMissingDir ? dir / "nodir/case.ini" : dir / "case.ini";
    if (!c.noFile) WriteBytes(file, c.initial);
    for (const Call& w : c.before) Write(w, file);

    if (c.call.fn == "GPPS") {
        const uint32_t n = static_cast<uint32_t>(c.call.number);
        std::unique_ptr<char[]> buffer(new char[n ? n : 1]);
        std::memset(buffer.get(), 0xCC, n ? n : 1);
        const uint32_t r = plat::GetProfileString(P(c.call.args.at(0)), P(c.call.args.at(1)), P(c.call.args.at(2)),
                                                  buffer.get(), n, file.c_str());
        EXPECT_EQ(static_cast<long long>(r), c.ret);
        if (c.untouched) {
            for (uint32_t i = 0; i < (n ? n : 1); ++i) {
                EXPECT_EQ(static_cast<unsigned char>(buffer[i]), 0xCCu) << i;
            }
        }
        if (c.buf) {
            ASSERT_LE(c.buf->size(), n);
            EXPECT_EQ(Escaped(std::string(buffer.get(), c.buf->size())), Escaped(*c.buf));
        }
        if (c.strLen) {
            EXPECT_EQ(std::strlen(buffer.get()), *c.strLen);
            EXPECT_EQ(std::string(buffer.get() + *c.strLen - 3, 3), *c.last3);
        }
    } else if (c.call.fn == "GPPI") {
        const int32_t r = plat::GetProfileInt(P(c.call.args.at(0)), P(c.call.args.at(1)),
                                              static_cast<int32_t>(c.call.number), file.c_str());
        ASSERT_TRUE(c.intValue.has_value());
        EXPECT_EQ(r, *c.intValue);
    } else if (c.call.fn == "WPPS") {
        const bool r = Write(c.call, file);
        EXPECT_EQ(r, c.ret != 0);
    } else {
        FAIL() << "unknown call " << c.call.fn;
    }

    if (c.afterNoFile) {
        EXPECT_FALSE(std::filesystem::exists(file));
    }
    if (c.after) {
        ASSERT_TRUE(std::filesystem::exists(file));
        EXPECT_EQ(Escaped(ReadBytes(file)), Escaped(*c.after));
    }
    // No temporary file may be left beside the profile.
    if (std::filesystem::exists(file)) {
        size_t entries = 0;
        for (const auto& e : std::filesystem::directory_iterator(std::filesystem::path(file).parent_path())) {
            (void)e;
            ++entries;
        }
        EXPECT_EQ(entries, 1u);
    }
}

std::string CaseName(const ::testing::TestParamInfo<Case>& info) {
    std::string name;
    for (char ch : info.param.id) name += std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
    return name + "_L" + std::to_string(info.param.line);
}

INSTANTIATE_TEST_SUITE_P(Observed, ProfileCase, ::testing::ValuesIn(AllCases()), CaseName);

TEST(ProfileCases, FixtureHoldsEveryObservedCase) {
    EXPECT_EQ(AllCases().size(), 310u);
}

} // namespace
