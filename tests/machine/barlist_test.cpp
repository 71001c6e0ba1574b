// Bar lists: loading, versions and conversion, damaged files, repetitions, sorting and checks.
#include <sys/stat.h>

#include <cerrno>
#include <cmath>
#include <filesystem>
#include <string>
#include <iterator>

#include "barlist_fixture.h"
#include "machine/error_text.h"
#include "machine/settings_support.h"
#include "platform/paths.h"

namespace barlist_test {
namespace {

using ldatest::BuildLda;
using ldatest::ListSpec;

TEST_F(BarListTest, LoadsBarsPiecesMachiningsAndNames) {
    auto list = Load(SmallList());
    ASSERT_TRUE(list->IsLoaded()) << g_errorText;
    EXPECT_STREQ(list->ListName(), "LIST");
    EXPECT_STREQ(g_listDescription, "SMALL LIST");
    ASSERT_EQ(list->BarCount(), 2);
    EXPECT_EQ(list->TotalPieces(), 2);
    EXPECT_EQ(list->TotalMachinings(), 5);
    const BarRecord& a = *list->Bar(0);
    EXPECT_EQ(a.index, 1);
    EXPECT_STREQ(a.name, "FRAME");
    EXPECT_STREQ(a.series, "ALU60");
    EXPECT_STREQ(a.code, "T6001");
    EXPECT_STREQ(a.label, "12");
    EXPECT_EQ(a.intCode1, kBarCodeLoaded1);
    EXPECT_EQ(a.firstCutAngle, 90000);
    // The section starts at the profile offsets (none here) and keeps its size.
    EXPECT_EQ(a.yMin, 0);
    EXPECT_EQ(a.yMax, 60000);
    EXPECT_EQ(a.zMax, 45000);
    EXPECT_EQ(a.offsetY, -1000);
    EXPECT_EQ(a.offsetZ, 2000);
    EXPECT_EQ(a.firstPieceIndex, 0);
    EXPECT_EQ(a.requiredTools[0], tools_->FindTool("PUNTA5"));
    EXPECT_EQ(a.requiredTools[1], tools_->FindTool("FRESA8"));
    EXPECT_EQ(a.requiredTools[2], 0);
    EXPECT_EQ(a.firstPieceOffset, lda::kFirstBarOffset + lda::kBarSize);
    EXPECT_EQ(a.repetitionsOffset, lda::kFirstBarOffset + lda::bar::kRepetitions);
    ASSERT_EQ(list->Pieces().size(), 2u);
    EXPECT_EQ(list->Pieces()[1].firstMachining, 2);
    EXPECT_EQ(list->Machinings()[1].tailLength, 2 * lda::kTailEntrySize);
    EXPECT_EQ(lda::GetI32(list->MachiningTail(1) + lda::kTailEntrySize), 3000);
    const BarRecord& b = *list->Bar(1);
    EXPECT_STREQ(b.code, "");
    EXPECT_STREQ(b.label, "PVC70#2");
    EXPECT_EQ(b.firstPieceIndex, -1);
    EXPECT_EQ(b.barMachiningCount, 2);
    EXPECT_EQ(b.firstMachiningIndex, 3);
    EXPECT_EQ(b.firstCutAngle, 45000);
    EXPECT_EQ(list->ListTotal(), 2 * 2 + 1);
}

TEST_F(BarListTest, CompanionPathReplacesOnlyTheFileNameExtension) {
    EXPECT_EQ(CompanionPathOf("C:\\LISTE.2024\\ORD12.lda"), "C:\\LISTE.2024\\ORD12.EXT");
    EXPECT_EQ(CompanionPathOf("/data/v1.5/ORD12"), "/data/v1.5/ORD12.EXT");
    EXPECT_EQ(CompanionPathOf("ord.1.lda"), "ord.1.EXT");
    EXPECT_EQ(ListNameOfPath("D:\\LISTE.X\\ord12.lda"), "ORD12");
}

TEST_F(BarListTest, VersionBoundaries) {
    for (int version : {99, 100, 101, 102, 110}) {
        SCOPED_TRACE(version);
        auto list = Load(SmallList(version));
        ASSERT_TRUE(list->IsLoaded()) << g_errorText;
        EXPECT_EQ(list->FormatVersion(), version < 102 ? 102 : version);
        EXPECT_EQ(ldatest::ReadBytes(P("LIST.lda"))[lda::hdr::kVersion], version < 102 ? 102 : version);
        EXPECT_EQ(list->BarCount(), 2);
    }
    const std::vector<uint8_t> newer = BuildLda(SmallList(111));
    const std::size_t jobs = events_.jobs.size();
    ClearErrorText();
    auto list = LoadBytes(newer);
    EXPECT_FALSE(list->IsLoaded());
    EXPECT_STREQ(g_errorText, "ERR_VERSION_LDA");
    EXPECT_EQ(ldatest::ReadBytes(P("LIST.lda")), newer); // left unchanged
    EXPECT_EQ(events_.jobs.size(), jobs);
}

TEST_F(BarListTest, ConvertedListLoadsEqualToTheSameDataAsVersion102) {
    auto oldList = Load(SmallList(101), "OLD.lda");
    auto newList = Load(SmallList(102), "NEW.lda");
    ASSERT_TRUE(oldList->IsLoaded()) << g_errorText;
    ASSERT_TRUE(newList->IsLoaded()) << g_errorText;
    const std::vector<uint8_t> file = ldatest::ReadBytes(P("OLD.lda"));
    EXPECT_EQ(lda::GetI16(file.data() + lda::hdr::kBarSize), 560);
    EXPECT_EQ(lda::GetI16(file.data() + lda::hdr::kBarSizeNew), 560);
    EXPECT_EQ(lda::GetI16(file.data() + lda::kFirstBarOffset + lda::bar::kPieceSize), 256);
    EXPECT_EQ(lda::GetI16(file.data() + lda::kFirstBarOffset + lda::bar::kMachiningSize), 320);
    const uint8_t* infoRec = file.data() + lda::kHeaderSize;
    EXPECT_STREQ(reinterpret_cast<const char*>(infoRec + lda::info::kProgramVersion), "3.0");
    for (int i = 0; i < lda::kInfoSize; ++i)
        if (i < lda::info::kProgramVersion || i >= lda::info::kProgramVersion + 8) {
            ASSERT_EQ(infoRec[i], 0) << i;
        }
    EXPECT_FALSE(std::filesystem::exists(P("OLD.lda.tmp")));

    ASSERT_EQ(oldList->BarCount(), newList->BarCount());
    for (int i = 0; i < oldList->BarCount(); ++i) {
        const BarRecord& o = *oldList->Bar(i);
        const BarRecord& n = *newList->Bar(i);
        EXPECT_STREQ(o.name, n.name);
        EXPECT_STREQ(o.label, n.label);
        EXPECT_EQ(o.length, n.length);
        EXPECT_EQ(o.firstCutAngle, n.firstCutAngle);
        EXPECT_EQ(o.yMax, n.yMax);
        EXPECT_EQ(o.repetitionsOffset, n.repetitionsOffset);
        EXPECT_EQ(o.firstPieceOffset, n.firstPieceOffset);
        EXPECT_EQ(std::memcmp(o.requiredTools, n.requiredTools, sizeof o.requiredTools), 0);
    }
    ASSERT_EQ(oldList->Pieces().size(), newList->Pieces().size());
    for (std::size_t i = 0; i < oldList->Pieces().size(); ++i)
        EXPECT_EQ(std::memcmp(oldList->Pieces()[i].record, newList->Pieces()[i].record, lda::kPieceSize), 0) << i;
    ASSERT_EQ(oldList->Machinings().size(), newList->Machinings().size());
    for (std::size_t i = 0; i < oldList->Machinings().size(); ++i) {
        EXPECT_EQ(std::memcmp(oldList->Machinings()[i].record, newList->Machinings()[i].record, lda::kMachiningSize), 0)
            << i;
        EXPECT_EQ(oldList->Machinings()[i].tailLength, newList->Machinings()[i].tailLength);
    }
}

TEST_F(BarListTest, FailedConversionLeavesTheOriginalAndSaysWhy) {
    ListSpec spec = SmallList(101);
    spec.bars[0].pieces[0].machinings[0].figure = 7; // a blade machining of an old list
    const std::vector<uint8_t> bytes = BuildLda(spec);
    auto list = LoadBytes(bytes);
    EXPECT_FALSE(list->IsLoaded());
    EXPECT_STREQ(g_errorText, "ERR_LAVLAMALDA");
    EXPECT_EQ(ldatest::ReadBytes(P("LIST.lda")), bytes);
    EXPECT_FALSE(std::filesystem::exists(P("LIST.lda.tmp")));

    // A folder where the converted file cannot be written: the list stays as it was.
    if (::geteuid() != 0) {
        std::filesystem::create_directories(dir_ / "ro");
        const std::vector<uint8_t> good = BuildLda(SmallList(101));
        ASSERT_TRUE(ldatest::WriteBytes(P("ro/L.lda"), good));
        ::chmod(P("ro").c_str(), 0555);
        auto ro = std::make_unique<BarList>(P("ro/L.lda").c_str());
        ::chmod(P("ro").c_str(), 0755);
        EXPECT_FALSE(ro->IsLoaded());
        EXPECT_EQ(ldatest::ReadBytes(P("ro/L.lda")), good);
    }
}

TEST(MigrateMachiningRecord, EachThreshold) {
    auto migrate = [](int version, auto setup) {
        uint8_t r[lda::kMachiningSize] = {};
        setup(r);
        EXPECT_EQ(MigrateMachiningRecord(version, r, 5000000), 0);
        return std::vector<uint8_t>(r, r + lda::kMachiningSize);
    };
    using namespace lda::mach;
    auto groups = [](uint8_t* r) {
        lda::PutI32(r + kGroup, 7);
        lda::PutI16(r + kIdLdt, 9);
    };
    EXPECT_EQ(lda::GetI32(migrate(11, groups).data() + kGroup), 0);
    EXPECT_EQ(lda::GetI32(migrate(12, groups).data() + kGroup), 7);
    auto marks = [](uint8_t* r) { r[kByte252] = 5; };
    EXPECT_EQ(migrate(13, marks)[kByte252], 2);
    EXPECT_EQ(migrate(14, marks)[kByte252], 5);
    EXPECT_EQ(migrate(14, marks)[kByte253], 1);
    auto diameter = [](uint8_t* r) { lda::PutI32(r + kRequestedDiameter, 8000); lda::PutI32(r + kSpeed2, 50); };
    EXPECT_EQ(lda::GetI32(migrate(14, diameter).data() + kRequestedDiameter), 0);
    EXPECT_EQ(lda::GetI32(migrate(15, diameter).data() + kRequestedDiameter), 8000);
    EXPECT_EQ(lda::GetI32(migrate(24, diameter).data() + kSpeed2), 0);
    EXPECT_EQ(lda::GetI32(migrate(25, diameter).data() + kSpeed2), 50);
    auto figure = [](uint8_t* r) {
        lda::PutI16(r + kOldFigure, 3);
        lda::PutI32(r + kDepthCount, 2000);
        lda::PutI32(r + kStepDepth, 4000);
    };
    const auto f25 = migrate(25, figure);
    EXPECT_EQ(lda::GetI16(f25.data() + kFigure), 3);
    EXPECT_EQ(lda::GetI32(f25.data() + kStepDepth), 2000);
    EXPECT_EQ(lda::GetI32(f25.data() + kDepthCount), 3);
    EXPECT_EQ(lda::GetI32(migrate(26, figure).data() + kDepthCount), 2000);
    auto speed = [](uint8_t* r) { lda::PutI16(r + kRotationSpeed, 900); };
    EXPECT_EQ(lda::GetI16(migrate(35, speed).data() + kRotationSpeed), -1);
    EXPECT_EQ(lda::GetI16(migrate(36, speed).data() + kRotationSpeed), 900);
    // Below 100: the name moves, the coordinates turn with the direction flag.
    auto turned = [](uint8_t* r) {
        std::memcpy(r + kOldText, "OLDNAME", 7);
        lda::PutI32(r + kX, 10);
        lda::PutI32(r + kY, 20);
        lda::PutI32(r + kZ, 30);
        lda::PutF32(r + kFaceAngle, 90.0f);
        lda::PutF32(r + kFigureAngle, 10.0f);
        r[kDirectionFlag] = 2;
    };
    const auto t99 = migrate(99, turned);
    EXPECT_STREQ(reinterpret_cast<const char*>(t99.data() + kNomeLdt), "OLDNAME");
    EXPECT_EQ(t99[kOldText], 0);
    EXPECT_EQ(lda::GetI32(t99.data() + kX), 30 + 5000000);
    EXPECT_EQ(lda::GetI32(t99.data() + kY), -10);
    EXPECT_EQ(lda::GetI32(t99.data() + kZ), 20);
    EXPECT_EQ(lda::GetF32(t99.data() + kFigureAngle), 100.0f);
    EXPECT_EQ(lda::GetI32(migrate(100, turned).data() + kX), 10);
    auto flat = [](uint8_t* r) { lda::PutF32(r + kFaceAngle, 90.0f); };
    EXPECT_EQ(lda::GetF32(migrate(99, flat).data() + kFaceAngle), 0.0f);
}

TEST_F(BarListTest, OldDiscLosesItsRequestedDiameterAndBladeMachiningIsRefused) {
    WriteText("TOOLS.TXT", std::string(kDemoTools) + "* DISCO 3 0 \r\n3000 0 0\r\n100 0 0 0 100 0\r\n5 0 0 2 20 0\r\n");
    ASSERT_EQ(tools_->LoadTools(), 0) << g_errorText;
    uint8_t r[lda::kMachiningSize] = {};
    std::memcpy(r + lda::mach::kToolName, "DISCO", 5);
    lda::PutI32(r + lda::mach::kRequestedDiameter, 100000);
    ASSERT_EQ(MigrateMachiningRecord(101, r, 0), 0);
    EXPECT_EQ(lda::GetI32(r + lda::mach::kRequestedDiameter), 100000);
    ASSERT_EQ(MigrateMachiningRecord(100, r, 0), 0);
    EXPECT_EQ(lda::GetI32(r + lda::mach::kRequestedDiameter), 0);
    lda::PutI16(r + lda::mach::kFigure, 7);
    EXPECT_EQ(MigrateMachiningRecord(101, r, 0), 1);
}

TEST_F(BarListTest, MigrateListRecordSetsDirectionAndMirrors) {
    using namespace lda::mach;
    auto run = [](float face, float dir, const char* tool = "") {
        std::vector<uint8_t> r(lda::kMachiningSize, 0);
        lda::PutF32(r.data() + kFaceAngle, face);
        lda::PutF32(r.data() + kDirectionAngle, dir);
        lda::PutI32(r.data() + kXMin, -5);
        lda::PutI32(r.data() + kXMax, 7);
        lda::PutF32(r.data() + kFigureAngle, 30.0f);
        r[kDirectionFlag] = 9;
        std::memcpy(r.data() + kToolName, tool, std::strlen(tool));
        MigrateListRecord(102, r.data(), 0);
        return r;
    };
    EXPECT_EQ(run(-90, -90)[kDirectionFlag], 1);
    EXPECT_EQ(run(-90, 90)[kDirectionFlag], 2);
    const auto m1 = run(90, 90);
    EXPECT_EQ(m1[kDirectionFlag], 1);
    EXPECT_EQ(lda::GetF32(m1.data() + kFaceAngle), -90.0f);
    EXPECT_EQ(lda::GetI32(m1.data() + kXMin), -7);
    EXPECT_EQ(lda::GetI32(m1.data() + kXMax), 5);
    EXPECT_EQ(lda::GetF32(m1.data() + kFigureAngle), -150.0f);
    const auto m2 = run(90, -90);
    EXPECT_EQ(m2[kDirectionFlag], 2);
    EXPECT_EQ(lda::GetF32(m2.data() + kFigureAngle), 210.0f);
    const auto flat = run(0, 45);
    EXPECT_EQ(flat[kDirectionFlag], 0);
    EXPECT_EQ(lda::GetF32(flat.data() + kDirectionAngle), 0.0f);
    EXPECT_EQ(flat[kByte252], 2);
    EXPECT_EQ(flat[kByte253], 1);
    std::strcpy(g_pSettings->QBLADE_NAME, "LAMA");
    EXPECT_EQ(run(-90, -90, "LAMA")[kDirectionFlag], 9); // blade records keep their direction
}

TEST_F(BarListTest, EmptyBarIsSkippedButStillCounted) {
    ListSpec spec = SmallList();
    spec.bars.insert(spec.bars.begin() + 1, ldatest::BarSpec{});
    auto list = Load(spec);
    ASSERT_TRUE(list->IsLoaded()) << g_errorText;
    ASSERT_EQ(list->BarCount(), 2);
    EXPECT_EQ(list->Bar(1)->index, 3);
    EXPECT_STREQ(list->Bar(1)->label, "PVC70#3");
    EXPECT_EQ(list->HeaderBarCount(), 3);
}

TEST_F(BarListTest, JobRecordOnlyAtFirstOpening) {
    auto first = Load(SmallList());
    ASSERT_TRUE(first->IsLoaded());
    ASSERT_EQ(events_.jobs.size(), 1u);
    EXPECT_EQ(events_.jobs[0].path, P("LIST.lda"));
    EXPECT_EQ(events_.jobs[0].first, 5);
    EXPECT_EQ(events_.jobs[0].second, 5);
    EXPECT_EQ(ldatest::ReadBytes(P("LIST.lda"))[lda::hdr::kState], lda::kStateOpened);
    BarList again(P("LIST.lda").c_str());
    ASSERT_TRUE(again.IsLoaded());
    EXPECT_EQ(events_.jobs.size(), 1u);
}

TEST_F(BarListTest, RepetitionsWrittenBackOnlyWithChangeRip) {
    ListSpec spec = SmallList();
    spec.state = lda::kStateOpened;
    auto list = Load(spec);
    ASSERT_TRUE(list->IsLoaded());
    const std::vector<uint8_t> before = ldatest::ReadBytes(P("LIST.lda"));
    g_pSettings->CHANGE_RIP = 0;
    list->SetBarRepetitionsLeft(0, 0);
    list->SetBarRepetitionsLeft(1, 0);
    EXPECT_EQ(list->Bar(0)->repetitionsLeft, 0);
    EXPECT_EQ(list->SortBarsByRepetitionsLeft(), 0);
    EXPECT_EQ(ldatest::ReadBytes(P("LIST.lda")), before); // nothing written, never deleted
    ASSERT_EQ(events_.jobs.size(), 1u);
    EXPECT_EQ(events_.jobs[0].first, 0); // the end of the job

    g_pSettings->CHANGE_RIP = 1;
    auto second = Load(spec, "L2.lda");
    second->SetBarRepetitionsLeft(0, 7);
    EXPECT_EQ(lda::GetU16(ldatest::ReadBytes(P("L2.lda")).data() + second->Bar(0)->repetitionsOffset), 7);
    second->SetBarRepetitionsLeft(0, 0);
    second->SetBarRepetitionsLeft(1, 0);
    EXPECT_EQ(second->SortBarsByRepetitionsLeft(), 0);
    EXPECT_FALSE(std::filesystem::exists(P("L2.lda")));

    ListSpec further = spec;
    further.furtherBars = {spec.bars[1]};
    auto third = Load(further, "L3.lda");
    ASSERT_TRUE(third->IsLoaded()) << g_errorText;
    EXPECT_EQ(third->FurtherBarCount(), 1);
    EXPECT_EQ(third->TotalMachinings(), 7);
    third->SetBarRepetitionsLeft(0, 0);
    third->SetBarRepetitionsLeft(1, 0);
    third->SortBarsByRepetitionsLeft();
    EXPECT_TRUE(std::filesystem::exists(P("L3.lda"))); // further bars keep the list
}

// A finished list whose file cannot be removed (its folder read-only) is said, naming the file:
// it would be offered again, finished, at its next opening.
TEST_F(BarListTest, FinishedListThatCannotBeRemovedIsSaid) {
    ListSpec spec = SmallList();
    spec.state = lda::kStateOpened;
    g_pSettings->CHANGE_RIP = 1;
    auto list = Load(spec, "L4.lda");
    ASSERT_TRUE(list->IsLoaded());
    list->SetBarRepetitionsLeft(0, 0);
    list->SetBarRepetitionsLeft(1, 0);
    plat::SetFileFaultForTests([](const char* path, plat::FileOp op) {
        return op == plat::FileOp::Remove && std::string(path).find("L4.lda") != std::string::npos ? EROFS : 0;
    });
    EXPECT_EQ(list->SortBarsByRepetitionsLeft(), 0);
    plat::SetFileFaultForTests(nullptr);
    EXPECT_TRUE(std::filesystem::exists(P("L4.lda")));
    EXPECT_TRUE(list->FinishedListKept());
    const std::string text = g_errorText;
    EXPECT_EQ(text.rfind(std::string(MsgError("ERR_LIST_NOT_REMOVED")) + " (", 0), 0u) << text;
    EXPECT_NE(text.find("L4.lda"), std::string::npos) << text;
    // Removed at the next try, and nothing said.
    EXPECT_EQ(list->DeleteFinishedList(), 0);
    EXPECT_FALSE(list->FinishedListKept());
    EXPECT_FALSE(std::filesystem::exists(P("L4.lda")));
}

TEST_F(BarListTest, SortsKeepFileOrderAmongEquals) {
    ListSpec spec = SmallList();
    spec.bars[0].repetitions = 0;
    ldatest::BarSpec c = spec.bars[1];
    c.name = "ALPHA";
    c.series = "ABC";
    spec.bars.push_back(c);
    auto list = Load(spec);
    ASSERT_TRUE(list->IsLoaded());
    EXPECT_EQ(list->BarsLeft(), 2);
    EXPECT_EQ(list->Bar(0)->index, 2);
    EXPECT_EQ(list->Bar(1)->index, 3);
    EXPECT_EQ(list->Bar(2)->index, 1);
    g_pSettings->TYPE_OTTIM = 1;
    EXPECT_EQ(list->SortBarListByName(), 0);
    EXPECT_STREQ(list->Bar(0)->name, "ALPHA");
    g_pSettings->TYPE_OTTIM = 2;
    list->SortBarListByName();
    EXPECT_STREQ(list->Bar(0)->series, "ABC");
    EXPECT_EQ(list->Bar(2)->index, 1); // the finished bar stays last
}

TEST_F(BarListTest, LabelRules) {
    ListSpec spec = SmallList();
    auto label = [&](const std::string& text) {
        spec.bars[0].label = text;
        auto list = Load(spec);
        EXPECT_TRUE(list->IsLoaded()) << g_errorText;
        return list->IsLoaded() ? std::string(list->Bar(0)->label) + "|" + list->Bar(0)->displayLabel : "";
    };
    EXPECT_EQ(label("<alu60>"), "ALU60#1|ALU60#1");
    EXPECT_EQ(label("Alu60"), "ALU60#1|ALU60#1");
    EXPECT_EQ(label("?"), "ALU60#1|ALU60#1");
    EXPECT_EQ(label("0042"), "42|42");
    EXPECT_EQ(label(" win a_1"), "WIN A 1|WIN A 1");
    EXPECT_EQ(label("VERY LONG LABEL 1"), "VERY LON|VERY LONG LABEL 1");
}

TEST_F(BarListTest, WrongCutAngleIsRefused) {
    ListSpec spec = SmallList();
    spec.bars[1].secondCutAngle = 5; // 0.05 degree
    auto list = Load(spec);
    EXPECT_FALSE(list->IsLoaded());
    EXPECT_STREQ(g_errorText, "WRONG_ANGLE PVC70#2");
}

TEST_F(BarListTest, ToolsOfABarMustBeKnownAndFitTheRalla) {
    ListSpec spec = SmallList();
    spec.bars[1].machinings[0].tool = "NOSUCH";
    auto list = Load(spec);
    EXPECT_FALSE(list->IsLoaded());
    EXPECT_STREQ(g_errorText, "WRONG_DRILL: NOSUCH");

    WriteText("TOOLS.TXT", std::string(kDemoTools) + "* FRESA10 0 0 \r\n1000 1 1\r\n10 0 0 0 10 0\r\n30 0 0 10 50 0\r\n");
    ASSERT_EQ(tools_->LoadTools(), 0) << g_errorText;
    spec = SmallList();
    spec.bars[1].machinings.clear();
    for (const char* t : {"PUNTA8", "FRESA6", "PUNTA5", "FRESA8", "PUNTA8"}) {
        spec.bars[1].machinings.push_back(spec.bars[0].pieces[0].machinings[0]);
        spec.bars[1].machinings.back().tool = t;
    }
    EXPECT_TRUE(Load(spec)->IsLoaded()) << g_errorText; // four tools, four positions
    spec.bars[1].machinings.back().tool = "FRESA10";
    EXPECT_FALSE(Load(spec)->IsLoaded());
    EXPECT_STREQ(g_errorText, "TROPPI_UTEN PVC70#2"); // names the bar, as the later tool check does
}

TEST_F(BarListTest, DamagedFilesAreRefusedWithTheRecord) {
    ldatest::LdaLayout layout;
    const std::vector<uint8_t> good = BuildLda(SmallList(), &layout);
    auto refused = [&](std::vector<uint8_t> bytes, const char* expected) {
        ClearErrorText();
        auto list = LoadBytes(bytes);
        EXPECT_FALSE(list->IsLoaded());
        EXPECT_STREQ(g_errorText, expected);
    };
    // Truncated anywhere: inside the header, the information record, a bar, a piece, a tail.
    for (std::size_t cut : {std::size_t{10}, std::size_t{100}, layout.bars[0] + 100, layout.pieces[0][1] + 3,
                            layout.machinings[0][1] + lda::kMachiningSize + 5, good.size() - 1}) {
        SCOPED_TRACE(cut);
        std::vector<uint8_t> bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(cut));
        ClearErrorText();
        EXPECT_FALSE(LoadBytes(bytes)->IsLoaded());
        EXPECT_EQ(std::string(g_errorText).rfind("ERR_READ", 0), 0u) << g_errorText;
    }
    auto patched = [&](std::size_t at, int16_t value) {
        std::vector<uint8_t> b = good;
        lda::PutI16(b.data() + at, value);
        return b;
    };
    refused(patched(lda::hdr::kBarSize, 561), "ERR_READ (LISTA: HEADER)");
    refused(patched(lda::hdr::kBarCount, -1), "ERR_READ (LISTA: HEADER)");
    refused(patched(layout.bars[0] + lda::bar::kPieceSize, 257), "ERR_READ (LISTA: BAR 1 PIECE SIZE)");
    refused(patched(layout.bars[0] + lda::bar::kMachiningSize, 321), "ERR_READ (LISTA: BAR 1 PZ 1 LAV 1 SIZE)");
    refused(patched(layout.bars[0] + lda::bar::kPieceCount, -2), "ERR_READ (LISTA: BAR 1 COUNT)");
    refused(patched(layout.pieces[0][0] + lda::piece::kMachiningCount, -1), "ERR_READ (LISTA: BAR 1 PZ 1 COUNT)");
    refused(patched(layout.machinings[0][1] + lda::mach::kTailLength, 481), "ERR_READ (LISTA: BAR 1 PZ 1 LAV 2 TAIL)");
    refused(patched(layout.machinings[0][1] + lda::mach::kTailLength, -4), "ERR_READ (LISTA: BAR 1 PZ 1 LAV 2 TAIL)");
    std::vector<uint8_t> bytes = good;
    std::memset(bytes.data() + layout.bars[1] + lda::bar::kLabel, 'X', lda::bar::kTextLen);
    refused(bytes, "ERR_READ (LISTA: BAR 2 LABEL)");
    bytes = good;
    std::memset(bytes.data() + layout.machinings[0][0] + lda::mach::kToolName, 'T', lda::mach::kToolNameLen);
    refused(bytes, "ERR_READ (LISTA: BAR 1 PZ 1 LAV 1 TOOL)");
    bytes = good;
    std::memset(bytes.data() + layout.pieces[0][1] + lda::piece::kAddInfo, 'I', lda::piece::kTextLen);
    refused(bytes, "ERR_READ (LISTA: BAR 1 PZ 2 ADDINFO)");
    bytes = good;
    lda::PutI32(bytes.data() + layout.bars[0] + lda::bar::kYMin, INT32_MIN);
    refused(bytes, "ERR_READ (LISTA: BAR 1 SECTION)");
}

TEST_F(BarListTest, ShortStoredRecordsReadAsZerosPastTheirEnd) {
    ListSpec spec = SmallList();
    spec.barSize = 200;
    spec.pieceSize = 100;
    spec.machiningSize = 300;
    spec.bars[0].flag = 9; // beyond the stored bar record: not part of the list
    auto list = Load(spec);
    ASSERT_TRUE(list->IsLoaded()) << g_errorText;
    EXPECT_EQ(list->Bar(0)->flag, 0);
    EXPECT_EQ(list->Bar(0)->firstPieceOffset, lda::kFirstBarOffset + 200);
    const uint8_t* m = list->Machinings()[0].record;
    EXPECT_STREQ(reinterpret_cast<const char*>(m + lda::mach::kNomeLdt), "D1");
    for (int i = 300; i < lda::kMachiningSize; ++i) EXPECT_EQ(m[i], 0) << i;
    EXPECT_EQ(list->Pieces()[0].record[lda::piece::kAddInfo + 25], 0);
    EXPECT_EQ(lda::GetI32(list->Pieces()[0].record + lda::piece::kLength), 1200000);
}

TEST_F(BarListTest, SeriesOrCodeThatWouldLeaveItsFolderIsRefused) {
    for (const char* series : {"..", "A/B", "..\\CONF", "C:X"}) {
        ListSpec spec = SmallList();
        spec.bars[0].series = series;
        EXPECT_FALSE(Load(spec)->IsLoaded()) << series;
        EXPECT_EQ(std::string(g_errorText).rfind("ERR_PROFILE_NAME", 0), 0u) << g_errorText;
    }
    ListSpec spec = SmallList();
    spec.bars[1].code = "../../X";
    EXPECT_FALSE(Load(spec)->IsLoaded());
    EXPECT_FALSE(std::filesystem::exists(dir_.parent_path() / "X.CP"));
    // Long names are cut to 8 characters; the display code keeps the full text.
    spec = SmallList();
    spec.bars[0].series = "SERIES123456";
    spec.bars[0].code = "CODE_1234567";
    auto list = Load(spec);
    ASSERT_TRUE(list->IsLoaded()) << g_errorText;
    EXPECT_STREQ(list->Bar(0)->series, "SERIES12");
    EXPECT_STREQ(list->Bar(0)->code, "CODE 123");
    EXPECT_STREQ(list->Bar(0)->displayCode, "CODE 1234567");
}

TEST_F(BarListTest, ProfileOffsetsMoveTheSection) {
    WriteText("CONF/ALU60.CP", "[T6001]\r\nFLAG=1\r\nOFFY=12.5\r\nOFFZ=-3\r\n");
    auto list = Load(SmallList());
    ASSERT_TRUE(list->IsLoaded()) << g_errorText;
    const BarRecord& a = *list->Bar(0);
    EXPECT_EQ(a.yMin, 12500);
    EXPECT_EQ(a.yMax, 72500);
    EXPECT_EQ(a.zMin, -3000);
    EXPECT_EQ(a.offsetY, 12500 - 1000);
    EXPECT_EQ(a.offsetZ, -3000 + 2000);
}

// A list read into the memory a larger list left behind ends where its own file ends.
TEST_F(BarListTest, AListReadAfterALargerOneEndsWithItsFile) {
    ldatest::LdaLayout layout;
    const std::vector<uint8_t> good = BuildLda(SmallList(), &layout);
    const struct {
        std::size_t cut;
        const char* message;
    } kCuts[] = {
        {layout.pieces[0][1] + 3, "ERR_READ (LISTA: BAR 1 PZ 2)"},
        {layout.machinings[0][1] + lda::kMachiningSize + 5, "ERR_READ (LISTA: BAR 1 PZ 1 LAV 2 TAIL)"},
    };
    for (const auto& c : kCuts) {
        SCOPED_TRACE(c.cut);
        ASSERT_TRUE(LoadBytes(good)->IsLoaded()) << g_errorText;
        ClearErrorText();
        auto cut = LoadBytes(std::vector<uint8_t>(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(c.cut)));
        EXPECT_FALSE(cut->IsLoaded());
        EXPECT_STREQ(g_errorText, c.message);
    }
}

// Each bar takes the overrides of its own profile, however many bars share a series or a
// profile: a FLAG is the profile's, not the series', and a series file is found in any case.
TEST_F(BarListTest, EveryBarTakesItsOwnProfilesOverrides) {
    WriteText("CONF/ALU60.CP", "[T6001]\r\nFLAG=1\r\nOFFY=12.5\r\nOFFZ=-3\r\n[T6002]\r\nOFFY=7\r\n"
                               "[T6003]\r\nFLAG=0\r\nOFFY=9\r\n");
    WriteText("CONF/pvc70.cp", "[P1]\r\nFLAG=1\r\nOFFZ=4\r\n");
    const struct {
        const char* series;
        const char* code;
        int32_t yMin, zMin;
    } kBars[] = {
        {"ALU60", "T6001", 12500, -3000}, {"ALU60", "T6002", 0, 0}, {"ALU72", "T6001", 0, 0},
        {"PVC70", "P1", 0, 4000},         {"ALU60", "T6003", 0, 0}, {"ALU60", "T6001", 12500, -3000},
        {"PVC70", "P2", 0, 0},
    };
    ldatest::ListSpec spec = SmallList();
    const ldatest::BarSpec model = spec.bars[0];
    spec.bars.clear();
    for (const auto& b : kBars) {
        ldatest::BarSpec bar = model;
        bar.series = b.series;
        bar.code = b.code;
        spec.bars.push_back(bar);
    }
    auto list = Load(spec);
    ASSERT_TRUE(list->IsLoaded()) << g_errorText;
    ASSERT_EQ(list->BarCount(), static_cast<int>(std::size(kBars)));
    for (int i = 0; i < list->BarCount(); ++i) {
        const BarRecord& r = *list->Bar(i);
        const auto& want = kBars[r.index - 1];
        EXPECT_EQ(r.yMin, want.yMin) << want.series << " " << want.code;
        EXPECT_EQ(r.zMin, want.zMin) << want.series << " " << want.code;
    }
}

// CheckBarSize and CheckBarSection on a bar made by hand.
class BarCheckTest : public BarListTest {
protected:
    void SetUp() override {
        BarListTest::SetUp();
        MachineSettings& s = *g_pSettings;
        s.IMMORS_MIN = 100000;
        s.IMMORS_MIN_OBL = 150000;
        s.DIST_MORSE = 500000;
        s.Y_TRAVEL_MIN = -100000;
        s.Y_TRAVEL_MAX = 200000;
        s.Z_TRAVEL_MIN = -100000;
        s.Z_TRAVEL_MAX = 200000;
        s.DIST_MANDRINI = 400000;
        s.EXTRA_MAND_OUT = 50000;
        for (int i = 0; i < 8; ++i) s.OFFZ_T[i] = 100000;
        bar_.yMax = 60000;
        bar_.zMax = 80000;
        bar_.length = 1000000;
        bar_.firstCutAngle = bar_.secondCutAngle = 90000;
        bar_.intCode1 = kBarCodeLoaded1;
        std::strcpy(bar_.displayLabel, "B1");
    }
    BarRecord bar_;
};

TEST_F(BarCheckTest, LengthAndEndCuts) {
    EXPECT_EQ(CheckBarSize(bar_), 0);
    EXPECT_EQ(bar_.extraLength1, 100000);
    bar_.firstCutAngle = 45000;
    bar_.length = 700000;
    EXPECT_EQ(CheckBarSize(bar_), kBarCheckLength);
    EXPECT_EQ(bar_.extraLength1, 150000 + 80000); // the larger side over tan 45
    EXPECT_STREQ(g_errorText, "LEN_BAR B1");
    g_pSettings->TIPO_SCARIC = 1; // a bar without pieces may still be unloaded short
    EXPECT_EQ(CheckBarSize(bar_), 0);
    EXPECT_EQ(bar_.shortAccepted, 1);
    bar_.yMin = 190000;
    bar_.yMax = 250000;
    EXPECT_EQ(CheckBarSize(bar_), kBarCheckSection);
    EXPECT_STREQ(g_errorText, "ING_BAR B1");
    EXPECT_EQ(bar_.checkCode, kBarCheckSection);
}

TEST_F(BarCheckTest, SectionReachWithAndWithoutRotaryInterpolation) {
    // D = 100000; inner reach 300000 per position, outer 350000.
    g_pSettings->ROT_INTERP = 0;
    EXPECT_EQ(CheckBarSection(bar_, 60000, 80000), 0);
    EXPECT_EQ(g_sectionDiagonal, 100000);
    EXPECT_EQ(g_rallaInnerSpan, 600000);
    EXPECT_EQ(g_rallaOuterSpan, 700000);
    EXPECT_EQ(bar_.reachInner, 1);
    EXPECT_EQ(bar_.reachOuter, 0); // variant 0 has no outer reach
    EXPECT_EQ(bar_.centreY, 30000);
    // A tool 250 mm long on T2 narrows the inner reach below the section.
    WriteText("TOOLS.TXT", std::string(kDemoTools) + "* LONG 0 0 \r\n1000 1 1\r\n10 0 0 0 10 0\r\n100 0 0 10 250 0\r\n");
    ASSERT_EQ(tools_->LoadTools(), 0) << g_errorText;
    bar_.chosenTools[1] = tools_->FindTool("LONG");
    EXPECT_EQ(CheckBarSection(bar_, 60000, 80000), 0);
    EXPECT_EQ(g_rallaInnerSpan, 2 * (100000 - 250000 + 200000));
    EXPECT_EQ(bar_.reachInner, 0);

    // Rotary interpolation on variant 0: the centre may move off the axis to pass.
    g_pSettings->ROT_INTERP = 1;
    bar_.chosenTools[1] = 0;
    EXPECT_EQ(CheckBarSection(bar_, 60000, 80000), 0);
    EXPECT_EQ(bar_.reachShift, 0);
    EXPECT_EQ(bar_.reachInner, 1);
    ApplyMachineVariant(1);
    EXPECT_EQ(CheckBarSection(bar_, 60000, 80000), 0);
    EXPECT_EQ(bar_.reachOuter, 1);
    EXPECT_EQ(bar_.reachInner, 0); // 2I - 20 m is never reached
    g_decentredRalla = 1;
    EXPECT_EQ(CheckBarSection(bar_, 60000, 80000), 0);
    EXPECT_EQ(bar_.reachOuter, 0);
}

TEST_F(BarListTest, DemoListsMatchTheGeneratorAndLoad) {
    SetSlot(PathTable::kToolsTxt, std::string(BRELON_SOURCE_DIR) + "/demo/UTEN/TOOLS.TXT");
    ASSERT_EQ(tools_->LoadTools(), 0) << g_errorText;
    EXPECT_EQ(tools_->Count(), 8);
    ASSERT_TRUE(ldatest::WriteDemoLists(dir_.string()));
    for (const char* name : {"FINESTRE.lda", "PORTE.lda", "VETRINA.lda"}) {
        SCOPED_TRACE(name);
        const std::string shipped = std::string(BRELON_SOURCE_DIR) + "/demo/LDA/" + name;
        EXPECT_EQ(ldatest::ReadBytes(shipped), ldatest::ReadBytes(P(name))) << "regenerate with make_demo_lists";
        BarList list(P(name).c_str());
        EXPECT_TRUE(list.IsLoaded()) << g_errorText;
        EXPECT_GE(list.BarCount(), 1);
    }
}

} // namespace
} // namespace barlist_test
