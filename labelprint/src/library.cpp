// Library-wide state: message table, message sink, file places.
#include "labelprint/library.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "msgtable/Dictavo.h"
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

// One field's data in a template: from just after its "^FD" to the template's next command
// character (its "^FS" as a rule).
struct TemplateField {
    size_t start = 0, end = 0;
    size_t fd = 0;     // where its "^FD" stands
    bool hasFh = false; // the template gives it "^FH" (default indicator '_')
    bool addFh = false; // a value placed in it needs "^FH"
};

std::vector<TemplateField> FieldsOf(const std::string& text) {
    std::vector<TemplateField> fields;
    size_t fieldStart = 0; // after the last "^FS" or "^XA": the field's own commands
    for (size_t at = 0; at < text.size(); ++at) {
        if (text[at] != '^' || at + 2 >= text.size()) continue;
        const std::string cmd = plat::ToUpperAscii(text.substr(at + 1, 2));
        if (cmd == "FS" || cmd == "XA") fieldStart = at + 3;
        if (cmd != "FD") continue;
        TemplateField f;
        f.fd = at;
        f.start = at + 3;
        f.end = text.find_first_of("^~", f.start);
        if (f.end == std::string::npos) f.end = text.size();
        for (size_t h = text.find("^FH", fieldStart); h != std::string::npos && h < at; h = text.find("^FH", h + 1))
            f.hasFh = true;
        fields.push_back(f);
        at = f.end - 1;
        fieldStart = f.end;
    }
    return fields;
}

} // namespace

std::string SubstituteKeys(std::string text, int count, const char* const* keys, const char* const* values) {
    if (!keys || count <= 0) return text;
    // Every key is found in the template's own text, in one walk (at each place the first key
    // of the list that stands there); a value is never searched for keys: a list's text that
    // looks like a key prints as written.
    struct Hit {
        size_t at, length;
        int key;
    };
    std::vector<Hit> hits;
    std::vector<ZplText> quoted(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) quoted[static_cast<size_t>(i)] = QuoteZplText(values && values[i] ? values[i] : "");
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

    // A field that gets a value holding a command character or a byte beyond ASCII is given
    // "^FH", and its own '_' are written as escapes too; every value in a field with "^FH"
    // goes in its escaped form. A value outside any field that holds a command character goes
    // escaped too: it holds no command.
    std::vector<TemplateField> fields = FieldsOf(text);
    auto fieldOf = [&fields](size_t at) -> TemplateField* {
        for (TemplateField& f : fields)
            if (f.start <= at && at < f.end) return &f;
        return nullptr;
    };
    bool beyondAscii = std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
    for (const Hit& h : hits) {
        const ZplText& q = quoted[static_cast<size_t>(h.key)];
        beyondAscii = beyondAscii || q.beyondAscii;
        if (TemplateField* f = fieldOf(h.at); f && q.needsHex && !f->hasFh) f->addFh = true;
    }
    std::string out;
    size_t hit = 0;
    for (size_t at = 0; at < text.size();) {
        TemplateField* f = fieldOf(at);
        if (hit < hits.size() && hits[hit].at == at) {
            const ZplText& q = quoted[static_cast<size_t>(hits[hit].key)];
            // In a field with "^FH" the escaped form; elsewhere the text itself unless it holds
            // a command character (outside a field nothing prints, and nothing may act).
            const bool escaped = f ? (f->hasFh || f->addFh) : q.needsHex;
            out += escaped ? q.hex : q.plain;
            at += hits[hit].length;
            ++hit;
            continue;
        }
        for (const TemplateField& g : fields)
            if (g.addFh && g.fd == at) out += "^FH";
        if (f && f->addFh && text[at] == '_') out += "_5F";
        else out += text[at];
        ++at;
    }
    // A label that carries text beyond ASCII says its code page, right after its "^XA".
    if (beyondAscii) {
        for (size_t at = out.find("^XA"); at != std::string::npos; at = out.find("^XA", at + 3))
            out.insert(at + 3, kZplCodePage);
    }
    return out;
}

} // namespace labelprint
