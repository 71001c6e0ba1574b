// The piece-label job: label texts per printer kind, the queue between two print ticks, the
// three printers (a pseudo-terminal as the print port, a fake USB printer behind the label
// library) and the offcut decision.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/label_job.h"
#include "engine/piece_labels.h"
#include "engine_fixture.h"
#include "label_test_util.h"
#include "zpl_read.h"
#include "labelprint/Tagrix.h"
#include "machine/bar_progress.h"
#include "machine/cnc_state.h"
#include "machine/label_settings.h"
#include "machine/globals.h"
#include "machine/settings_support.h"
#include "machine/ui_services_fake.h"
#include "platform/profile.h"
#include "platform/serial_tty.h"
#include "platform/text.h"

namespace {

using namespace enginetest;

constexpr const char* kPaperOk = "\x02" "030,0,0,1245,000,0,0,0,000,0,0,0\x03\r\n";
constexpr const char* kPaperOut = "\x02" "030,1,0,1245,000,0,0,0,000,0,0,0\x03\r\n";

std::size_t Count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
    return n;
}

class LabelJob : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        fixturePrograms_ = g_pSpecialPrograms;
        cnc_ = std::make_unique<CStatoCnc>();
        g_pCncState = cnc_.get();
        std::filesystem::copy_file(BRELON_SOURCE_DIR "/demo/MSG/TAGRIX.msg", dir_ + "MSG/TAGRIX.msg");
        // The demo's label layout: Code 128, which encodes every piece name as it is.
        std::filesystem::copy_file(BRELON_SOURCE_DIR "/demo/TAGRIX.INI", dir_ + "TAGRIX.INI");
        tagrix::SetProgramDirectory(dir_.c_str());
        tagrix::SetUsbRoots((dir_ + "usb/sys").c_str(), (dir_ + "usb/dev").c_str());
        SetLabelPrint(1);
        S().AUTO_TRAS_LAV = 0;
        S().DIM_SPZ_REC = 500000;
    }
    void TearDown() override {
        tagrix::SetUsbRoots(nullptr, nullptr);
        cnc_.reset();
        g_pSpecialPrograms = fixturePrograms_;
        app::g_labelPending = 0;
        EngineTest::TearDown();
    }

    static MachineSettings& S() { return *g_pSettings; }
    static std::string Text() { return g_pCncState->LabelText(); }

    // A bar of two pieces (or none) of the list "LIST", computed.
    BarComputation& OpenBar(int32_t first = 1000000, int32_t second = 800000, bool withPieces = true) {
        ldatest::PieceSpec a = Piece("4711", first);
        a.addInfo = "INFO-A";
        a.angle3 = 45000;
        ldatest::PieceSpec b = Piece("4712", second);
        b.addInfo = "INFO-B";
        ldatest::BarSpec bar = Bar(withPieces ? std::vector<ldatest::PieceSpec>{a, b} : std::vector<ldatest::PieceSpec>{});
        bar.name = "7";
        bar.label = "RAL9010"; // the colour
        if (!withPieces) bar.machinings = {Drill(100000, 0)};
        BarComputation& bc = Open(List({bar}));
        EXPECT_EQ(bc.ComputeBar(0, 0), 0) << g_errorText;
        return bc;
    }

    // The directly driven printer's layout: line types and captions, barcode type.
    void DirectLayout(std::vector<int> types, int barcode = 0) {
        S().CONF_FILE_OTT = kPrinterDirect;
        for (int i = 0; i < kLabelLines; ++i) {
            SetLabelType(i, i < static_cast<int>(types.size()) ? types[static_cast<std::size_t>(i)] : 0);
            SetLabelStr(i, plat::StrFormatC("L%d", i + 1).c_str());
        }
        SetLabelBcType(barcode);
        SetupLabelLayout(S());
    }

    // The print port on a pseudo-terminal (the fake printer's), opened as the monitor opens it.
    void OpenPort(lptest::FakePrinter& pty) {
        ASSERT_FALSE(pty.DevicePath().empty());
        plat::SetComDevice(4, pty.DevicePath());
        S().PORT_PC_PRINT = 4;
        std::strcpy(S().printPortName, "COM4");
        S().printLinkAttempted = 0;
        ASSERT_EQ(S().OpenPrintPcPort(), 0) << g_errorText;
    }

    // The label library's printer: a fake USB device answering the paper query.
    std::unique_ptr<lptest::FakePrinter> UsbPrinter(const char* reply = kPaperOk) {
        lptest::AddSysfsPrinter(dir_ + "usb", "lp0", "1-1", "0a5f\n");
        auto printer = std::make_unique<lptest::FakePrinter>(dir_ + "usb", "lp0");
        printer->SetStatusReply(reply);
        return printer;
    }

    ScopedRecordingUi ui_;
    std::unique_ptr<CStatoCnc> cnc_;
    SpecialProgramList* fixturePrograms_ = nullptr;
};

TEST_F(LabelJob, RunFlagsFollowTheSettingsAndAStalePendingLabelIsCleared) {
    DirectLayout({1});
    app::g_labelPending = 1; // left over by a run that ended on an error
    S().PORT_PC_PRINT = 0;
    app::StartLabelRun();
    EXPECT_EQ(app::g_labelPrintOn, 0) << "the direct printer needs a print port";
    EXPECT_EQ(app::g_labelPending, 0);

    S().CONF_FILE_OTT = kPrinterLibrary;
    SetLabelPrintNoShort(1);
    app::StartLabelRun();
    EXPECT_EQ(app::g_labelPrintOn, 1);
    EXPECT_EQ(app::g_labelNoShortOn, 1);
    EXPECT_EQ(&app::g_labelPrintOn, &::g_labelPrintOn) << "one run copy for the setters and the job";

    SetLabelPrint(0);
    app::StartLabelRun();
    EXPECT_EQ(app::g_labelPrintOn, 0);
    EXPECT_EQ(app::g_labelNoShortOn, 0);
    BarComputation& bc = OpenBar();
    EXPECT_FALSE(app::QueuePieceLabel(bc, 0));
    EXPECT_EQ(Text(), "");
}

TEST_F(LabelJob, DirectPrinterGetsStartBytesThenHeaderLinesAndTrailer) {
    lptest::FakePrinter pty(dir_ + "port", "lp9");
    OpenPort(pty);
    DirectLayout({kFieldList, kFieldName, kFieldLength, kFieldNone, kFieldColour});
    BarComputation& bc = OpenBar();
    app::StartLabelRun();
    ASSERT_EQ(app::g_labelPrintOn, 1);

    EXPECT_TRUE(app::QueuePieceLabel(bc, 0));
    EXPECT_EQ(app::g_labelPending, 1);
    EXPECT_EQ(pty.Received(6), std::string("\x02\0E\0\n\x03", 6));
    const std::string expected = S().labelHeaderLine + ConcatLabelText(S(), 0, "LIST") + "\n" +
                                 ConcatLabelText(S(), 1, "4711") + "\n" + ConcatLabelText(S(), 2, "1000.00") + "\n" +
                                 ConcatLabelText(S(), 4, "RAL9010") + "\n" + S().labelTrailer;
    EXPECT_EQ(Text(), expected);

    // A second piece before the tick keeps the first label waiting and sends no second start
    // yet; the tick prints both in order, the second behind its own start bytes.
    EXPECT_FALSE(app::QueuePieceLabel(bc, 1));
    EXPECT_NE(Text().find("4712"), std::string::npos);
    EXPECT_EQ(app::QueuedLabelCount(), 2);
    const std::string second = Text();

    app::LabelRunState state;
    EXPECT_EQ(app::RunLabelPrint(bc, state), 0);
    const std::string sent = pty.Received(6 + expected.size() + 6 + second.size()).substr(6);
    EXPECT_EQ(sent, expected + std::string("\x02\0E\0\n\x03", 6) + second);
    EXPECT_EQ(Text(), "") << "cleared after the print";
    EXPECT_EQ(app::QueuedLabelCount(), 0);
    EXPECT_EQ(app::g_labelPending, 0);
    EXPECT_TRUE(ui_.boxes.empty());
    plat::SetComDevice(4, "");
}

TEST_F(LabelJob, DirectPrinterLabelCutsLinesAndStopsAtSixWithABarcode) {
    S().LEN_ROW = 9;
    SetLabelLenStr(2);
    DirectLayout({kFieldColour, kFieldList, kFieldList, kFieldList, kFieldList, kFieldList, kFieldList, kFieldList},
                 4);
    S().PORT_PC_PRINT = 4; // configured; no port needed to build
    BarComputation& bc = OpenBar();
    app::StartLabelRun();
    PieceLabelRequest request;
    request.pieceIndex = 0;
    char text[kLabelTextSize] = {};
    ASSERT_EQ(bc.BuildPieceLabelFields(text, sizeof text, request), kLabelBuilt);
    const std::string label = text;
    EXPECT_EQ(Count(label, "LIST"), 5u) << "lines 7 and 8 give way to the barcode";
    EXPECT_NE(label.find("*4711*"), std::string::npos);
    const std::size_t start = S().labelHeaderLine.size();
    EXPECT_EQ(label.substr(start, label.find('\n', start) - start), "  L1:RAL9") << "cut to LEN_ROW";

    // Lines all without field still give header, barcode and trailer.
    DirectLayout({}, 4);
    std::memset(text, 0, sizeof text);
    ASSERT_EQ(bc.BuildPieceLabelFields(text, sizeof text, request), kLabelBuilt);
    std::string barcode;
    BuildLabelBarcode(S(), barcode, "4711");
    EXPECT_EQ(std::string(text), S().labelHeaderLine + barcode + S().labelTrailer);
}

TEST_F(LabelJob, LibraryLabelKeepsEveryLineInItsPlaceAndQueuesASecondPiece) {
    S().CONF_FILE_OTT = kPrinterLibrary;
    SetupLabelLayout(S());
    BarComputation& bc = OpenBar();
    app::StartLabelRun();
    ASSERT_TRUE(app::QueuePieceLabel(bc, 0));

    // Without "TAGRIX.INI" the library's lines carry the ids 0 to 17: lines up to the last
    // field type (11) are kept, those without field as blanks.
    std::vector<std::string> lines;
    std::string barcode;
    SplitMessageLines(Text().c_str(), lines, &barcode);
    ASSERT_EQ(lines.size(), 12u);
    const std::vector<std::string> head = {" ", "LIST", "4711", "ALU60", "T6001", "1000.00", "RAL9010", "45 90", "INFO-A", " "};
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 10), head);
    EXPECT_EQ(barcode, "4711") << "the Code 128 of the demo's layout holds the name";

    EXPECT_FALSE(app::QueuePieceLabel(bc, 1)) << "the timer already runs";
    EXPECT_EQ(app::QueuedLabelCount(), 2);
    EXPECT_NE(Text().find("4712"), std::string::npos);
    EXPECT_NE(Text().find("4711"), std::string::npos);

    // A bar without pieces labels with the bar.
    BarComputation& bar = OpenBar(0, 0, false);
    app::StartLabelRun();
    ASSERT_TRUE(app::QueuePieceLabel(bar, -1));
    SplitMessageLines(Text().c_str(), lines, &barcode);
    ASSERT_GE(lines.size(), 8u);
    EXPECT_EQ(lines[2], "7");
    EXPECT_EQ(lines[5], "6000.00");
    EXPECT_EQ(lines[7], "90 90");
    EXPECT_EQ(lines[8], " ") << "no additional text on a bar label";
}

TEST_F(LabelJob, LibraryPrintsEachQueuedLabelAsManyTimesAsTheProfileSays) {
    auto printer = UsbPrinter();
    S().CONF_FILE_OTT = kPrinterLibrary;
    SetupLabelLayout(S());
    BarComputation& bc = OpenBar();
    bc.currentBar->NR_LABEL = 3;
    app::StartLabelRun();
    app::QueuePieceLabel(bc, 0);
    app::QueuePieceLabel(bc, 1);
    app::LabelRunState state;
    EXPECT_EQ(app::RunLabelPrint(bc, state), 0);
    const std::string got = printer->Received(2000);
    // Each copy shows the piece in a line and in its barcode.
    EXPECT_EQ(Count(got, "^FD4711^FS"), 6u) << got;
    EXPECT_EQ(Count(got, "^FD4712^FS"), 6u);
    EXPECT_EQ(Count(got, "^BY"), 6u);
    EXPECT_EQ(Count(got, "~HS"), 2u) << "one paper query per label";
    EXPECT_TRUE(ui_.boxes.empty());
    EXPECT_EQ(Text(), "");
    EXPECT_EQ(app::g_labelPending, 0);

    // No copies, no label.
    bc.currentBar->NR_LABEL = 0;
    app::QueuePieceLabel(bc, 0);
    app::RunLabelPrint(bc, state);
    EXPECT_EQ(Count(printer->Received(), "^FD4711^FS"), 6u);
}

TEST_F(LabelJob, TheBarcodeReadsThePieceNameOrIsLeftOffAndSaidOncePerList) {
    // The label text's barcode field holds the directly driven printer's form of the name
    // ("000000004711" for an EAN-13); the library's barcode gets the name itself.
    auto printer = UsbPrinter();
    S().CONF_FILE_OTT = kPrinterLibrary;
    struct Case {
        const char* bcType;
        const char* barcode; // expected barcode field, null: none
    } cases[] = {
        {"5", "^BCR,"}, // Code 128: the name
        {"1", "^B3R,N,"}, // Code 39
        {"0", nullptr},                 // EAN-13 cannot encode a name of 4 digits
    };
    std::size_t seen = 0;
    for (const Case& c : cases) {
        plat::WriteProfileString("SYSTEM", "BCTYPE", c.bcType, (dir_ + "TAGRIX.INI").c_str());
        SetupLabelLayout(S());
        BarComputation& bc = OpenBar();
        app::StartLabelRun();
        app::LabelRunState state;
        for (int piece : {0, 1}) {
            app::QueuePieceLabel(bc, piece);
            app::RunLabelPrint(bc, state);
        }
        // A second execution of the same list.
        app::StartLabelRun();
        app::QueuePieceLabel(bc, 0);
        app::RunLabelPrint(bc, state);
        const std::string got = printer->Received(seen + 600).substr(seen);
        seen += got.size();
        EXPECT_EQ(Count(got, "^FD4711^FS"), c.barcode ? 4u : 2u) << c.bcType << "\n" << got;
        if (c.barcode) {
            EXPECT_EQ(Count(got, c.barcode), 3u) << c.bcType << "\n" << got;
            EXPECT_TRUE(ui_.boxes.empty());
        } else {
            EXPECT_EQ(got.find("^BY"), std::string::npos) << got;
            EXPECT_EQ(got.find("000000004711"), std::string::npos) << got;
            // Three labels without their barcode: the operator is told once for the list.
            ASSERT_EQ(ui_.boxes.size(), 1u);
            EXPECT_NE(ui_.boxes[0].text.find("\"4711\""), std::string::npos) << ui_.boxes[0].text;
            EXPECT_EQ(ui_.boxes[0].icon, BoxIcon::Warning);
        }
    }
    // The next list is told again.
    BarComputation& next = OpenBar();
    app::StartLabelRun();
    app::LabelRunState state;
    app::QueuePieceLabel(next, 1);
    app::RunLabelPrint(next, state);
    EXPECT_EQ(ui_.boxes.size(), 2u);
}

TEST_F(LabelJob, PaperOutAndAMissingPrinterAreReportedAndTheRunGoesOn) {
    S().CONF_FILE_OTT = kPrinterLibrary;
    SetupLabelLayout(S());
    BarComputation& bc = OpenBar();
    bc.currentBar->NR_LABEL = 3;
    app::StartLabelRun();
    app::LabelRunState state;

    // No printer: one box for the print step naming the labels it lost, in order, not one per
    // label or per copy, and no paper query.
    app::QueuePieceLabel(bc, 0);
    app::QueuePieceLabel(bc, 1);
    EXPECT_EQ(app::RunLabelPrint(bc, state), 0);
    ASSERT_EQ(ui_.boxes.size(), 1u);
    EXPECT_EQ(ui_.boxes[0].text, MsgError("ERR_LABEL_NOT_PRINTED") + std::string(" 4711, 4712"));
    EXPECT_EQ(app::g_labelPending, 0);
    // The paper check before a bar tells that the printer cannot be reached, not that a label
    // was lost.
    EXPECT_FALSE(app::LabelPaperOutBeforeBar());
    ASSERT_EQ(ui_.boxes.size(), 2u);
    EXPECT_EQ(ui_.boxes[1].text, MsgError("ERR_LABEL_PRINTER"));
    ui_.boxes.pop_back();

    auto printer = UsbPrinter(kPaperOut);
    bc.currentBar->NR_LABEL = 1;
    EXPECT_TRUE(app::QueuePieceLabel(bc, 1));
    app::RunLabelPrint(bc, state);
    ASSERT_EQ(ui_.boxes.size(), 2u);
    EXPECT_EQ(ui_.boxes[1].title, "T_ATTENZIONE");
    EXPECT_EQ(ui_.boxes[1].text, MsgError("ERR_PAPER_OUT"));
    EXPECT_EQ(ui_.boxes[1].icon, BoxIcon::Question);
    EXPECT_EQ(Count(printer->Received(1), "^FD4712^FS"), 2u) << "its line and its barcode";
    EXPECT_TRUE(app::LabelPaperOutBeforeBar());
    EXPECT_EQ(ui_.boxes.size(), 2u) << "the caller tells of the paper";

    // A bar without pieces is named by its bar.
    printer.reset();
    std::filesystem::remove_all(dir_ + "usb");
    BarComputation& bar = OpenBar(0, 0, false);
    app::StartLabelRun();
    app::QueuePieceLabel(bar, -1);
    app::RunLabelPrint(bar, state);
    ASSERT_EQ(ui_.boxes.size(), 3u);
    EXPECT_EQ(ui_.boxes[2].text, MsgError("ERR_LABEL_NOT_PRINTED") + std::string(" 7"));
}

TEST_F(LabelJob, TemplateRowsAndBarcodesFillThePieceTemplate) {
    auto printer = UsbPrinter();
    S().CONF_FILE_OTT = kPrinterTemplate;
    SetLabelInfo(0, kFieldName);
    SetLabelHead(0, "PIECE");
    SetLabelInfo(1, kFieldLength);
    SetLabelInfo(2, kFieldNone);
    SetLabelInfo(3, kFieldList);
    SetLabelBarcode1(1);
    SetLabelBarcode2(1);
    SetupLabelLayout(S());
    WriteFile(dir_ + "CONF/PIECE.PRN", "^XA<ROW_1>|<ROW_2>|<ROW_3>|<ROW_4>|<BAR_CODE_1>|<BAR_CODE_2>^XZ");
    WriteFile(dir_ + "CONF/SCRAP.PRN", "^XA<ROW_1>|<ROW_2>|<BAR_CODE_1>^XZ");
    BarComputation& bc = OpenBar();
    bc.currentBar->NR_LABEL = 2;
    app::StartLabelRun();
    app::QueuePieceLabel(bc, 0);
    app::QueuePieceLabel(bc, 1);
    app::LabelRunState state;
    app::RunLabelPrint(bc, state);
    const std::string got = printer->Received(200);
    EXPECT_EQ(Count(got, "^XAPIECE: 4711|1000.00| |LIST|4711|INFO-A^XZ"), 2u) << got;
    EXPECT_EQ(Count(got, "^XAPIECE: 4712|800.00| |LIST|4712|INFO-B^XZ"), 2u) << got;
    EXPECT_TRUE(ui_.boxes.empty());

    // The offcut goes to the scrap template, without piece barcodes.
    bc.currentBar->NR_LABEL = 1;
    EXPECT_EQ(app::QueueScrapLabel(bc, 650000), 2);
    app::RunLabelPrint(bc, state);
    EXPECT_NE(printer->Received(200).find("^XAPIECE: 7|650.00|^XZ"), std::string::npos);

    // A missing template: the library's box, and the run goes on.
    std::filesystem::remove(dir_ + "CONF/PIECE.PRN");
    app::QueuePieceLabel(bc, 0);
    app::RunLabelPrint(bc, state);
    ASSERT_EQ(ui_.boxes.size(), 1u);
    EXPECT_NE(ui_.boxes[0].text.find("Opening file error"), std::string::npos);
    EXPECT_EQ(app::g_labelPending, 0);
}

TEST_F(LabelJob, ShortPiecesGetNoLabelButStillArmTheTimer) {
    S().CONF_FILE_OTT = kPrinterLibrary;
    SetupLabelLayout(S());
    SetLabelPrintNoShort(1);
    S().DIM_CONT_PZ_CORTO = 300000;
    S().DIM_MAX_PZ_BOT = 400000;
    BarComputation& bc = OpenBar(400000, 400010);
    app::StartLabelRun();
    EXPECT_TRUE(app::QueuePieceLabel(bc, 0));
    EXPECT_EQ(Text(), "") << "exactly the limit is short";
    EXPECT_FALSE(app::QueuePieceLabel(bc, 1));
    EXPECT_NE(Text().find("4712"), std::string::npos);
}

TEST_F(LabelJob, TheLabelTextNeverOverflowsAndTheOperatorIsToldOnce) {
    S().CONF_FILE_OTT = kPrinterLibrary;
    SetupLabelLayout(S());
    BarComputation& bc = OpenBar();
    app::StartLabelRun();
    for (int i = 0; i < 40; ++i) app::QueuePieceLabel(bc, i % 2);
    EXPECT_LT(std::strlen(g_pCncState->LabelText()), kLabelTextSize);
    EXPECT_GT(app::QueuedLabelCount(), 1);
    EXPECT_LT(app::QueuedLabelCount(), 40);
    ASSERT_EQ(ui_.boxes.size(), 1u);
    EXPECT_EQ(ui_.boxes[0].text, MsgError("ERR_LABEL_TOO_LONG"));

    char small[40] = "kept";
    const int types[kLibraryLabelLines] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
    PieceLabelRequest request;
    request.pieceIndex = 0;
    request.libraryLineTypes = types;
    EXPECT_EQ(bc.BuildPieceLabelFields(small, sizeof small, request), kLabelTooLong);
    EXPECT_STREQ(small, "kept");
    request.pieceIndex = 7;
    EXPECT_EQ(bc.BuildPieceLabelFields(small, sizeof small, request), kLabelNoSource);
}

TEST_F(LabelJob, AFailedPrintPortWriteIsReportedOncePerLabel) {
    DirectLayout({kFieldName});
    S().PORT_PC_PRINT = 4; // configured, but the port is not open
    BarComputation& bc = OpenBar();
    app::StartLabelRun();
    app::LabelRunState state;
    EXPECT_TRUE(app::QueuePieceLabel(bc, 0));
    app::RunLabelPrint(bc, state);
    ASSERT_EQ(ui_.boxes.size(), 1u);
    EXPECT_EQ(ui_.boxes[0].text, MsgError("ERR_LABEL_PORT"));
    EXPECT_EQ(app::g_labelPending, 0);
    EXPECT_TRUE(app::QueuePieceLabel(bc, 1));
    app::RunLabelPrint(bc, state);
    EXPECT_EQ(ui_.boxes.size(), 2u) << "the next label is reported too";
}

struct ScrapCase {
    int transfer;        // AUTO_TRAS_LAV
    int firstPending;
    int barsCut;         // bars the run finished
    int decided;         // bars whose offcut label was already decided
    int pending;         // g_labelPending before the tick
    int32_t head, tail;  // offcuts
    int factor;          // expected result
    int pendingAfter;
    int firstAfter;
    int decidedAfter;
    const char* length;  // the length on the offcut label, or null
};

TEST_F(LabelJob, OffcutDecisionTable) {
    S().CONF_FILE_OTT = kPrinterLibrary;
    S().TIPO_CARIC = 1;
    SetupLabelLayout(S());
    BarComputation& bc = OpenBar();
    const ScrapCase cases[] = {
        {0, 1, 1, 0, 1, 0, 600000, 2, 2, 1, 1, "600.00"},  // a bar cut, long tail
        {0, 1, 1, 0, 1, 0, 500000, 2, 2, 1, 1, "500.00"},  // exactly DIM_SPZ_REC
        {0, 1, 1, 0, 1, 0, 400000, 0, 0, 1, 1, nullptr},   // short tail
        {0, 1, 0, 0, 1, 0, 600000, 0, 0, 1, 0, nullptr},   // the bar is still being cut
        {0, 1, 1, 1, 2, 0, 600000, 0, 0, 1, 1, nullptr},   // its scrap label just went out
        {0, 1, 2, 1, 2, 0, 600000, 2, 2, 1, 2, "600.00"},  // the next bar's, right after it
        {0, 1, 3, 0, 1, 0, 400000, 0, 0, 1, 3, nullptr},   // three short tails at once
        {1, 1, 0, 0, 0, 700000, 0, 2, 2, 0, 0, "700.00"},  // head offcut at the start
        {1, 1, 0, 0, 0, 300000, 0, 0, 0, 0, 0, nullptr},   // short head offcut
        {1, 1, 1, 1, 2, 700000, 600000, 0, 0, 0, 1, nullptr},
        {1, 0, 1, 0, 1, 700000, 600000, 2, 2, 0, 1, "600.00"}, // the tail, not the head, at the end
        {1, 0, 1, 0, 1, 700000, 300000, 0, 0, 0, 1, nullptr},
        {1, 1, 1, 0, 0, 300000, 600000, 2, 2, 0, 1, "600.00"}, // short head: the tail at once
    };
    for (const ScrapCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "transfer " << c.transfer << " first " << c.firstPending << " cut "
                                        << c.barsCut << " decided " << c.decided << " pending " << c.pending
                                        << " head " << c.head << " tail " << c.tail);
        S().AUTO_TRAS_LAV = c.transfer;
        bc.tailClampMode = 2;
        bc.tailOffset = c.head;
        bc.tailLength = c.tail;
        app::StartLabelRun();
        app::g_labelPending = c.pending;
        app::LabelRunState state;
        state.firstLabelPending = c.firstPending;
        state.barsCut = c.barsCut;
        state.offcutsDecided = c.decided;
        EXPECT_EQ(app::RunLabelPrint(bc, state), c.factor);
        EXPECT_EQ(app::g_labelPending, c.pendingAfter);
        EXPECT_EQ(state.firstLabelPending, c.firstAfter);
        EXPECT_EQ(state.offcutsDecided, c.decidedAfter);
        if (c.length != nullptr) {
            std::vector<std::string> lines;
            SplitMessageLines(Text().c_str(), lines, nullptr);
            ASSERT_GE(lines.size(), 6u);
            EXPECT_EQ(lines[2], "7") << "an offcut label names the bar";
            EXPECT_EQ(lines[5], c.length);
        } else {
            EXPECT_EQ(Text(), "");
        }
    }

    // A bar without pieces leaves no offcut of its own.
    bc.tailClampMode = 1;
    EXPECT_EQ(bc.TailOffcutLength(), 0);
    EXPECT_EQ(bc.HeadOffcutLength(), 0);
    S().TIPO_CARIC = 0;
    bc.tailClampMode = 2;
    EXPECT_EQ(bc.HeadOffcutLength(), 0) << "no head offcut without automatic loading";
}

// Hand-edited copies of the demo's layout, never checked by the wizard, whose labels leave
// texts without a place: the labels still go out with the texts that fit, and the operator is
// told once per layout and session, naming the layout's file and how many texts were left out
// (counted on the label sent); the same file in a later run is not told again, an edited one is.
TEST_F(LabelJob, ALayoutThatLeavesTextsOutIsToldOncePerLayoutAndSession) {
    auto printer = UsbPrinter();
    S().CONF_FILE_OTT = kPrinterLibrary;
    const std::string layout = dir_ + "TAGRIX.INI";
    const std::string demo = ReadFile(BRELON_SOURCE_DIR "/demo/TAGRIX.INI");
    struct Damage {
        const char* key;
        const char* value;
    } damages[] = {
        {"MARGSXET", "15.000000"}, // a margin that takes the room of the texts
        {"HETI", "22.000000"},     // a label too narrow for its rows
    };
    std::size_t seen = 0;
    for (const Damage& d : damages) {
        SCOPED_TRACE(d.key);
        const std::size_t boxes = ui_.boxes.size();
        WriteFile(layout, demo);
        plat::WriteProfileString("SYSTEM", d.key, d.value, layout.c_str());
        SetupLabelLayout(S());
        BarComputation& bc = OpenBar();
        int leftOut = -1;
        // Two labels in one run, one more in the next run.
        for (const std::vector<int>& run : {std::vector<int>{0, 1}, std::vector<int>{0}}) {
            app::StartLabelRun();
            app::LabelRunState state;
            for (int piece : run) {
                ASSERT_TRUE(app::QueuePieceLabel(bc, piece));
                std::vector<std::string> lines;
                SplitMessageLines(Text().c_str(), lines, nullptr);
                const int given = static_cast<int>(std::count_if(
                    lines.begin(), lines.end(), [](const std::string& l) { return l.find_first_not_of(' ') != std::string::npos; }));
                app::RunLabelPrint(bc, state);
                const std::string got = printer->Received(seen + 1).substr(seen);
                seen += got.size();
                const std::string label = got.substr(0, got.find("^XA~HS")); // the paper query after it
                EXPECT_EQ(Count(label, "^XZ"), 1u) << "the label went out";
                const int shown = static_cast<int>(Count(label, ",^A")); // its text fields
                if (leftOut < 0) leftOut = given - shown;
                EXPECT_EQ(given - shown, leftOut) << label;
            }
        }
        ASSERT_GT(leftOut, 0) << "the damage leaves texts out";
        ASSERT_EQ(ui_.boxes.size(), boxes + 1) << "told once for three labels in two runs";
        const MessageBoxRequest& box = ui_.boxes.back();
        EXPECT_EQ(box.title, "T_ATTENZIONE");
        EXPECT_NE(box.text.find(layout), std::string::npos) << box.text;
        EXPECT_NE(box.text.find("without " + std::to_string(leftOut) + " of its texts"), std::string::npos) << box.text;
    }
}

// A piece's name as the list holds it (Windows-1252), what every label must show of it (UTF-8,
// on a ZPL label) and the bytes the directly driven printer must get for it.
struct NameRow {
    const char* written;
    const char* shown;
    const char* direct;
};
const NameRow kNames[] = {
    {"ANTA^SX", "ANTA^SX", "ANTA^SX"},
    {"TRAV~DX", "TRAV~DX", "TRAV~DX"},
    {"P07^XZ", "P07^XZ", "P07^XZ"},
    {"~JA", "~JA", "~JA"},
    {"A\x02" "B\x03" "C\x0E" "D", "A B C D", "A B C D"},
    {"TWO\r\nLINES", "TWO  LINES", "TWO  LINES"},
    {"TUBO 30\xB0", "TUBO 30\xC2\xB0", "TUBO 30\xB0"},
    {"CAF\xC9", "CAF\xC3\x89", "CAF\xC9"},
};

// Every printer kind gets the name as written: the bytes sent, read back as the printer reads
// them, show the name, end each label once and hold no command of the name's.
TEST_F(LabelJob, PieceNamesPrintAsWrittenOnEveryPrinter) {
    lptest::FakePrinter pty(dir_ + "port", "lp9");
    OpenPort(pty);
    auto usb = UsbPrinter();
    WriteFile(dir_ + "CONF/PIECE.PRN", ReadFile(BRELON_SOURCE_DIR "/demo/CONF/PIECE.PRN"));
    BarComputation& bc = OpenBar();
    std::string directSent, usbSent;
    for (const NameRow& row : kNames) {
        SCOPED_TRACE(row.shown);
        std::snprintf(bc.pieces[0]->Nome, sizeof bc.pieces[0]->Nome, "%s", row.written);
        app::LabelRunState state;

        // The directly driven printer: the name's line is the caption and the name, the rest of
        // the label the same bytes as for a plain name of its length.
        DirectLayout({kFieldName, kFieldLength});
        app::StartLabelRun();
        ASSERT_TRUE(app::QueuePieceLabel(bc, 0));
        app::RunLabelPrint(bc, state);
        const std::size_t directLength = std::strlen(row.direct);
        const std::string got = pty.Received(std::string::npos, 200).substr(directSent.size());
        directSent += got;
        std::snprintf(bc.pieces[0]->Nome, sizeof bc.pieces[0]->Nome, "%s", std::string(directLength, 'N').c_str());
        app::StartLabelRun();
        ASSERT_TRUE(app::QueuePieceLabel(bc, 0));
        app::RunLabelPrint(bc, state);
        std::string plain = pty.Received(directSent.size() + got.size()).substr(directSent.size());
        directSent += plain;
        // The line is cut to LEN_ROW: the name as far as it shows.
        const std::size_t at = plain.find("L1:") + 3;
        ASSERT_NE(at, std::string::npos + 3) << plain;
        const std::size_t shown = plain.find_first_not_of('N', at) - at;
        plain.replace(at, shown, std::string(row.direct).substr(0, shown));
        EXPECT_EQ(got, plain) << "the same bytes as a plain name";
        std::snprintf(bc.pieces[0]->Nome, sizeof bc.pieces[0]->Nome, "%s", row.written);

        // The label library's composer and the piece template.
        for (int kind : {kPrinterLibrary, kPrinterTemplate}) {
            SCOPED_TRACE(kind);
            S().CONF_FILE_OTT = kind;
            SetLabelInfo(0, kFieldName);
            SetLabelInfo(1, kFieldLength);
            SetLabelBarcode1(1);
            SetupLabelLayout(S());
            app::StartLabelRun();
            ASSERT_TRUE(app::QueuePieceLabel(bc, 0));
            app::RunLabelPrint(bc, state);
            const std::string zpl = usb->Received(std::string::npos, 200).substr(usbSent.size());
            usbSent += zpl;
            const std::string label = zpl.substr(0, zpl.find("^XA~HS")); // the paper query after it
            const lptest::PrinterView v = lptest::ReadZpl(label);
            // The name itself, or (on the template, whose Code 128 barcode does not carry a name
            // with control or accented characters) the row that shows it after its caption.
            EXPECT_TRUE(std::any_of(v.texts.begin(), v.texts.end(), [&row](const std::string& t) {
                return t == row.shown || t == std::string("ORDER: ") + row.shown;
            })) << label;
            EXPECT_EQ(v.starts, 1) << label;
            EXPECT_EQ(v.ends, 1) << label;
            EXPECT_TRUE(v.controls.empty()) << label;
            EXPECT_FALSE(v.rawControl) << label;
            EXPECT_FALSE(v.undeclared) << label;
        }
    }
}

// A bar resumed after pieces made before a stop leaves the offcut of the whole bar: the same
// length on its label whether it ran at once or resumed after one or two pieces.
TEST_F(LabelJob, AResumedBarLeavesTheOffcutOfTheWholeBar) {
    S().CONF_FILE_OTT = kPrinterLibrary;
    SetupLabelLayout(S());
    S().MEM_PEZZI = 1;
    std::snprintf(g_barProgressPath, sizeof g_barProgressPath, "%sSTATBAR.TXT", dir_.c_str());
    std::vector<ldatest::PieceSpec> pieces = {Piece("P1", 1000000), Piece("P2", 800000, 45000, 45000),
                                              Piece("P3", 1200000, 90000, 45000), Piece("P4", 700000)};
    ldatest::BarSpec bar = Bar(pieces);
    bar.name = "7";
    BarComputation& bc = Open(List({bar}));
    for (int transfer : {0, 1}) {
        S().AUTO_TRAS_LAV = transfer;
        S().TIPO_CARIC = transfer;
        std::vector<int32_t> tails, heads;
        for (int done : {0, 1, 2}) {
            SCOPED_TRACE(testing::Message() << "transfer " << transfer << " resumed after " << done);
            ASSERT_EQ(WriteBarProgress(bc.Bar(0)->index, bc.ListPath(), done), 0);
            ASSERT_EQ(bc.ComputeBar(0, 1), 0) << g_errorText;
            ASSERT_EQ(bc.piecesDone, done);
            tails.push_back(bc.TailOffcutLength());
            heads.push_back(bc.HeadOffcutLength());
            // The offcut label says it.
            app::StartLabelRun();
            app::QueueScrapLabel(bc, transfer != 0 ? bc.HeadOffcutLength() : bc.TailOffcutLength());
            std::vector<std::string> lines;
            SplitMessageLines(Text().c_str(), lines, nullptr);
            ASSERT_GE(lines.size(), 6u);
            EXPECT_EQ(lines[5], plat::StrFormatC("%.2f", (transfer != 0 ? heads.back() : tails.back()) / 1000.0));
        }
        EXPECT_EQ(tails[1], tails[0]);
        EXPECT_EQ(tails[2], tails[0]);
        EXPECT_EQ(heads[1], heads[0]);
        EXPECT_EQ(heads[2], heads[0]);
        EXPECT_GT(transfer != 0 ? heads[0] : tails[0], 0);
        // What is left is the bar less its four pieces and their cuts.
        if (transfer == 0) {
            EXPECT_LT(tails[0], 6000000 - 3700000);
            EXPECT_GT(tails[0], 6000000 - 3700000 - 100000);
        }
    }
}

} // namespace
