#pragma once
// A label template ("PIECE.PRN", "SCRAP.PRN") from any file, filled with the keys the main
// program uses and sent the way it sends it (no printer attached: nothing leaves).
#include <algorithm>
#include <string>

#include "labelprint/Tagrix.h"
#include "test_support/mutation.h"

namespace label_fuzz {

class QuietSink : public tagrix::MessageSink {
public:
    void Show(const char*, const char*, int) override {}
};

inline std::string TemplateExercise(const std::string& bytes) {
    static const std::string dir = [] {
        const std::string d = mutation::ProcessDir("label-template-fuzz");
        static QuietSink sink;
        tagrix::SetProgramDirectory((d + "/").c_str());
        tagrix::SetUsbRoots((d + "/sys").c_str(), (d + "/dev").c_str());
        tagrix::SetMessageSink(&sink);
        return d;
    }();
    const std::string file = dir + "/PIECE.PRN";
    mutation::WriteFile(file, bytes);
    // Values of lower-case letters, none empty and each shorter than its key: no value can
    // form a key again or join two halves of one, so a filled template holds no key and is
    // never longer than the template.
    const char* keys[6] = {"<ROW_1>", "<ROW_2>", "<ROW_3>", "<ROW_4>", "<BAR_CODE_1>", "<BAR_CODE_2>"};
    const char* values[6] = {"ord", "piece", "series", "x", "pbarcode", "extra"};
    if (ZebraStampaPrn(6, keys, values, file.c_str()) != 0) return "a readable template was refused";
    const std::string filled = tagrix::SubstituteKeys(bytes, 6, keys, values);
    for (const char* key : keys)
        if (filled.find(key) != std::string::npos) return std::string("key left in the filled template: ") + key;
    // Only a template with bytes beyond ASCII grows: each of its labels declares its code page.
    size_t labels = 0;
    for (size_t at = filled.find("^XA"); at != std::string::npos; at = filled.find("^XA", at + 3)) ++labels;
    const bool beyondAscii =
        std::any_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
    if (filled.size() > bytes.size() + (beyondAscii ? labels * 5 : 0)) return "filled template longer than the template";
    return std::string();
}

} // namespace label_fuzz
