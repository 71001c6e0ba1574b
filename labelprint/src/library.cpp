// Library-wide state: message table, message sink, file places.
#include "labelprint/library.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "msgtable/Dictavo.h"
#include "labelprint/field_data.h"
#include "labelprint/print_utils.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace labelprint {

namespace {

class StderrSink final : public tagrix::MessageSink {
public:
    void Show(const char* text, const char* caption, int) override {
        std::fprintf(stderr, "Tagrix: %s: %s\n", caption ? caption : "", text ? text : "");
    }
};

StderrSink g_defaultSink;
tagrix::MessageSink* g_sink = &g_defaultSink;
Dictavo* g_table = nullptr;

} // namespace

tagrix::MessageSink* SetMessageSink(tagrix::MessageSink* sink) {
    tagrix::MessageSink* old = g_sink == &g_defaultSink ? nullptr : g_sink;
    g_sink = sink ? sink : &g_defaultSink;
    return old;
}

void ShowMessage(const char* text, const char* caption, int icon) { g_sink->Show(text, caption, icon); }

Dictavo* MessageTable() { return g_table; }

void SetMessageTable(Dictavo* table) {
    if (g_table == table) return;
    delete g_table;
    g_table = table;
}

const char* Text(const char* key) { return g_table ? g_table->Message(key) : key; }

void ShowNoComm() { ShowMessage(Text("ID_NO_COMM"), Text("ID_ERROR"), tagrix::kBoxPlain); }

std::string IniPath() { return plat::ProgramDirectory() + "TAGRIX.INI"; }

std::string MessageFilePath() { return plat::ProgramDirectory() + "MSG/TAGRIX.msg"; }

} // namespace labelprint

namespace labelprint {

namespace {

// One field's data in a template: from just after its "^FD" (or "^FV") to the template's next
// command character (its "^FS" as a rule), with what the template declares for it.
struct TemplateField {
    size_t fd = 0;              // where its "^FD" stands
    size_t start = 0, end = 0;  // its data
    FieldKind kind = FieldKind::Text;
    char indicator = '\0';      // its "^FH" indicator ('\0': none)
    CodePage codePage = CodePage::None;
    std::string declaration;    // the template's "^CI" in force at the field ("" when none)
    bool addFh = false;         // a value placed in it needs "^FH"
    bool declare = false;       // a value placed in it needs "^CI27" before it
};

std::string Upper2(const std::string& text, size_t at) {
    std::string cmd = text.substr(at, 2);
    for (char& c : cmd)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return cmd;
}

// The template's fields, read as the printer reads them: "^FH" gives the field its indicator
// (the character after it, '_' when none is given); "^CI" stays in force, over the labels of
// the file, until the next one; the last barcode command of a field makes it a barcode field.
std::vector<TemplateField> FieldsOf(const std::string& text) {
    std::vector<TemplateField> fields;
    TemplateField current;
    for (size_t at = 0; at < text.size(); ++at) {
        if (text[at] != '^' || at + 2 >= text.size()) continue;
        const std::string cmd = Upper2(text, at + 1);
        size_t argsEnd = text.find_first_of("^~", at + 3);
        if (argsEnd == std::string::npos) argsEnd = text.size();
        const std::string args = text.substr(at + 3, argsEnd - (at + 3));
        if (cmd == "FS" || cmd == "XA") {
            const std::string declaration = current.declaration;
            const CodePage page = current.codePage;
            current = TemplateField{};
            current.declaration = declaration;
            current.codePage = page;
        } else if (cmd == "FH") {
            const char c = args.empty() ? '\0' : args[0];
            current.indicator = c == '\0' || c == ',' || c == '\r' || c == '\n' || c == ' ' ? '_' : c;
        } else if (cmd == "CI") {
            current.codePage = CodePageOf(args);
            std::string declaration = "^CI" + args;
            while (!declaration.empty() && (declaration.back() == '\r' || declaration.back() == '\n'))
                declaration.pop_back();
            current.declaration = declaration;
        } else if (cmd[0] == 'B' && cmd != "BY") {
            current.kind = FieldKindOf(cmd, args);
        } else if (cmd == "FD" || cmd == "FV") {
            TemplateField f = current;
            f.fd = at;
            f.start = at + 3;
            f.end = argsEnd;
            fields.push_back(f);
            at = argsEnd - 1;
        }
    }
    return fields;
}

} // namespace

std::string SubstituteKeys(std::string text, int count, const char* const* keys, const char* const* values,
                           std::vector<std::string>* notCarried) {
    if (!keys || count <= 0) return text;
    // Every key is found in the template's own text, in one walk (at each place the first key
    // of the list that stands there); a value is never searched for keys: a list's text that
    // looks like a key prints as written.
    struct Hit {
        size_t at, length;
        int key;
    };
    std::vector<Hit> hits;
    auto value = [values](int i) { return std::string(values && values[i] ? values[i] : ""); };
    for (size_t at = 0; at < text.size();) {
        int found = -1;
        for (int i = 0; i < count && found < 0; ++i)
            if (keys[i] && *keys[i] && text.compare(at, std::strlen(keys[i]), keys[i]) == 0) found = i;
        if (found < 0) {
            ++at;
            continue;
        }
        const size_t length = std::strlen(keys[found]);
        hits.push_back({at, length, found});
        at += length;
    }
    if (hits.empty()) return text;

    // Each value is written for its field: its kind, the template's indicator and the code
    // page in force there. A field whose value needs escapes and that has no "^FH" is given
    // one (default '_', so its own '_' are written as escapes too). A value beyond ASCII on a
    // code page the writer does not write in gets "^CI27" right before its field's data, and the
    // template's own declaration back after it; a template that declares none gets "^CI27"
    // after the "^XA" of each label (as its own bytes beyond ASCII are Windows-1252 too). A
    // value outside any field goes as a text would, with escapes, and never acts.
    std::vector<TemplateField> fields = FieldsOf(text);
    auto fieldOf = [&fields](size_t at) -> TemplateField* {
        for (TemplateField& f : fields)
            if (f.start <= at && at < f.end) return &f;
        return nullptr;
    };
    bool declared = false; // the template declares a code page of its own
    for (size_t at = text.find('^'); at != std::string::npos && !declared; at = text.find('^', at + 1))
        declared = at + 2 < text.size() && Upper2(text, at + 1) == "CI";
    bool labelPage = !declared && std::any_of(text.begin(), text.end(), [](char c) {
        return static_cast<unsigned char>(c) >= 0x80;
    });
    std::vector<bool> carried(hits.size(), true);
    for (size_t i = 0; i < hits.size(); ++i) {
        TemplateField* f = fieldOf(hits[i].at);
        const std::string v = value(hits[i].key);
        const ZplField z = f ? ZplFieldValue(v, f->kind, f->indicator, f->codePage) : ZplFieldValue(v, FieldKind::Text);
        if (!z.carried) {
            carried[i] = false;
            if (notCarried) notCarried->push_back(v);
            continue;
        }
        if (f && z.needsIndicator) f->addFh = true;
        if (z.needsCodePage) {
            if (f && declared) f->declare = true;
            else labelPage = true;
        }
    }
    std::string out;
    size_t hit = 0;
    for (size_t at = 0; at < text.size();) {
        // The template's own declaration again after the field's "^FS"; then what the next
        // field needs.
        for (const TemplateField& g : fields)
            if (g.declare && !g.declaration.empty() && at == g.end + 3 && Upper2(text, g.end + 1) == "FS")
                out += g.declaration;
        for (const TemplateField& g : fields) {
            if (g.declare && g.fd == at) out += kZplCodePage;
            if (g.addFh && g.fd == at) out += "^FH";
        }
        TemplateField* f = fieldOf(at);
        if (hit < hits.size() && hits[hit].at == at) {
            if (carried[hit]) {
                const std::string v = value(hits[hit].key);
                const char indicator = f ? (f->indicator != '\0' ? f->indicator : f->addFh ? '_' : '\0') : '\0';
                const CodePage page = f ? (f->declare ? CodePage::Cp1252 : f->codePage) : CodePage::None;
                out += ZplFieldValue(v, f ? f->kind : FieldKind::Text, indicator, page).data;
            }
            at += hits[hit].length;
            ++hit;
            continue;
        }
        if (f && f->addFh && text[at] == '_') out += "_5F";
        else out += text[at];
        ++at;
    }
    for (const TemplateField& g : fields) // a field that ends the file
        if (g.declare && !g.declaration.empty() && g.end + 3 == text.size() && Upper2(text, g.end + 1) == "FS")
            out += g.declaration;
    // A label that carries text beyond ASCII on no declaration of the template's says its code
    // page, right after its "^XA".
    if (labelPage) {
        for (size_t at = out.find("^XA"); at != std::string::npos; at = out.find("^XA", at + 3))
            out.insert(at + 3, kZplCodePage);
    }
    return out;
}

} // namespace labelprint
