// Shape files the compiler must refuse, through the entry point as the program calls it: the
// result is -1, one message names the file and the line and says what is wrong, and the
// caller's part program and line counter stay exactly as they were. Beside them, the hole-cycle
// parameter lines: numbers at their limits are written, formatted by the compiler, and every
// other word is refused the same way.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "library_fixture.h"

namespace fs = std::filesystem;
using sctest::Library;
using sctest::ReadFile;
using sctest::WriteFile;

namespace {

const char* const kHeader = "4 8000 0 -1 0 0 999999 999999\r\n";
const char* const kElements[] = {
    " 40000 0 2 0 0 0 -2000 1000000 200000 0 0\r\n",
    " 40000 30000 2 0 0 0 -2000 1000000 200000 0 0\r\n",
    " 0 30000 2 0 0 0 -2000 1000000 200000 0 0\r\n",
    " 0 0 2 0 0 0 -2000 1000000 200000 0 0\r\n",
};
const char* const kTrailer = " RECT 0 0\r\n1\r\n";

// The sound file the damaged ones are made from: a rectangle cut on the right.
std::string Sound() {
    std::string t = kHeader;
    for (const char* e : kElements) t += e;
    return t + kTrailer;
}

struct Damaged {
    const char* what;
    std::string text;
    int line;            // the line the message must name
    const char* because; // a part of the message saying what is wrong
};

std::vector<Damaged> DamagedTable() {
    const std::string h = kHeader, e0 = kElements[0], e1 = kElements[1], e2 = kElements[2], e3 = kElements[3];
    const std::string all = e0 + e1 + e2 + e3;
    std::string binary("\x7f" "ELF\x02\x01\x01\0\0\0\0\0\0\0\0\0\x03\0>\0\x01\0\0\0\xa0\x10\0\0\0\0\0\0", 32);
    return {
        {"empty file", "", 1, "the file is empty"},
        {"header only", h, 2, "the file ends after 0 of its 4 element lines"},
        {"binary file", binary + "\r\n" + binary, 1, "the header holds"},
        {"count 7 with three element lines", "7 8000 0 -1 0 0 999999 999999\r\n" + e0 + e1 + e2 + kTrailer, 5,
         "element 3 of 7: the line holds 3 fields"},
        {"cut inside the last element line", h + e0 + e1 + e2 + " 0", 5, "element 3 of 4: the line holds 1 fields"},
        {"last element line holding only its end X", h + e0 + e1 + e2 + " 0\r\n" + kTrailer, 5,
         "element 3 of 4: the line holds 1 fields"},
        {"letter inside a number", h + e0 + " 40000 3O000 2 0 0 0 -2000 1000000 200000 0 0\r\n" + e2 + e3 + kTrailer, 3,
         "the end Y \"3O000\" is not a whole number"},
        {"letter inside the work depth", h + e0 + e1 + " 0 30000 2 0 0 0 -2O00 1000000 200000 0 0\r\n" + e3 + kTrailer, 4,
         "the work depth \"-2O00\""},
        {"decimal point in a feed", h + e0 + e1 + e2 + " 0 0 2 0 0 0 -2000 1000.5 200000 0 0\r\n" + kTrailer, 5,
         "the XY feed \"1000.5\""},
        {"number beyond 32 bits", h + " 4294967296 0 2 0 0 0 -2000 1000000 200000 0 0\r\n" + e1 + e2 + e3 + kTrailer, 2,
         "the end X \"4294967296\""},
        {"negative count", "-4 8000 0 -1 0 0 999999 999999\r\n" + all + kTrailer, 1, "the element count -4 is negative"},
        {"count beyond the file", "2147483647 8000 0 -1 0 0 999999 999999\r\n" + all + kTrailer, 6,
         "element 4 of 2147483647: the line holds 3 fields"},
        {"more element lines than the count", "2 8000 0 -1 0 0 999999 999999\r\n" + all + kTrailer, 4,
         "the line holds 11 fields where the name and origin"},
        {"tool side 3", "4 8000 0 3 0 0 999999 999999\r\n" + all + kTrailer, 1, "the tool side 3 is none of"},
        {"tool side -7", "4 8000 0 -7 0 0 999999 999999\r\n" + all + kTrailer, 1, "the tool side -7 is none of"},
        {"header field missing", "4 8000 0 -1 0 0 999999\r\n" + all + kTrailer, 1, "the header holds 7 fields instead of 8"},
        {"unknown element type", h + e0 + e1 + " 0 30000 7 0 0 0 -2000 1000000 200000 0 0\r\n" + e3 + kTrailer, 4,
         "element 2: the type 7 is none of"},
        {"cycle among contour elements", h + e0 + e1 + " 0 30000 100 0 0 0 -2000 1000000 200000 0 0\r\n" + e3 + kTrailer, 4,
         "a cycle of type 100 is a shape's only element"},
        {"arc centre off its arc", h + e0 + " 40000 30000 3 40000 14000 180000 -2000 1000000 200000 0 0\r\n" + e2 + e3 +
             kTrailer, 3, "the arc's centre (40000, 14000) lies 14.000 mm from its start and 16.000 mm from its end"},
        {"arc sweep short of its end", h + e0 + " 40000 30000 3 40000 15000 90000 -2000 1000000 200000 0 0\r\n" + e2 + e3 +
             kTrailer, 3, "the arc's swept angle 90.000 degrees does not reach its end point, 180.000 degrees"},
        {"arc sweep beyond a full turn", h + e0 + " 40000 30000 3 40000 15000 540000 -2000 1000000 200000 0 0\r\n" + e2 +
             e3 + kTrailer, 3, "beyond a full turn"},
        {"name and origin line missing", h + all, 6, "the file ends before its name and origin line"},
        {"origin not a number", h + all + " RECT 0 1O\r\n1\r\n", 6, "the origin Y \"1O\""},
        {"id line missing", h + all + " RECT 0 0\r\n", 7, "the file ends before its id line"},
        {"id not a number", h + all + " RECT 0 0\r\n0xZ1\r\n", 7, "the id \"0xZ1\""},
        {"feed beyond the controller's", h + e0 + " 40000 30000 2 0 0 0 -2000 1200020000 200000 0 0\r\n" + e2 + e3 + kTrailer,
         3, "element 1: the XY feed 1200020 mm/min is beyond the controller's 99999 mm/min"},
    };
}

} // namespace

TEST_F(Library, SoundShapeOfTheDamagedTableCompiles) {
    WriteFile(dir_.path() / "RECT.VLK", Sound());
    int32_t counter = 40;
    EXPECT_EQ(Compile(dir_.str("RECT.VLK"), counter), 0);
    EXPECT_GT(counter, 50);
    EXPECT_TRUE(messages_.empty()) << messages_[0];
}

TEST_F(Library, DamagedShapeFilesAreRefusedNamingTheLine) {
    for (const Damaged& d : DamagedTable()) {
        SCOPED_TRACE(d.what);
        messages_.clear();
        const std::string shape = dir_.str("DAMAGED.VLK");
        WriteFile(shape, d.text);
        const std::string before = Prog();
        int32_t counter = 40;
        EXPECT_EQ(Compile(shape, counter), -1);
        EXPECT_EQ(counter, 40);
        EXPECT_EQ(Prog(), before);
        EXPECT_FALSE(fs::exists(dir_.path() / "DAMAGED.iso"));
        EXPECT_EQ(messages_.size(), 1u);
        if (messages_.size() != 1) continue;
        const std::string lead = "VLK.DLL|Error: SHAPE " + shape + ": line " + std::to_string(d.line) + ": ";
        EXPECT_EQ(messages_[0].substr(0, lead.size()), lead) << messages_[0];
        EXPECT_NE(messages_[0].find(d.because), std::string::npos) << messages_[0];
        EXPECT_EQ(messages_[0].find("GOUGE"), std::string::npos) << messages_[0];
    }
}

namespace {

struct CycleCase {
    const char* stLine;              // after the id line
    std::vector<const char*> blocks; // empty: refused; else lines the program must hold
    const char* because = "";        // refused: a part of the message
    const char* name = "CYCLE";      // the shape's name
};

std::string CycleShape(int type, const std::string& stLine, const std::string& name = "CYCLE") {
    return "1 8000 0 0 0 0 999999 999999\r\n 0 0 " + std::to_string(type) + " 0 0 0 0 0 0 0 0\r\n " + name +
           " 0 0\r\n4\r\n" + stLine + "\r\n";
}

std::vector<CycleCase> CycleTable() {
    return {
        // Helical hole: diameter and four depths above 0, speeds optional.
        {"ST100 H 20 2 4 6 8 3200 4770", {"R400 = 20-R620", "G00 X0 Y0 S3200", "Z=(R332+2) S4770",
                                          "G03 X0 Y0 Z=(R332+8) I0 J=-R401 e1"}},
        {"ST100 H 0.001 0.001 0.001 0.001 0.001 1 1", {"R400 = 0.001-R620", "S1", "Z=(R332+0.001) S1"}},
        {"ST100 H 2147483.647 2147483.647 1 1 1 99999 99999",
         {"R400 = 2147483.647-R620", "G00 X0 Y0 S99999", "Z=(R332+2147483.647) S99999"}},
        {"st100 H 20.500 +2 4.0 6 8", {"R400 = 20.5-R620", "S3200", "Z=(R332+2) S4770", "Z=(R332+4) I0 J=-R401"}},
        {"ST100 H 20 2 4 6 8 0 -5", {"S3200", "Z=(R332+2) S4770"}},
        {"ST100 H 20 2 4 6 8 3200M30", {}, "the ST100 speed 1 \"3200M30\""},
        {"ST100 H 20 2 4 6 8 3200 L<X>", {}, "the ST100 speed 2 \"L<X>\""},
        {"ST100 H 20 2 4 6 8 3200.5", {}, "speed 1 \"3200.5\" is not a whole number"},
        {"ST100 H 20 2 4 6 8 100000", {}, "speed 1 \"100000\" is not a whole number up to 99999"},
        // The parameter line is the one after the id line, whatever the name says, and holds
        // no word past speed 2.
        {"ST100 X 8 2 4 6 8 9 3000 5000", {}, "the ST100 line holds 9 words, at most 8", "ST100"},
        {"ST100 H 20}M30{ 2 4 6 8", {}, "the ST100 hole diameter \"20}M30{\" is not a number of millimetres"},
        {"ST100 H 8mm 2 4 6 8", {}, "hole diameter \"8mm\""},
        {"ST100 H 0 2 4 6 8", {}, "hole diameter \"0\""},
        {"ST100 H 0.0004 2 4 6 8", {}, "hole diameter \"0.0004\""},
        {"ST100 H 2147483.648 2 4 6 8", {}, "hole diameter \"2147483.648\""},
        {"ST100 H 1e3 2 4 6 8", {}, "hole diameter \"1e3\""},
        {"ST100 H inf 2 4 6 8", {}, "hole diameter \"inf\""},
        {"ST100 H 0x14 2 4 6 8", {}, "hole diameter \"0x14\""},
        {"ST100 H 20 2 4 -6 8", {}, "the ST100 depth 3 \"-6\""},
        {"ST100 H 20 2 4 6", {}, "the ST100 depth 4 \"\""},
        {"ST100 H 0000000000000020 2 4 6 8", {}, "word 2 of the ST100 line is longer than 15 characters"},
        // Stepped plunge: tool diameter, speed, 1 to 10 steps, their feeds and depths.
        {"ST101 P 8 3000 2 200 150 5 10",
         {"G0 X0 Y0 Z=R330 M03 S3000", "G1 F200 Z=(R331-5)", "G1 F150 Z=(R331-10)"}},
        {"ST101 P 0.001 1 1 0.001 0.001", {"M03 S1", "G1 F0.001 Z=(R331-0.001)"}},
        // The tool diameter goes only into the cycle's comment: any word that cannot end it.
        {"ST101 P D8 3000 1 200 5", {"M03 S3000", "G1 F200 Z=(R331-5)"}},
        {"ST101 P 2147483.647 99999 10 1 2 3 4 5 6 7 8 9 99999 1 2 3 4 5 6 7 8 9 2147483.647",
         {"M03 S99999", "G1 F1 Z=(R331-1)", "G1 F99999 Z=(R331-2147483.647)"}},
        {"ST101 P 8 3000 1 99999.001 5", {}, "the ST101 feed of step 1 \"99999.001\" is not a number of millimetres "
                                               "from 0.001 to 99999"},
        {"ST101 P 8 3000 2 200 ", {}, "the ST101 depth of step 1 \"\""},
        {"ST101 P 8 3000 2 200 150 5", {}, "the ST101 depth of step 2 \"\""},
        {"ST101 P 8 3000 2", {}, "the ST101 feed of step 1 \"\""},
        {"ST101 P 8 3000 2 200 150 5 10 15", {}, "the ST101 line holds 9 words, 8 for its 2 steps"},
        {"ST101 P 8 3000 11 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1", {}, "step count \"11\" is not a whole number from 1 to 10"},
        {"ST101 P 8 3000 0", {}, "step count \"0\""},
        {"ST101 P 8 3000 1.5 200 5", {}, "step count \"1.5\""},
        {"ST101 P 8 3000M30 1 200 5", {}, "the ST101 speed \"3000M30\""},
        {"ST101 P 8 0 1 200 5", {}, "the ST101 speed \"0\""},
        {"ST101 P 8}M30{ 3000 1 200 5", {}, "the ST101 tool diameter \"8}M30{\" holds a brace"}, 
        {"ST101 P \x01 3000 1 200 5", {}, "tool diameter \"?\" holds a brace or a character that is not printable ASCII"},
        {"ST101 P 8\xb0 3000 1 200 5", {}, "tool diameter \"8?\" holds a brace or a character that is not"},
        {"ST101 P 8\x7f 3000 1 200 5", {}, "tool diameter \"8?\" holds a brace or a character that is not"},
        {"ST101 P 8 3000 1 F200 5", {}, "the ST101 feed of step 1 \"F200\""},
        {"ST101 P 8 3000 1 200 5)M30(", {}, "the ST101 depth of step 1 \"5)M30(\""},
        {"ST101 P 8 3000 1 200 -5", {}, "the ST101 depth of step 1 \"-5\""},
    };
}

} // namespace

TEST_F(Library, HoleCycleFieldsAreNumbersWithinTheirLimitsOrRefused) {
    for (const CycleCase& c : CycleTable()) {
        SCOPED_TRACE(c.stLine);
        messages_.clear();
        const int type = std::string(c.stLine).substr(2, 3) == "100" ? 100 : 101;
        const std::string shape = dir_.str("CYCLE.VLK");
        WriteFile(shape, CycleShape(type, c.stLine, c.name));
        WriteFile(dir_.path() / "PROG.ISO", "%\r\nN10 R599=9999\r\n");
        const std::string before = Prog();
        int32_t counter = 40;
        const int32_t rc = Compile(shape, counter);
        if (c.blocks.empty()) {
            EXPECT_EQ(rc, -1);
            EXPECT_EQ(counter, 40);
            EXPECT_EQ(Prog(), before);
            EXPECT_EQ(messages_.size(), 1u);
            if (messages_.size() != 1) continue;
            const std::string lead = "VLK.DLL|Error: SHAPE " + shape + ": line 5: ";
            EXPECT_EQ(messages_[0].substr(0, lead.size()), lead) << messages_[0];
            EXPECT_NE(messages_[0].find(c.because), std::string::npos) << messages_[0];
            continue;
        }
        EXPECT_EQ(rc, 0) << (messages_.empty() ? "" : messages_[0]);
        EXPECT_TRUE(messages_.empty());
        const std::string prog = Prog();
        for (const char* b : c.blocks) EXPECT_NE(prog.find(b), std::string::npos) << b << "\n" << prog;
        // Every word the cycle writes is the compiler's own: no letter but those of its blocks.
        for (const char* bad : {"M30", "<X>", "mm", "e3", "}M", "+-", "--"})
            EXPECT_EQ(prog.find(bad), std::string::npos) << bad;
    }
}

TEST_F(Library, CycleWithoutItsParameterLineIsRefusedAtItsElement) {
    for (int type : {100, 101}) {
        messages_.clear();
        const std::string shape = dir_.str("BARE.VLK");
        WriteFile(shape, CycleShape(type, type == 100 ? "ST101 P 8 3000 1 200 5" : "ST100 H 20 2 4 6 8"));
        const std::string before = Prog();
        int32_t counter = 40;
        EXPECT_EQ(Compile(shape, counter), -1) << type;
        EXPECT_EQ(counter, 40);
        EXPECT_EQ(Prog(), before);
        ASSERT_EQ(messages_.size(), 1u);
        const std::string code = std::to_string(type);
        EXPECT_EQ(messages_[0], "VLK.DLL|Error: SHAPE " + shape + ": line 2: the cycle of type " + code +
                                    " has no \"ST" + code + "\" parameter line.");
    }
}
