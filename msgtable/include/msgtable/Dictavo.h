#pragma once
// Dictavo: a table of user-visible texts loaded from a message file ("MSG\STRING.MSG",
// "MSG\ERR.MSG", "MSG\TAGRIX.msg") and looked up by text key or by number. It also
// translates, in place, the texts of a menu bar and of a dialog's buttons and static texts,
// whose resource texts are themselves keys.
//
// Message file: single-byte (Windows-1252) text, one "KEY text" per line. A line ends at
// CR LF, at LF or at a lone CR; a last line without a line end is loaded too. The key runs
// to the first blank or TAB; the text starts at the next character that is neither and runs
// to the end of the line, trailing blanks and TABs removed. Lines with no text hold no entry.
// Escapes in the text: "\n" -> CR LF, "\t" -> TAB, "\xHH" -> one byte (a byte 0 ends the
// text). When a key occurs twice the first line wins.
//
// The library has no toolkit of its own: windows and menus reach it through the two small
// interfaces below, which the user-interface layer implements over its widgets.
#include <cstdint>
#include <string>
#include <vector>

#define DICTAVO_API __attribute__((visibility("default")))

// One menu (a menu bar or a pop-up) as the translation sees it. Positions run from 0 to
// ItemCount() - 1.
class DICTAVO_API DictavoMenu {
public:
    virtual ~DictavoMenu();
    virtual int ItemCount() const = 0;
    // The item's text, single-byte; empty for items without text (separators).
    virtual std::string ItemText(int pos) const = 0;
    // The pop-up the item opens, or null for a command item.
    virtual DictavoMenu* SubMenu(int pos) = 0;
    // Replaces the item by a plain text item with the given text that keeps its command id
    // (or its pop-up) and nothing else: afterwards it is enabled, unchecked, plain text.
    virtual void ReplaceItem(int pos, const char* text) = 0;
};

// One window as the translation sees it: its menu bar and its direct child controls.
class DICTAVO_API DictavoWindow {
public:
    virtual ~DictavoWindow();
    // The menu bar, or null when the window has none.
    virtual DictavoMenu* MenuBar() = 0;
    virtual int ChildCount() const = 0;
    // Direct child i in z-order, or null.
    virtual DictavoWindow* Child(int index) = 0;
    // The control's window class name in the classic spelling: "Button" for push buttons,
    // check boxes, radio buttons and group boxes, "Static" for static texts, others their own.
    virtual std::string ClassName() const = 0;
    virtual std::string Text() const = 0;   // single-byte
    virtual void SetText(const char* text) = 0;
};

struct MessageEntry {
    std::string key;
    std::string text;   // escapes already translated
};

class DICTAVO_API Dictavo {
public:
    // Result codes of LoadStrings.
    enum : int {
        kLoaded = 1,
        kOpenFailed = -1,
        kNoLength = -2,
        kNoMemory = -3,
        kNoAccess = -4,   // kept for the numbering; memory is always accessible here
        kReadFailed = -5,
        kEmptyFile = -6,
        // A text the table cannot hold: UTF-16 (with or without its byte-order mark), or UTF-8
        // (marked) with a character single-byte text has no place for. A UTF-8 file with its
        // mark is read, its texts turned into the table's single-byte text.
        kUnreadableText = -7,
    };
    static constexpr int kPathSize = 255;   // at most 254 characters and the NUL
    static constexpr int kItemTextSize = 50; // menu texts, class names and control texts: 49 used

    // Copies the path (Windows or native; cut to 254 characters). The table starts empty.
    explicit Dictavo(const char* path);
    virtual ~Dictavo();

    // Not copyable: texts handed out point into the table.
    Dictavo(const Dictavo&) = delete;
    Dictavo& operator=(const Dictavo&) = delete;

    // Reads the whole file and builds the table: 1 loaded; -1 the file can't be opened;
    // -2 its length can't be found; -3 no memory for its contents; -5 the read fails;
    // -6 the file is empty. On failure the table stays as it was; a later successful load
    // replaces the table (texts returned before are then no longer valid).
    int LoadStrings();

    // Null for a null key; the text of the first entry with exactly this key; the key
    // pointer itself when no entry matches. The text stays valid while the table does.
    const char* Message(const char* key) const;
    // Null for a number of 0 or less; the text of the first entry whose key is the number
    // in decimal; an empty text when none matches.
    const char* Message(int number) const;

    // Translates the window's menu bar, when it has one (see CompileSubMenu).
    void CompileMenuStrings(DictavoWindow* window);
    // Replaces each item text (its first 49 characters taken as the key) by Message of it,
    // recursing into pop-ups; items without text are skipped. Nothing happens before a
    // successful load.
    void CompileSubMenu(DictavoMenu* menu);
    // Replaces the texts (first 49 characters) of the direct children whose class name is
    // "BUTTON" or "STATIC" (any case) by Message of them. Nothing before a successful load.
    void CompileDialogStrings(DictavoWindow* window);

    int EntryCount() const { return static_cast<int>(m_entries.size()); }
    const char* Path() const { return m_path; }

private:
    static void ToUpper(char* text);
    static void TranslateESCSequences(char* text);
    static int HexToASCII(const char* two);
    void UnloadStrings();
    void CompileSubMenuLevel(DictavoMenu* menu, int depth);

    std::vector<MessageEntry> m_entries;   // file order
    bool m_loaded = false;                 // a load has succeeded
    char m_path[kPathSize] = {};
};
