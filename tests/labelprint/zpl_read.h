#pragma once
// What a ZPL II printer makes of a label text, read as the printer reads it: the texts its
// fields show (escapes of "^FH" decoded with the field's own indicator, '_' when "^FH" names
// none; bytes beyond ASCII in the code page of the "^CI" in force, 27 Windows-1252, 28
// UTF-8), what a scanner reads from its Code 128 fields, the labels it starts and ends, and
// every control command ("~" anywhere, even inside a field's data) it would obey.
#include <cctype>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/text.h"

namespace lptest {

struct PrinterView {
    std::vector<std::string> texts;    // each field's data as it prints (UTF-8); a Code 128
                                       // field as a scanner reads its symbol
    std::vector<bool> barcodes;        // per field: it is a barcode
    int starts = 0, ends = 0;          // "^XA", "^XZ"
    std::vector<std::string> controls; // "~" commands obeyed
    bool undeclared = false;           // a byte beyond ASCII printed on no declared code page
    bool rawControl = false;           // a control byte inside a field's data
    bool code128Command = false;       // a Code 128 field's data held an invocation other than
                                       // the three characters '>', '^' and '~'
};

// What a scanner reads from the data of a Code 128 field in the printer's default mode. The
// printer starts in subset B unless the data begins with a start code, and takes '>' followed
// by a character as an invocation code: ">0" '>', "><" '^', ">=" '~' (in subsets A and B);
// ">5" CODE C, ">6" CODE B, ">7" CODE A (in subset B, ">6" and ">7" are FNC4 and CODE A); ">9",
// ">:" and ">;" start codes A, B and C, which end the symbol anywhere but at its start; ">1"
// to ">4" and ">8" functions that read as nothing. In subset C each pair of digits is two
// digits of the value. commandSeen is set for every invocation but the three characters.
inline std::string ScanCode128(const std::string& data, bool& commandSeen) {
    std::string out;
    char subset = 'B';
    size_t i = 0;
    if (data.size() >= 2 && data[0] == '>' && (data[1] == '9' || data[1] == ':' || data[1] == ';')) {
        subset = data[1] == '9' ? 'A' : data[1] == ':' ? 'B' : 'C';
        commandSeen = true;
        i = 2;
    }
    while (i < data.size()) {
        if (data[i] == '>' && i + 1 < data.size()) {
            const char c = data[i + 1];
            i += 2;
            if (subset != 'C' && c == '0') out += '>';
            else if (subset != 'C' && c == '<') out += '^';
            else if (subset == 'B' && c == '=') out += '~';
            else {
                commandSeen = true;
                if (c == '9' || c == ':' || c == ';') return out; // a start code within the symbol
                if (c == '5') subset = 'C';
                else if (c == '6' && subset != 'B') subset = 'B';
                else if (c == '7') subset = 'A';
            }
            continue;
        }
        if (subset == 'C') {
            if (i + 1 < data.size() && std::isdigit(static_cast<unsigned char>(data[i])) &&
                std::isdigit(static_cast<unsigned char>(data[i + 1]))) {
                out += data.substr(i, 2);
            }
            i += 2; // anything else is no value of subset C
            continue;
        }
        out += data[i++];
    }
    return out;
}

inline PrinterView ReadZpl(const std::string& zpl) {
    PrinterView v;
    char indicator = '\0'; // the field's "^FH" indicator; '\0' without "^FH"
    bool code128 = false;  // the field is a Code 128 barcode in the default mode
    bool barcode = false;
    int codePage = 0;      // "^CI" in force: it stays over labels, as on the printer
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
            indicator = '\0';
            code128 = barcode = false;
        } else if (cmd == "XZ") {
            ++v.ends;
        } else if (cmd == "FH") {
            indicator = args.empty() || args[0] == ',' || args[0] == '\r' || args[0] == '\n' ? '_' : args[0];
        } else if (cmd == "FS") {
            indicator = '\0';
            code128 = barcode = false;
        } else if (cmd == "CI") {
            codePage = std::atoi(args.c_str());
        } else if (cmd.size() == 2 && cmd[0] == 'B' && cmd != "BY") {
            barcode = true;
            // ^BCo,h,f,g,e,m: mode (the sixth parameter) N or none is the default mode.
            std::string mode;
            int comma = 0;
            for (char a : args) {
                if (a == ',') ++comma;
                else if (comma == 5) mode += a;
            }
            code128 = cmd == "BC" && (mode.empty() || upper(mode) == "N");
        } else if (cmd == "FD" || cmd == "FV") {
            std::string data;
            for (size_t k = 0; k < args.size(); ++k) {
                if (indicator != '\0' && args[k] == indicator && k + 2 < args.size() &&
                    std::isxdigit(static_cast<unsigned char>(args[k + 1])) &&
                    std::isxdigit(static_cast<unsigned char>(args[k + 2]))) {
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
            if (beyond && codePage != 27 && codePage != 28) v.undeclared = true;
            if (code128) data = ScanCode128(data, v.code128Command);
            v.texts.push_back(codePage == 27 ? plat::Cp1252ToUtf8(data) : data);
            v.barcodes.push_back(barcode);
        }
    }
    return v;
}

} // namespace lptest
