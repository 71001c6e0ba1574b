// INI profile files: reading with the semantics the configuration relies on, and writing
// in place (only the affected lines change) through a temporary file and a rename.
#include "platform/profile.h"

#include "fs_internal.h"
#include "text_internal.h"
#include "platform/paths.h"
#include "platform/text.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <string_view>

namespace plat {

namespace {

std::atomic<ProfileCommitHook> g_commitHook{nullptr};

constexpr size_t kNone = static_cast<size_t>(-1);

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

std::string_view TrimLeft(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    return s;
}

// One pair of matching double or single quotes around the whole value is removed.
std::string_view Unquote(std::string_view v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
        v.remove_prefix(1);
        v.remove_suffix(1);
    }
    return v;
}

bool HasLineBreak(const char* s) { return s && std::strpbrk(s, "\r\n") != nullptr; }

enum class Encoding { Ansi, Utf8Bom, Utf16Le };

enum class LineKind { Blank, Section, Key, Other };

struct Line {
    size_t start = 0; // offset of the first byte in the text
    size_t end = 0;   // end of the content (before the line end)
    size_t next = 0;  // start of the next line (after the line end)
    LineKind kind = LineKind::Blank;
    std::string name;  // section name or key name, trimmed, as stored in the file
    std::string value; // raw value, trimmed, quotes not yet removed
    bool hasEquals = false;
};

struct Section {
    std::string name;       // trimmed, as stored
    size_t header = kNone;  // line of "[name]"; kNone for the unnamed part before the first header
    size_t first = 0;       // first line after the header
    size_t end = 0;         // line after the last line of the section
};


// UTF-16LE -> UTF-8. A lone surrogate is kept as its own three-byte form so that the
// file converts back unchanged.
std::string Utf16LeToUtf8(std::string_view in) {
    std::string out;
    out.reserve(in.size());
    size_t i = 0;
    auto unit = [&](size_t at) {
        return static_cast<uint32_t>(static_cast<unsigned char>(in[at]) | (static_cast<unsigned char>(in[at + 1]) << 8));
    };
    while (i + 1 < in.size()) {
        uint32_t u = unit(i);
        i += 2;
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < in.size()) {
            uint32_t lo = unit(i);
            if (lo >= 0xDC00 && lo <= 0xDFFF) {
                i += 2;
                u = 0x10000 + ((u - 0xD800) << 10) + (lo - 0xDC00);
            }
        }
        detail::AppendUtf8(out, u);
    }
    return out;
}

std::string Utf8ToUtf16Le(std::string_view in) {
    std::string out;
    out.reserve(in.size() * 2);
    auto put = [&](uint32_t u) {
        out += static_cast<char>(u & 0xFF);
        out += static_cast<char>((u >> 8) & 0xFF);
    };
    size_t i = 0;
    while (i < in.size()) {
        const unsigned char c = static_cast<unsigned char>(in[i]);
        uint32_t cp = c;
        size_t len = 1;
        if (c >= 0xF0 && in.size() - i >= 4) {
            cp = ((c & 0x07u) << 18) | ((static_cast<unsigned char>(in[i + 1]) & 0x3Fu) << 12) |
                 ((static_cast<unsigned char>(in[i + 2]) & 0x3Fu) << 6) | (static_cast<unsigned char>(in[i + 3]) & 0x3Fu);
            len = 4;
        } else if (c >= 0xE0 && in.size() - i >= 3) {
            cp = ((c & 0x0Fu) << 12) | ((static_cast<unsigned char>(in[i + 1]) & 0x3Fu) << 6) |
                 (static_cast<unsigned char>(in[i + 2]) & 0x3Fu);
            len = 3;
        } else if (c >= 0xC0 && in.size() - i >= 2) {
            cp = ((c & 0x1Fu) << 6) | (static_cast<unsigned char>(in[i + 1]) & 0x3Fu);
            len = 2;
        }
        i += len;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            put(0xD800 + (cp >> 10));
            put(0xDC00 + (cp & 0x3FF));
        } else {
            put(cp);
        }
    }
    return out;
}

// A profile file in memory: its text split into lines and sections.
class IniDoc {
public:
    bool exists = false;
    int readError = 0;      // errno of a file that exists but could not be read; 0 otherwise
    Encoding encoding = Encoding::Ansi;
    std::string text;       // the file without its byte order mark (UTF-8 for Unicode files)
    std::string oddByte;    // a UTF-16 file's trailing odd byte, kept as it was
    std::string lineEnd;    // the file's line end style, for new lines
    std::vector<Line> lines;
    std::vector<Section> sections; // sections[0] is the unnamed part before the first header

    void Load(const std::string& raw, bool fileExists) {
        exists = fileExists;
        std::string_view r(raw);
        if (r.size() >= 2 && r[0] == '\xFF' && r[1] == '\xFE') {
            encoding = Encoding::Utf16Le;
            r.remove_prefix(2);
            if (r.size() % 2) oddByte = std::string(r.substr(r.size() - 1));
            text = Utf16LeToUtf8(r);
        } else if (r.size() >= 3 && r.substr(0, 3) == "\xEF\xBB\xBF") {
            encoding = Encoding::Utf8Bom;
            text = std::string(r.substr(3));
        } else {
            encoding = Encoding::Ansi;
            text = raw;
        }
        Parse();
    }

    // Bytes for the file.
    std::string Serialize() const {
        switch (encoding) {
        case Encoding::Utf8Bom: return "\xEF\xBB\xBF" + text;
        case Encoding::Utf16Le: return "\xFF\xFE" + Utf8ToUtf16Le(text) + oddByte;
        case Encoding::Ansi: break;
        }
        return text;
    }

    bool Unicode() const { return encoding != Encoding::Ansi; }
    // File text <-> the caller's Windows-1252 text.
    std::string Decode(std::string_view s) const { return Unicode() ? Utf8ToCp1252(s) : std::string(s); }
    std::string Encode(std::string_view s) const { return Unicode() ? Cp1252ToUtf8(s) : std::string(s); }

    // First section of that name (the caller's name, trimmed); null when none.
    const Section* FindSection(std::string_view name) const {
        name = Trim(name);
        for (const Section& s : sections) {
            if (EqualsNoCase(Decode(s.name), name)) return &s;
        }
        return nullptr;
    }

    // First key line of that name in the section. A line without '=' only counts when
    // withoutEquals is set and no line with '=' matches.
    size_t FindKey(const Section& sec, std::string_view key, bool withoutEquals) const {
        key = Trim(key);
        size_t bare = kNone;
        for (size_t i = sec.first; i < sec.end; ++i) {
            const Line& l = lines[i];
            if (l.kind != LineKind::Key && l.kind != LineKind::Other) continue;
            if (!EqualsNoCase(Decode(l.name), key)) continue;
            if (l.hasEquals) return i;
            if (bare == kNone) bare = i;
        }
        return withoutEquals ? bare : kNone;
    }

    // Section names as the list of all sections shows them (duplicates included).
    std::vector<std::string> SectionNames() const {
        std::vector<std::string> out;
        for (const Section& s : sections) {
            if (s.header != kNone && !s.name.empty()) out.push_back(Decode(s.name));
        }
        return out;
    }

    // Key names of a section as the list shows them: comment keys left out, the list
    // ending at a key with an empty name.
    std::vector<std::string> KeyNames(const Section& sec) const {
        std::vector<std::string> out;
        for (size_t i = sec.first; i < sec.end; ++i) {
            const Line& l = lines[i];
            if (l.kind != LineKind::Key) continue;
            if (l.name.empty()) break;
            if (l.name[0] == ';') continue;
            out.push_back(Decode(l.name));
        }
        return out;
    }

    // After a change of the text: its lines and sections found again.
    void Reparse() { Parse(); }

private:
    void Parse() {
        lines.clear();
        sections.clear();
        lineEnd.clear();
        size_t pos = 0;
        const size_t n = text.size();
        while (pos < n) {
            Line l;
            l.start = pos;
            size_t e = pos;
            while (e < n && text[e] != '\r' && text[e] != '\n') ++e;
            l.end = e;
            size_t next = e;
            if (next < n) {
                if (text[next] == '\r' && next + 1 < n && text[next + 1] == '\n') next += 2;
                else next += 1;
                if (lineEnd.empty()) lineEnd = text.substr(e, next - e);
            }
            l.next = next;
            Classify(l);
            lines.push_back(std::move(l));
            pos = next;
        }
        if (lineEnd.empty()) lineEnd = kLineEnd;

        Section top;
        top.first = 0;
        sections.push_back(top);
        for (size_t i = 0; i < lines.size(); ++i) {
            if (lines[i].kind != LineKind::Section) continue;
            sections.back().end = i;
            Section s;
            s.name = lines[i].name;
            s.header = i;
            s.first = i + 1;
            sections.push_back(std::move(s));
        }
        sections.back().end = lines.size();
    }

    void Classify(Line& l) const {
        std::string_view content(text.data() + l.start, l.end - l.start);
        // A NUL ends the line's content.
        if (size_t z = content.find('\0'); z != std::string_view::npos) content = content.substr(0, z);
        std::string_view t = Trim(content);
        if (t.empty()) {
            l.kind = LineKind::Blank;
            return;
        }
        if (t.front() == '[') {
            size_t close = t.rfind(']');
            if (close != std::string_view::npos) {
                l.kind = LineKind::Section;
                l.name = std::string(Trim(t.substr(1, close - 1)));
                return;
            }
        }
        size_t eq = t.find('=');
        if (eq == std::string_view::npos) {
            l.kind = LineKind::Other;
            l.name = std::string(t);
            return;
        }
        l.kind = LineKind::Key;
        l.hasEquals = true;
        l.name = std::string(Trim(t.substr(0, eq)));
        l.value = std::string(Trim(t.substr(eq + 1)));
    }
};

// Reads the file (through the case-insensitive lookup). A missing file is an empty doc; so is
// one that exists but cannot be read (a folder, no permission, a read error), with readError
// set: reads then give their defaults, writes refuse to replace what they could not read.
IniDoc LoadDoc(const char* file, std::string* resolvedPath = nullptr) {
    IniDoc doc;
    std::string raw;
    const std::string path = file ? FindExisting(file) : std::string();
    bool ok = false;
    if (!path.empty()) {
        // Plain files only, within the text files' bound: a pipe, a device or a broken link is
        // a file that cannot be read, said as what it is.
        ok = ReadWholeFile(path, raw, kTextFileBound);
        if (!ok) doc.readError = errno != 0 ? errno : EIO;
    }
    if (!ok) raw.clear();
    if (resolvedPath) *resolvedPath = ok ? path : std::string();
    doc.Load(raw, ok);
    return doc;
}

// Copies a single value: n-1 characters at most and a NUL; returns the count copied.
uint32_t CopyValue(std::string_view v, char* buffer, uint32_t size) {
    const size_t count = v.size() < size - 1u ? v.size() : size - 1u;
    if (count) std::memcpy(buffer, v.data(), count);
    buffer[count] = '\0';
    return static_cast<uint32_t>(count);
}

// Copies a list of names, each ended by a NUL and the list by a second NUL. A list that
// does not fit is cut to size-2 bytes and ended by two NULs; returns the count before the
// final NUL (size-2 when cut).
uint32_t CopyList(const std::vector<std::string>& names, char* buffer, uint32_t size) {
    std::string all;
    for (const std::string& name : names) {
        all += name;
        all += '\0';
    }
    if (size >= 2 && all.size() <= size - 2u) {
        if (!all.empty()) std::memcpy(buffer, all.data(), all.size());
        buffer[all.size()] = '\0';
        if (all.empty()) buffer[1] = '\0';
        return static_cast<uint32_t>(all.size());
    }
    if (size < 2) {
        buffer[0] = '\0';
        return 0;
    }
    const size_t count = size - 2u;
    std::memcpy(buffer, all.data(), count);
    buffer[count] = '\0';
    buffer[count + 1] = '\0';
    return static_cast<uint32_t>(count);
}

// A default value as the lookup returns it: trailing spaces removed (the first character
// always stays), then one pair of quotes removed.
std::string_view DefaultForValue(const char* defaultValue) {
    std::string_view d = defaultValue ? defaultValue : "";
    while (d.size() > 1 && d.back() == ' ') d.remove_suffix(1);
    return Unquote(d);
}

// The value of key in section, quotes removed; false when the key or section is missing.
bool LookupValue(const IniDoc& doc, const char* section, const char* key, std::string& out) {
    const Section* sec = doc.FindSection(section);
    if (!sec) return false;
    size_t li = doc.FindKey(*sec, key, false);
    if (li == kNone) return false;
    out = doc.Decode(Unquote(doc.lines[li].value));
    return true;
}

// strtol-like with our limits: optional blanks and sign, "0x" hexadecimal, decimal
// otherwise, stop at the first non-digit, no digits gives 0. Results that fit 32 bits
// (-2^31 .. 2^32-1) keep their 32-bit pattern, as stored unsigned values rely on;
// anything beyond is clamped to INT32_MAX / INT32_MIN instead of wrapping.
int32_t ParseProfileInt(std::string_view v) {
    size_t i = 0;
    while (i < v.size() && IsBlank(v[i])) ++i;
    bool negative = false;
    if (i < v.size() && (v[i] == '+' || v[i] == '-')) {
        negative = v[i] == '-';
        ++i;
    }
    int base = 10;
    if (i + 1 < v.size() && v[i] == '0' && v[i + 1] == 'x') {
        base = 16;
        i += 2;
    }
    const uint64_t kLimit = 0x1FFFFFFFFull; // enough to know it is beyond 32 bits
    uint64_t mag = 0;
    for (; i < v.size(); ++i) {
        const char c = v[i];
        int d;
        if (c >= '0' && c <= '9') d = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f') d = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F') d = c - 'A' + 10;
        else break;
        mag = mag * static_cast<uint64_t>(base) + static_cast<uint64_t>(d);
        if (mag > kLimit) mag = kLimit;
    }
    if (negative) {
        if (mag > 0x80000000ull) return INT32_MIN;
        return static_cast<int32_t>(-static_cast<int64_t>(mag));
    }
    if (mag > 0xFFFFFFFFull) return INT32_MAX;
    return static_cast<int32_t>(static_cast<uint32_t>(mag));
}

// Writes the new text of the document when it differs from what the file holds.
bool Commit(const IniDoc& doc, const std::string& originalBytes, const std::string& existingPath,
            const char* file) {
    std::string bytes = doc.Serialize();
    if (doc.exists && bytes == originalBytes) return true; // nothing changed: leave the file alone
    std::string target = existingPath.empty() ? PathForWrite(file) : existingPath;
    return detail::CommitFile(target, bytes, g_commitHook.load());
}

// Applies one write (as WriteProfileString describes it) to the document's text; its lines are
// parsed again after a change, so that further writes find them.
void ApplyWrite(IniDoc& doc, const char* section, const char* key, const char* value) {
    const bool deleting = key == nullptr || value == nullptr;
    if (!doc.exists && doc.text.empty() && deleting) return; // nothing to delete

    const Section* sec = doc.FindSection(section);
    std::string& text = doc.text;

    if (key == nullptr) { // delete the section: its header and every line up to the next one
        if (!sec) return;
        const size_t from = sec->header != kNone ? sec->header : sec->first;
        if (from >= sec->end) return;
        const size_t begin = doc.lines[from].start;
        const size_t end = sec->end < doc.lines.size() ? doc.lines[sec->end].start : text.size();
        text.erase(begin, end - begin);
        doc.Reparse();
        return;
    }

    if (value == nullptr) { // delete the key's line
        if (!sec) return;
        const size_t li = doc.FindKey(*sec, key, true);
        if (li == kNone) return;
        const Line& l = doc.lines[li];
        text.erase(l.start, l.next - l.start);
        doc.Reparse();
        return;
    }

    const std::string newValue = doc.Encode(TrimLeft(value));
    if (sec) {
        const size_t li = doc.FindKey(*sec, key, true);
        if (li != kNone) {
            const Line& l = doc.lines[li];
            // The same value (blanks around it aside) is already stored: leave the file alone.
            if (l.hasEquals && Trim(l.value) == Trim(newValue)) return;
            const std::string line = l.name + "=" + newValue;
            text.replace(l.start, l.end - l.start, line);
            doc.Reparse();
            return;
        }
        // New key: after the last non-blank line of the section (its header if none).
        const std::string newLine = doc.Encode(TrimLeft(key)) + "=" + newValue;
        size_t after = kNone;
        for (size_t i = sec->end; i > sec->first; --i) {
            if (doc.lines[i - 1].kind != LineKind::Blank) {
                after = i - 1;
                break;
            }
        }
        if (after == kNone) after = sec->header;
        if (after == kNone) { // the unnamed part holds nothing yet: the start of the file
            text.insert(0, newLine + doc.lineEnd);
        } else {
            const Line& l = doc.lines[after];
            if (l.next == l.end) { // the last line has no line end yet
                text.insert(l.end, doc.lineEnd + newLine + doc.lineEnd);
            } else {
                text.insert(l.next, newLine + doc.lineEnd);
            }
        }
        doc.Reparse();
        return;
    }

    // New section at the end of the file.
    std::string add;
    if (!text.empty() && text.back() != '\n' && text.back() != '\r') add += doc.lineEnd;
    add += "[" + doc.Encode(TrimLeft(section)) + "]" + doc.lineEnd;
    add += doc.Encode(TrimLeft(key)) + "=" + newValue + doc.lineEnd;
    text += add;
    doc.Reparse();
}

bool WritableEntry(const char* section, const char* key, const char* value) {
    // A line break in a name or value would inject lines into the file.
    return section != nullptr && !HasLineBreak(section) && !HasLineBreak(key) && !(key && HasLineBreak(value));
}

} // namespace

bool WriteProfileString(const char* section, const char* key, const char* value, const char* file) {
    return WriteProfileStrings({{section, key, value}}, file);
}

bool WriteProfileStrings(const std::vector<ProfileEntry>& entries, const char* file) {
    if (file == nullptr || *file == '\0') return false;
    for (const ProfileEntry& e : entries)
        if (!WritableEntry(e.section, e.key, e.value)) return false;

    std::string existingPath;
    IniDoc doc = LoadDoc(file, &existingPath);
    if (doc.readError != 0) { // never rewrite from nothing a file that could not be read
        errno = doc.readError;
        return false;
    }
    const std::string original = doc.exists ? doc.Serialize() : std::string();
    for (const ProfileEntry& e : entries) ApplyWrite(doc, e.section, e.key, e.value);
    if (!doc.exists && doc.text.empty()) return true; // only deletions: no file is created
    return Commit(doc, original, existingPath, file);
}

uint32_t GetProfileString(const char* section, const char* key, const char* defaultValue, char* buffer,
                          uint32_t size, const char* file) {
    if (buffer == nullptr || size == 0) return 0;
    IniDoc doc = LoadDoc(file);
    if (section == nullptr) return CopyList(doc.SectionNames(), buffer, size);
    const Section* sec = doc.FindSection(section);
    if (key == nullptr) {
        if (sec) {
            std::vector<std::string> keys = doc.KeyNames(*sec);
            if (!keys.empty()) {
                uint32_t r = CopyList(keys, buffer, size);
                if (r > 0) return r;
            }
        }
        // No keys (or no room for one): the default, as given.
        return CopyValue(defaultValue ? defaultValue : "", buffer, size);
    }
    std::string value;
    if (LookupValue(doc, section, key, value)) return CopyValue(value, buffer, size);
    return CopyValue(DefaultForValue(defaultValue), buffer, size);
}

int32_t GetProfileInt(const char* section, const char* key, int32_t defaultValue, const char* file) {
    if (section == nullptr || key == nullptr) return 0;
    IniDoc doc = LoadDoc(file);
    std::string value;
    if (!LookupValue(doc, section, key, value) || value.empty()) return defaultValue;
    return ParseProfileInt(value);
}

std::string ReadProfileString(const char* section, const char* key, const char* defaultValue, const char* file) {
    if (section == nullptr || key == nullptr) return std::string();
    IniDoc doc = LoadDoc(file);
    std::string value;
    if (LookupValue(doc, section, key, value)) return value;
    return std::string(DefaultForValue(defaultValue));
}

std::vector<std::string> ReadProfileSectionNames(const char* file) { return LoadDoc(file).SectionNames(); }

std::vector<std::string> ReadProfileKeys(const char* section, const char* file) {
    if (section == nullptr) return {};
    IniDoc doc = LoadDoc(file);
    const Section* sec = doc.FindSection(section);
    return sec ? doc.KeyNames(*sec) : std::vector<std::string>();
}

int ProfileReadError(const char* file) { return LoadDoc(file).readError; }

void SetProfileCommitHook(ProfileCommitHook hook) { g_commitHook.store(hook); }

} // namespace plat
