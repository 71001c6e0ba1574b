#pragma once
// What a ZPL II printer makes of a label text, read as the printer reads it: the texts its
// fields show (hexadecimal escapes of "^FH" decoded, bytes beyond ASCII in the code page the
// label declared), the labels it starts and ends, and every control command ("~" anywhere,
// even inside a field's data) it would obey.
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/text.h"

namespace lptest {

struct PrinterView {
    std::vector<std::string> texts;    // each field's data as it prints (UTF-8)
    int starts = 0, ends = 0;          // "^XA", "^XZ"
    std::vector<std::string> controls; // "~" commands obeyed
    bool undeclared = false;           // a byte beyond ASCII printed on no declared code page
    bool rawControl = false;           // a control byte inside a field's data
};

inline PrinterView ReadZpl(const std::string& zpl) {
    PrinterView v;
    bool hex = false;
    bool cp1252 = false; // "^CI27" stays in force, as on the printer
    size_t i = 0;
    auto upper = [](std::string s) {
        for (char& c : s)
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        return s;
    };
    while (i < zpl.size()) {
        const char c = zpl[i];
        if (c == '~') {
            v.controls.push_back(zpl.substr(i, 3));
            i += 3;
            continue;
        }
        if (c != '^') {
            ++i;
            continue;
        }
        const std::string cmd = upper(zpl.substr(i + 1, 2));
        i += 3;
        size_t end = zpl.find_first_of("^~", i);
        if (end == std::string::npos) end = zpl.size();
        const std::string args = zpl.substr(i, end - i);
        i = end;
        if (cmd == "XA") {
            ++v.starts;
            hex = false;
        } else if (cmd == "XZ") {
            ++v.ends;
        } else if (cmd == "FH") {
            hex = true;
        } else if (cmd == "FS") {
            hex = false;
        } else if (cmd == "CI") {
            cp1252 = std::atoi(args.c_str()) == 27;
        } else if (cmd == "FD") {
            std::string data;
            for (size_t k = 0; k < args.size(); ++k) {
                if (hex && args[k] == '_' && k + 2 < args.size()) {
                    data += static_cast<char>(std::strtol(args.substr(k + 1, 2).c_str(), nullptr, 16));
                    k += 2;
                } else {
                    data += args[k];
                }
            }
            bool beyond = false;
            for (char b : data) {
                if (static_cast<unsigned char>(b) < 0x20 || b == 0x7F) v.rawControl = true;
                if (static_cast<unsigned char>(b) >= 0x80) beyond = true;
            }
            if (beyond && !cp1252) v.undeclared = true;
            v.texts.push_back(cp1252 ? plat::Cp1252ToUtf8(data) : data);
        }
    }
    return v;
}

} // namespace lptest
