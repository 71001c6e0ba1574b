// Message table: loading, look-up by key or number, in-place translation of menus and
// dialog controls.
#include "msgtable/Dictavo.h"

#include "platform/paths.h"
#include "platform/text.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <string_view>

namespace {

// Largest message file accepted; anything bigger is treated as no memory for it.
constexpr long long kMaxFileSize = 64LL * 1024 * 1024;

// Pop-up nesting followed by the menu translation; real menus are far shallower.
constexpr int kMaxMenuDepth = 32;

constexpr char kEmptyText[] = "";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Cuts a text read from a widget to the 49 characters a 50-character buffer holds.
std::string CutItemText(std::string text) {
    if (text.size() > static_cast<size_t>(Dictavo::kItemTextSize - 1))
        text.resize(Dictavo::kItemTextSize - 1);
    return text;
}

// What the bytes of a message file are to the table.
enum class TextForm { Plain, Utf8, Unreadable };

// Text without a byte-order mark is single-byte text, taken as it is; UTF-8 with its mark is
// turned into single-byte text (out); UTF-16 (its mark, or a NUL among the first two bytes,
// where no single-byte message file has one) and marked UTF-8 that does not turn into
// single-byte text and back unchanged (a character it has no place for, a broken sequence)
// are unreadable.
TextForm FormOf(const char* data, size_t size, std::string& out) {
    const auto byte = [data](size_t i) { return static_cast<unsigned char>(data[i]); };
    if (size >= 2 && ((byte(0) == 0xFF && byte(1) == 0xFE) || (byte(0) == 0xFE && byte(1) == 0xFF)))
        return TextForm::Unreadable;
    if ((size >= 1 && byte(0) == 0) || (size >= 2 && byte(1) == 0))
        return TextForm::Unreadable;
    if (size < 3 || byte(0) != 0xEF || byte(1) != 0xBB || byte(2) != 0xBF)
        return TextForm::Plain;
    const std::string_view utf8(data + 3, size - 3);
    out = plat::Utf8ToCp1252(utf8);
    return plat::Cp1252ToUtf8(out) == utf8 ? TextForm::Utf8 : TextForm::Unreadable;
}

struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};

} // namespace

DictavoMenu::~DictavoMenu() = default;
DictavoWindow::~DictavoWindow() = default;

Dictavo::Dictavo(const char* path) {
    if (path != nullptr) {
        std::strncpy(m_path, path, kPathSize - 1);
        m_path[kPathSize - 1] = '\0';
    }
}

Dictavo::~Dictavo() { UnloadStrings(); }

void Dictavo::UnloadStrings() {
    m_entries.clear();
    m_entries.shrink_to_fit();
}

int Dictavo::LoadStrings() {
    std::unique_ptr<FILE, FileCloser> file(plat::OpenFile(m_path, "rb"));
    if (!file)
        return kOpenFailed;
    struct stat st {};
    if (fstat(fileno(file.get()), &st) != 0)
        return kNoLength;
    if (!S_ISREG(st.st_mode))
        return kOpenFailed; // a folder or device is not a message file
    const long long length = static_cast<long long>(st.st_size);
    if (length < 0)
        return kNoLength;
    if (length > kMaxFileSize)
        return kNoMemory;

    // Zero-filled with a spare NUL so the parse can always stop on one.
    const size_t size = static_cast<size_t>(length);
    std::unique_ptr<char[]> block(new (std::nothrow) char[size + 4]());
    if (!block)
        return kNoMemory;
    size_t got = size > 0 ? std::fread(block.get(), 1, size, file.get()) : 0;
    if (got < size && std::ferror(file.get()))
        return kReadFailed;
    if (got == 0)
        return kEmptyFile;

    // The byte-order mark, when there is one, tells the text's encoding.
    const char* data = block.get();
    std::string converted;
    switch (FormOf(data, got, converted)) {
    case TextForm::Unreadable:
        return kUnreadableText;
    case TextForm::Utf8:
        if (converted.empty())
            return kEmptyFile; // the mark alone
        data = converted.c_str();
        got = converted.size();
        break;
    case TextForm::Plain:
        break;
    }

    // Nothing after a NUL byte is part of the table.
    const char* nul = static_cast<const char*>(std::memchr(data, '\0', got));
    const char* const end = nul != nullptr ? nul : data + got;

    std::vector<MessageEntry> entries;
    const char* p = data;
    while (p < end) {
        // One line: [p, lineEnd); a line ends at CR LF, LF or a lone CR, or at the end of
        // the data (a last line without line end is loaded like any other).
        const char* lineEnd = p;
        while (lineEnd < end && *lineEnd != '\r' && *lineEnd != '\n')
            ++lineEnd;
        const char* next = lineEnd;
        if (next < end) {
            if (*next == '\r' && next + 1 < end && next[1] == '\n')
                next += 2;
            else
                ++next;
        }

        const char* keyEnd = p;
        while (keyEnd < lineEnd && !IsBlank(*keyEnd))
            ++keyEnd;
        const char* text = keyEnd;
        while (text < lineEnd && IsBlank(*text))
            ++text;
        if (text < lineEnd) { // a key-only line or a key with blanks only holds no entry
            const char* textEnd = lineEnd;
            while (textEnd > text && IsBlank(textEnd[-1]))
                --textEnd;
            MessageEntry entry;
            entry.key.assign(p, keyEnd);
            entry.text.assign(text, textEnd);
            if (entry.text.find('\\') != std::string::npos) {
                TranslateESCSequences(entry.text.data());
                entry.text.resize(std::strlen(entry.text.c_str()));
            }
            entries.push_back(std::move(entry));
        }
        p = next;
    }

    m_entries = std::move(entries);
    m_loaded = true;
    return kLoaded;
}

const char* Dictavo::Message(const char* key) const {
    if (key == nullptr)
        return nullptr;
    for (const MessageEntry& e : m_entries) {
        if (std::strcmp(e.key.c_str(), key) == 0)
            return e.text.c_str();
    }
    return key;
}

const char* Dictavo::Message(int number) const {
    if (number <= 0)
        return nullptr;
    char key[16];
    std::snprintf(key, sizeof key, "%d", number);
    for (const MessageEntry& e : m_entries) {
        if (e.key == key)
            return e.text.c_str();
    }
    return kEmptyText;
}

void Dictavo::CompileMenuStrings(DictavoWindow* window) {
    if (window == nullptr || !m_loaded)
        return;
    if (DictavoMenu* bar = window->MenuBar())
        CompileSubMenu(bar);
}

void Dictavo::CompileSubMenu(DictavoMenu* menu) { CompileSubMenuLevel(menu, 0); }

void Dictavo::CompileSubMenuLevel(DictavoMenu* menu, int depth) {
    if (menu == nullptr || !m_loaded || depth >= kMaxMenuDepth)
        return;
    const int count = menu->ItemCount();
    for (int pos = 0; pos < count; ++pos) {
        const std::string key = CutItemText(menu->ItemText(pos));
        if (key.empty())
            continue; // separators and other items without text
        DictavoMenu* sub = menu->SubMenu(pos);
        menu->ReplaceItem(pos, Message(key.c_str()));
        if (sub != nullptr)
            CompileSubMenuLevel(sub, depth + 1);
    }
}

void Dictavo::CompileDialogStrings(DictavoWindow* window) {
    if (window == nullptr || !m_loaded)
        return;
    const int count = window->ChildCount();
    for (int i = 0; i < count; ++i) {
        DictavoWindow* child = window->Child(i);
        if (child == nullptr)
            continue;
        std::string cls = CutItemText(child->ClassName());
        ToUpper(cls.data());
        if (cls != "BUTTON" && cls != "STATIC")
            continue; // edit fields, lists and combo boxes keep their texts
        // An empty text is looked up too: a line with an empty key gives it a text.
        const std::string key = CutItemText(child->Text());
        child->SetText(Message(key.c_str()));
    }
}

void Dictavo::ToUpper(char* text) {
    for (; *text != '\0'; ++text) {
        if (*text >= 'a' && *text <= 'z')
            *text = static_cast<char>(*text - 'a' + 'A');
    }
}

int Dictavo::HexToASCII(const char* two) {
    auto digit = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    };
    const int hi = digit(two[0]);
    if (hi < 0)
        return -1;
    const int lo = digit(two[1]);
    if (lo < 0)
        return -1;
    return hi * 16 + lo;
}

void Dictavo::TranslateESCSequences(char* text) {
    // In place: every escape is at least as long as what it becomes.
    char* out = text;
    for (const char* in = text; *in != '\0';) {
        if (in[0] == '\\' && in[1] == 'n') {
            *out++ = '\r';
            *out++ = '\n';
            in += 2;
        } else if (in[0] == '\\' && in[1] == 't') {
            *out++ = '\t';
            in += 2;
        } else if (in[0] == '\\' && in[1] == 'x' && in[2] != '\0' && in[3] != '\0' &&
                   HexToASCII(in + 2) >= 0) {
            const int value = HexToASCII(in + 2);
            if (value == 0)
                break; // a byte 0 ends the text
            *out++ = static_cast<char>(value);
            in += 4;
        } else {
            // "\x" without two hexadecimal digits, and a backslash before any other
            // character, stay as they are; the next character is read normally.
            *out++ = *in++;
        }
    }
    *out = '\0';
}
