#pragma once
// The label library's outside files from any file: the profile library (the section drawn on
// a label), the layout "TAGRIX.INI" (loaded and composed into a label) and the ZPL templates
// ("PIECE.PRN", "SCRAP.PRN") filled with the main program's keys.
#include <cstring>
#include <string>
#include <vector>

#include "labelprint/composer.h"
#include "labelprint/layout.h"
#include "labelprint/print_utils.h"
#include "label_test_util.h"
#include "test_support/mutation.h"

namespace label_fuzz {

// Every label element is a short ZPL command per point, line or field: a label many times
// longer than the file that made it means a runaway writer.
inline bool Bounded(const std::string& zpl, std::size_t fileSize) { return zpl.size() <= 64 * fileSize + 65536; }

inline std::string ProfileLibraryExercise(const std::string& bytes) {
    static const std::string dir = mutation::ProcessDir("label-lib-fuzz");
    const std::string file = dir + "/PROFILES.LIB";
    mutation::WriteFile(file, bytes);
    std::vector<int> ids = {1, 2, 0, -1};
    if (bytes.size() >= 272 + 127)
        ids.push_back(static_cast<int16_t>(static_cast<unsigned char>(bytes[272 + 125]) |
                                           (static_cast<unsigned char>(bytes[272 + 126]) << 8)));
    PrintUtils printer;
    for (int id : ids) {
        for (bool rotate : {false, true}) {
            printer.BeginLabel(false);
            const int r = printer.ProfileDrawing(10, 20, 400, 300, id, 2, rotate, file);
            if (r != 1 && r != -1) return "profile drawing answered " + std::to_string(r);
            if (!Bounded(printer.Zpl(), bytes.size())) return "profile drawing ran away";
        }
    }
    return std::string();
}

// A library of two records: four-point polygons, and general ones with an outline.
inline std::string SampleLibrary() {
    lptest::ProfileRecord a;
    a.id = 1;
    a.name = "ALU60";
    a.width = 60;
    a.height = 40;
    a.polygons = {{{{0, 0}, {60, 0}, {60, 40}, {0, 40}}}, {{{5, 5}, {55, 5}, {55, 35}, {5, 35}}}};
    lptest::ProfileRecord b;
    b.id = 2;
    b.fourPoints = false;
    b.name = "PVC70";
    b.width = 70;
    b.height = 70;
    b.outline = {{0, 0}, {70, 70}};
    b.polygons = {{{{0, 0}, {70, 0}, {35, 70}}}, {{{10, 10}, {60, 10}, {60, 20}, {35, 60}, {10, 20}}}};
    return lptest::BuildProfileLibrary({a, b});
}

// The layout with the sample library beside it, so a picture slot draws something.
inline std::string LayoutExercise(const std::string& bytes) {
    static const std::string library = SampleLibrary();
    static const std::string dir = mutation::ProcessDir("label-layout-fuzz");
    const std::string ini = dir + "/TAGRIX.INI";
    const std::string lib = dir + "/PROFILES.LIB";
    mutation::WriteFile(ini, bytes);
    mutation::WriteFile(lib, library);
    MConfigura cfg;
    cfg.Load(ini);
    int ids[MListaRighe::kSlots];
    int sizes[MListaRighe::kSlots];
    cfg.CopyIds(ids);
    cfg.CopySizes(sizes);
    if (cfg.labelLines.Count() > MListaRighe::kLabelLines || cfg.headerLines.Count() > MListaRighe::kHeaderLines)
        return "more lines than the lists hold";

    const char* params[MDlgMainCutHelp::kJobParams] = {"1", "8001234567897", lib.c_str(), "", "", "1", "2"};
    const char* values[12] = {"ORD-117", "P-0042", "S60", "ALU60", "1200.5", "45", "", "X", "Y", "Z", "W", "V"};
    for (int count : {2, 12}) {
        MDlgMainCutHelp composer;
        const std::string zpl = composer.ComposeZpl(MDlgMainCutHelp::UnpackJob(count, params, values), &cfg);
        if (zpl.rfind("^XA", 0) != 0 || zpl.size() < 6 || zpl.compare(zpl.size() - 3, 3, "^XZ") != 0)
            return "label not framed by ^XA and ^XZ";
        if (!Bounded(zpl, bytes.size() + library.size())) return "label composition ran away";
    }
    return std::string();
}

} // namespace label_fuzz
