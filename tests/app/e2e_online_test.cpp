// A job end to end on-line, as an operator would leave it running: the automatic test run of a
// list against the simulated controller, which runs the part programs the engine wrote, runs
// every bar to its end by itself, with the event log on and a label per finished piece going to
// a fake USB label printer (or to the directly driven printer on a pseudo-terminal).
#include "online_run_fixture.h"

TEST_F(OnlineJobRunTest, TwoBarListRunsToItsEndAgainstTheController) {
    const std::string list = "FINESTRE.lda";
    SetUpOnlineRun(list);
    ASSERT_EQ(Start(), CVelmoApp::kStarted);
    ASSERT_EQ(g_machineConnected, 1);
    // FINESTRE: TELAIO, four pieces twice, and ANTA, three pieces once.
    const int pieces = 4 * 2 + 3;
    const int bars = 2 + 1; // bars cut: each leaves its offcut and its supervisor lines
    // The controller's clock stands still: the test moves the programs on, as the machine would,
    // only while the monitor watches them.
    Sim().SimSetAutoAdvance(0);
    QTimer machine;
    QObject::connect(&machine, &QTimer::timeout, [this] { MachineStep(); });
    machine.start(5);
    Sim().SimSetDrivesRoot(drives_.c_str()); // the controller finds its work directory where the program does
    Sim().SimClearLogs();

    ASSERT_TRUE(RunUntilClosed(45000)) << "the test run did not end";
    for (const auto& b : ui_->boxes) ADD_FAILURE() << "box " << b.title << ": " << b.text;

    // Every program started ran to its end: one per bar.
    const int starts = ProgramStarts();
    EXPECT_EQ(starts, 2);
    EXPECT_EQ(Sim().SimProgramState(), SIM_RUN_ENDED);

    // The controller's variables in the order the job writes them, run by run: the program
    // code cleared before the start, the monitor's stop requests cleared, the run flags set,
    // the automatic start of the second bar, and the run flags and the automatic start
    // cleared at the end; no stop was asked for.
    const std::vector<RWrite> log = RWrites();
    std::size_t at = 0;
    for (int run = 0; run < starts; ++run) {
        SCOPED_TRACE(run);
        const std::size_t code = FindWrite(log, at, 599, 0.0);
        ASSERT_NE(code, std::string::npos);
        const std::size_t flags = FindWrite(log, code, 470, 1.0);
        ASSERT_NE(flags, std::string::npos);
        EXPECT_LT(FindWrite(log, code, 591, 0.0), flags);
        EXPECT_LT(FindWrite(log, code, 481, 0.0), flags);
        EXPECT_EQ(FindWrite(log, flags, 472, 1.0), flags + 1);
        const std::size_t end = FindWrite(log, flags, 470, 0.0);
        ASSERT_NE(end, std::string::npos);
        EXPECT_EQ(FindWrite(log, end, 472, 0.0), end + 1);
        EXPECT_EQ(FindWrite(log, end, 480, 0.0), end + 2);
        // The second bar was started by the job itself, not by the operator.
        const std::size_t autoStart = FindWrite(log, code, 480, 1.0);
        if (run == 0) EXPECT_GT(autoStart, end);
        else EXPECT_TRUE(autoStart > flags + 1 && autoStart < end) << autoStart;
        EXPECT_GE(FindWrite(log, code, 481, 1.0), end);
        EXPECT_GE(FindWrite(log, code, 591, 1.0), end);
        at = end + 1;
    }
    EXPECT_EQ(FindWrite(log, at, 599, 0.0), std::string::npos) << "no start after the last run";

    // The list's time log: a line per bar run, then the total.
    const std::string tmx = ReadFile(program_ + "LOG/FINESTRE.tmx");
    const std::size_t rule = tmx.find(std::string(60, '=') + "\r\n");
    ASSERT_NE(rule, std::string::npos) << tmx;
    // Below the title and the column heads, one line per run ending in its time.
    std::size_t timed = 0;
    const std::string body = tmx.substr(0, rule);
    for (std::size_t from = 0, eol; (eol = body.find("\r\n", from)) != std::string::npos; from = eol + 2)
        if (eol > from && (body[eol - 1] == '"' || body[eol - 1] == '\'')) ++timed;
    EXPECT_EQ(timed, static_cast<std::size_t>(starts)) << tmx;
    EXPECT_EQ(Count(body, "\r\n"), static_cast<std::size_t>(starts) + 2) << tmx;
    EXPECT_NE(tmx.find("\r\nTotal Elapsed Time: ", rule), std::string::npos) << tmx;

    // A label per finished piece; each bar cut (TELAIO's two in one program too) also left an
    // offcut long enough to keep, whose label names the bar in its column, whole (in a smaller
    // font where it does not fit). The paper queries aside.
    const std::string printed = printer_->Received();
    const int labels = static_cast<int>(Count(printed, "^XA") - Count(printed, "^XA~HS"));
    EXPECT_EQ(labels, pieces + bars) << printed;
    EXPECT_EQ(Count(printed, "^FDTELAIO^FS"), 2u);
    EXPECT_EQ(Count(printed, "^FDANTA^FS"), 1u);
    // Every piece label carries its name in Code 128.
    EXPECT_EQ(Count(printed, "^BC"), static_cast<std::size_t>(pieces)) << printed;

    // The event log from the log-on to the shut-down.
    app_->ExitInstance();
    const std::string events = EventLog();
    const std::size_t logon = events.find(";LOGON;");
    const std::size_t shutdown = events.find(";SHUTDOWN;");
    ASSERT_NE(logon, std::string::npos) << events;
    ASSERT_NE(shutdown, std::string::npos) << events;
    EXPECT_EQ(events.rfind('\n', logon), std::string::npos) << "the log-on is the first line";
    EXPECT_LT(logon, shutdown);
    EXPECT_EQ(events.find(";LOGON;", logon + 1), std::string::npos);
    EXPECT_EQ(events.find('\n', shutdown), events.size() - 1) << "the shut-down is the last line";
    EXPECT_EQ(Count(events, ";JOB-BEGIN;FINESTRE;"), 1u) << events;
    EXPECT_EQ(Count(events, ";JOB-END;FINESTRE"), 1u) << events;
    EXPECT_EQ(Count(events, ";END-PIECE;FINESTRE;"), static_cast<std::size_t>(pieces)) << events;
    // Every bar cut has its bar line and a line per piece, TELAIO's second bar too.
    EXPECT_EQ(Count(events, ";PIECE;FINESTRE;"), static_cast<std::size_t>(bars)) << events;
    EXPECT_EQ(Count(events, ";MULTI;"), static_cast<std::size_t>(pieces)) << events;
}

// The job road on the machine variants: variant 1 and variant 2, each on its demo installation.
class OnlineVariantRunTest : public OnlineJobRunTest, public ::testing::WithParamInterface<int> {};

INSTANTIATE_TEST_SUITE_P(Variants, OnlineVariantRunTest, ::testing::Values(0, 1, 2),
                         [](const ::testing::TestParamInfo<int>& i) { return "Variant" + std::to_string(i.param); });

// PORTE with "All": its bar MONTANTE has machinings and no pieces, four repetitions. The
// program the engine wrote counts the bar once per repetition where it unloads it, so the
// monitor sees each repetition end, labels the bar each time, and the list runs to its end.
TEST_P(OnlineVariantRunTest, PorteRunsToItsEndWithAll) {
    SetUpOnlineRun("PORTE.lda", GetParam());
    RunTheList();
    EXPECT_EQ(MachineVariant, GetParam()) << "the controller told the variant it was laid out for";
    ASSERT_TRUE(ended_) << "the test run did not end";
    for (const auto& b : ui_->boxes) ADD_FAILURE() << "box " << b.title << ": " << b.text;
    EXPECT_EQ(Sim().SimProgramState(), SIM_RUN_ENDED);
    EXPECT_EQ(ProgramStarts(), 2) << "each bar's repetitions in one program";
    const std::string printed = printer_->Received();
    EXPECT_EQ(Count(printed, "^BCR,63,Y,N^FDMONTANTE^FS"), 4u) << printed;
    app_->ExitInstance();
    const std::string events = EventLog();
    EXPECT_EQ(Count(events, ";END-PIECE;PORTE;MONTANTE;2150"), 4u) << events;
    EXPECT_EQ(Count(events, ";END-PIECE;PORTE;TRAV 900;900"), 6u) << events;
    EXPECT_EQ(Count(events, ";JOB-END;PORTE"), 1u) << events;
}

// PORTE on the ZPL templates: TRAV 900's two pieces three times, then MONTANTE, a bar without
// pieces, four times. Each of MONTANTE's labels is the scrap template (a label without a piece)
// filled from MONTANTE's own data (name, length, code; no barcode) and nothing of the pieces cut
// before it; TRAV 900's pieces go on the piece template.
TEST_F(OnlineJobRunTest, ABarWithoutPiecesIsLabelledWithItsOwnData) {
    SetUpOnlineRun("PORTE.lda", 1);
    plat::WriteProfileString("PARAM", "CONF_FILE_OTT", "2", (program_ + "CONF/PARAM.PAR").c_str());
    const char* info[] = {"2", "5", "4", "8"}; // name, length, code, first additional text
    for (int i = 0; i < 4; ++i) {
        WriteConfig("LABEL", plat::StrFormatC("HEAD%d", i + 1).c_str(), "");
        WriteConfig("LABEL", plat::StrFormatC("INFO%d", i + 1).c_str(), info[i]);
    }
    WriteConfig("LABEL", "STAMPA_BARCODE1", "1");
    WriteConfig("LABEL", "STAMPA_BARCODE2", "1");
    RunTheList();
    ASSERT_TRUE(ended_) << "the test run did not end";
    for (const auto& b : ui_->boxes) ADD_FAILURE() << "box " << b.title << ": " << b.text;

    std::vector<std::string> labels; // the labels sent, the paper queries aside
    const std::string printed = printer_->Received();
    for (std::size_t at = 0, end; (end = printed.find("^XZ", at)) != std::string::npos; at = end + 3) {
        const std::string label = printed.substr(at, end + 3 - at);
        if (label.find("~HS") == std::string::npos) labels.push_back(label);
    }
    auto filled = [](std::string text, const std::vector<std::string>& values) {
        const char* keys[] = {"<ROW_1>", "<ROW_2>", "<ROW_3>", "<ROW_4>", "<BAR_CODE_1>", "<BAR_CODE_2>"};
        for (std::size_t i = 0; i < values.size(); ++i)
            for (std::size_t at; (at = text.find(keys[i])) != std::string::npos;)
                text.replace(at, std::strlen(keys[i]), values[i]);
        return text;
    };
    const std::string scrapTemplate = ReadFile(program_ + "CONF/SCRAP.PRN");
    const std::string bar = filled(scrapTemplate, {"MONTANTE", "2150.00", "P7031", " ", "", ""});
    const std::string own = bar.substr(0, bar.find("^XZ") + 3);
    std::size_t bars = 0, pieces = 0, scraps = 0;
    for (const std::string& label : labels) {
        if (label.find("MONTANTE") != std::string::npos) {
            ++bars;
            EXPECT_EQ(label, own) << "the bar's own label, on the scrap template";
        } else if (label.find("SCRAP") != std::string::npos) {
            ++scraps;
        } else if (label.find("^FDTRAV 900^FS") != std::string::npos) {
            ++pieces;
        } else {
            ADD_FAILURE() << "a label of nothing the list cut: " << label;
        }
    }
    EXPECT_EQ(bars, 4u) << printed;
    EXPECT_EQ(pieces, 6u) << printed;
    EXPECT_EQ(scraps, 3u) << "each of TRAV 900's bars leaves an offcut to keep, MONTANTE none\n" << printed;
}

// A bar progress record for FINESTRE's TELAIO (four pieces, two repetitions; ANTA, three
// pieces, follows), as a restart finds it. A record inside the bar resumes after its pieces for
// one repetition; one that does not fit the bar (all its pieces, more than it has) is no
// progress: the bar runs from its first piece, as with no record or another list's record, and
// the unattended run (its boxes hidden by the test flags) asks nothing about it and runs to its
// end. Every piece cut is counted, labelled and logged once.
struct ProgressRow {
    const char* what;
    int stored;
    bool otherList;
    int misfitBoxes;
    int pieces; // pieces cut in the whole list
    int starts;
    int summary; // pieces in the supervisor log's bar summaries: a bar's pieces once per bar cut,
                 // less those a resumed bar had made before
};

const ProgressRow kProgressRows[] = {
    {"none", 0, false, 0, 11, 2, 4 + 4 + 3},      {"some", 2, false, 0, 2 + 4 + 3, 3, 2 + 4 + 3},
    {"all", 4, false, 0, 11, 2, 4 + 4 + 3},       {"more", 9, false, 0, 11, 2, 4 + 4 + 3},
    {"otherList", 2, true, 0, 11, 2, 4 + 4 + 3},
};

class OnlineProgressTest : public OnlineJobRunTest, public ::testing::WithParamInterface<std::tuple<int, int>> {};

INSTANTIATE_TEST_SUITE_P(VariantsAndRecords, OnlineProgressTest,
                         ::testing::Combine(::testing::Values(0, 1, 2), ::testing::Range(0, 5)),
                         [](const ::testing::TestParamInfo<std::tuple<int, int>>& i) {
                             return "Variant" + std::to_string(std::get<0>(i.param)) + "_" +
                                    kProgressRows[std::get<1>(i.param)].what;
                         });

TEST_P(OnlineProgressTest, ProgressRecordOfTheBarFitsOrIsNotUsed) {
    const ProgressRow& row = kProgressRows[std::get<1>(GetParam())];
    SetUpOnlineRun("FINESTRE.lda", std::get<0>(GetParam()));
    RunTheList([&] { WriteProgressRecord("FINESTRE.lda", "TELAIO", row.stored, row.otherList); });
    ASSERT_TRUE(ended_) << "the test run did not end";
    EXPECT_EQ(CountBoxesContaining(MsgString("M_PROGRESS_MISFIT")), row.misfitBoxes);
    for (const auto& b : ui_->boxes) {
        if (b.text.find(MsgString("M_PROGRESS_MISFIT")) == std::string::npos) ADD_FAILURE() << "box " << b.text;
    }
    if (row.misfitBoxes != 0) {
        EXPECT_EQ(CountBoxesContaining(" " + std::to_string(row.stored) + " / 4"), 1) << "the record and the bar";
    }
    EXPECT_EQ(ProgramStarts(), row.starts);
    const std::string printed = printer_->Received();
    EXPECT_EQ(Count(printed, "^BC"), static_cast<std::size_t>(row.pieces)) << "a label per piece cut";
    app_->ExitInstance();
    const std::string events = EventLog();
    EXPECT_EQ(Count(events, ";END-PIECE;FINESTRE;"), static_cast<std::size_t>(row.pieces)) << events;
    EXPECT_EQ(Count(events, ";MULTI;"), static_cast<std::size_t>(row.summary)) << events;
    EXPECT_EQ(PieceLineTotal(events, "FINESTRE"), row.summary) << "the bar lines count the pieces of their program\n"
                                                                << events;
}

// The directly driven printer with a print period longer than the pieces take: pieces finish
// several to a period, and every one still gets its label, in order, each behind its start
// bytes (the offcut label of each run too).
TEST_P(OnlineVariantRunTest, DirectPrinterLabelsEveryPieceFinishedWithinOnePrintPeriod) {
    SetUpOnlineRun("FINESTRE.lda", GetParam());
    UseDirectPrinter();
    WriteConfig("GENERAL", "PRINT_TIMER", "1500");
    RunTheList();
    ASSERT_TRUE(ended_) << "the test run did not end";
    for (const auto& b : ui_->boxes) ADD_FAILURE() << "box " << b.title << ": " << b.text;
    // A label per piece, each behind its start bytes, and each bar's offcut label (TELAIO's
    // two bars in one program each have theirs).
    const std::string start("\x02\0E\0\n\x03", 6);
    const std::string sent = port_->Received();
    EXPECT_EQ(Count(sent, start), 11u);
    EXPECT_EQ(Count(sent, "\x0E"), 11u + 3u) << "form ends";
    for (std::size_t at = sent.find(start); at != std::string::npos; at = sent.find(start, at + start.size())) {
        const std::size_t next = sent.find(start, at + start.size());
        EXPECT_EQ(Count(sent.substr(at, next == std::string::npos ? std::string::npos : next - at), "\x0E") >= 1, true)
            << "a label after its start bytes";
    }
}

// The label library's printer unplugged: before each bar the paper check says the printer
// cannot be reached (no label is due yet); a label that did not go out is named in a box
// that covers its whole print step, and every label is named exactly once.
TEST_P(OnlineVariantRunTest, LabelsNotPrintedAreNamedOncePerPrintStep) {
    SetUpOnlineRun("FINESTRE.lda", GetParam());
    printer_.reset();
    fs::remove_all(tmp_ + "usb");
    RunTheList();
    ASSERT_TRUE(ended_) << "the test run did not end";
    const std::string lost = MsgError("ERR_LABEL_NOT_PRINTED");
    int checks = 0;
    std::vector<std::string> names;
    for (const auto& b : ui_->boxes) {
        if (b.text == MsgError("ERR_LABEL_PRINTER")) {
            ++checks;
        } else if (b.text.rfind(lost + " ", 0) == 0) {
            const std::string list = b.text.substr(lost.size() + 1) + ", ";
            for (std::size_t from = 0, comma; (comma = list.find(", ", from)) != std::string::npos; from = comma + 2)
                names.push_back(list.substr(from, comma - from));
        } else {
            ADD_FAILURE() << "box " << b.title << ": " << b.text;
        }
    }
    EXPECT_EQ(checks, ProgramStarts()) << "the paper check before each bar";
    EXPECT_EQ(names.size(), 11u + 3u) << "every piece and each bar's offcut";
    // FINESTRE's pieces (TELAIO's twice) and each bar's offcut, by its bar (TELAIO's first
    // offcut may be named before or after the first piece of its second bar).
    std::vector<std::string> pieces = {"TRAV SUP", "TRAV INF", "MONT SX", "MONT DX", "TRAV SUP", "TRAV INF",
                                       "MONT SX",  "MONT DX",  "TELAIO",  "TELAIO",  "ANTA SUP", "ANTA LAT",
                                       "ANTA INF", "ANTA"};
    std::sort(pieces.begin(), pieces.end());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, pieces);
}

// The end of a run refreshes the confirmation fully. PORTE's first bar, TRAVERSO, needs a tool
// change and resumes after one piece made (a progress record): the operator confirms it once,
// its resumed repetition runs alone, and its other repetitions go on by themselves, their
// program prepared with the output files of the run before deleted.
TEST_P(OnlineVariantRunTest, RepetitionsLeftAfterAToolChangeGoOnByThemselves) {
    SetUpOnlineRun("PORTE.lda", GetParam());
    WriteConfig("GENERAL", "TYPE_EXEC", "2");
    int confirmedByHand = 0;
    bool setupDiffered = false;
    int reportsLaid = 0;
    QTimer operatorHand;
    QObject::connect(&operatorHand, &QTimer::timeout, [&] {
        if (MainFrame == nullptr) return;
        auto* conf = qobject_cast<CConfBarDialog*>(MainFrame->confBarDialog.data());
        if (conf == nullptr || conf->Closed()) {
            // The operator takes the bars the selection offers.
            auto* sel = qobject_cast<CSelBarDialog*>(MainFrame->selBarDialog.data());
            if (sel != nullptr && sel->isVisible()) sel->OnOK();
            return;
        }
        if (conf->CurrentBar() == nullptr) return;
        const bool first = std::string(conf->CurrentBar()->name) == "TRAVERSO";
        if (conf->Running() && first && !fs::exists(program_ + "OUTPUT.PCS")) {
            // A report left by this run: the bar's next program is prepared without it.
            ++reportsLaid;
            WriteFile(program_ + "OUTPUT.PCS", "report");
        }
        if (conf->StartPending() || conf->Running()) return;
        // The operator confirms the first bar once; a later bar that needs him too.
        if (first && confirmedByHand > 0) return;
        if (first) {
            ++confirmedByHand;
            setupDiffered = (conf->Flags() & CConfBarDialog::kFlagSetupDiffers) != 0;
        }
        conf->OnOK();
    });
    RunTheList([&] {
        g_testAutoConfirm = 0;
        WriteProgressRecord("PORTE.lda", "TRAVERSO", 1);
        operatorHand.start(50);
    });
    operatorHand.stop();
    ASSERT_TRUE(ended_) << "the first bar's repetitions did not go on by themselves";
    EXPECT_EQ(confirmedByHand, 1);
    EXPECT_TRUE(setupDiffered) << "the first bar changes the tools";
    EXPECT_EQ(reportsLaid, 2) << "the first bar's two programs, the second without the report of the first";
    app_->ExitInstance();
    const std::string events = EventLog();
    EXPECT_EQ(Count(events, ";END-PIECE;PORTE;TRAV 900;900"), 1u + 2u * 2u) << events;
    EXPECT_EQ(Count(events, ";END-PIECE;PORTE;MONTANTE;2150"), 4u) << events;
}

// ---- What the program could not write, and what a signal interrupted ----------------------

namespace {

// The progress record's folder read-only (or the drive full): every replace and every removal
// of "STATBAR.TXT" fails as the system fails it.
int g_progressFault = 0;
int ProgressFolderReadOnly(const char* nativePath, plat::FileOp op) {
    const std::string p = nativePath;
    const bool record = p.size() >= 11 && p.compare(p.size() - 11, 11, "STATBAR.TXT") == 0;
    return record && op != plat::FileOp::Read ? g_progressFault : 0;
}

// CONFIG.PAR that cannot be written (read-only file): its reads go on.
int ConfigReadOnly(const char* nativePath, plat::FileOp op) {
    const std::string p = nativePath;
    const bool config = p.size() >= 10 && p.compare(p.size() - 10, 10, "CONFIG.PAR") == 0;
    return config && op == plat::FileOp::Write ? EROFS : 0;
}

struct FileFaultGuard {
    explicit FileFaultGuard(plat::FileFault f) { plat::SetFileFaultForTests(f); }
    ~FileFaultGuard() { plat::SetFileFaultForTests(nullptr); }
};

} // namespace

// Cases on each machine variant: (variant, case value).
class OnlineCaseTest : public OnlineJobRunTest, public ::testing::WithParamInterface<std::tuple<int, int>> {
protected:
    int Variant() const { return std::get<0>(GetParam()); }
    int Value() const { return std::get<1>(GetParam()); }
};

// FINESTRE (TELAIO four pieces twice, ANTA three) with its progress folder read-only and no
// record: every piece cut once, the operator told once which file cannot be written, and the
// run reaches its end.
class ReadOnlyProgressTest : public OnlineCaseTest {};
INSTANTIATE_TEST_SUITE_P(VariantsAndRecords, ReadOnlyProgressTest,
                         ::testing::Combine(::testing::Values(1, 2), ::testing::Values(0)),
                         [](const ::testing::TestParamInfo<std::tuple<int, int>>& i) {
                             return "Variant" + std::to_string(std::get<0>(i.param)) + "_record" +
                                    std::to_string(std::get<1>(i.param));
                         });

TEST_P(ReadOnlyProgressTest, ProgressRecordThatCannotBeReplacedIsNeverResumedFrom) {
    SetUpOnlineRun("FINESTRE.lda", Variant());
    g_progressFault = EROFS;
    FileFaultGuard guard(&ProgressFolderReadOnly);
    RunTheList([&] {
        if (Value() > 0) WriteProgressRecord("FINESTRE.lda", "TELAIO", Value());
    });
    ASSERT_TRUE(ended_) << "the test run did not end";
    int told = 0;
    for (const auto& b : ui_->boxes) {
        if (b.text.find("STATBAR.TXT") != std::string::npos && b.text.find(MsgError("ERR_FILE_WRITE")) == 0)
            ++told;
        else
            ADD_FAILURE() << "box " << b.title << ": " << b.text;
    }
    EXPECT_EQ(told, 1) << "the file that cannot be written, named once";
    EXPECT_EQ(ProgramStarts(), 2);
    EXPECT_EQ(Count(printer_->Received(), "^BC"), 11u) << "a label per piece, each piece cut once";
    app_->ExitInstance();
    const std::string events = EventLog();
    EXPECT_EQ(Count(events, ";END-PIECE;FINESTRE;TRAV INF;"), 2u) << events;
    EXPECT_EQ(Count(events, ";END-PIECE;FINESTRE;"), 11u) << events;
}

// The drive full (the record can be removed, not replaced) or the folder read-only (neither):
// a record of two pieces of TELAIO made that cannot be rewritten before the bar resumes. The
// bar neither resumes nor starts again from its first piece without the operator's word: asked,
// naming the two pieces and the file, and the answer taken; unattended, the bar is not started
// and the output says so. The record is never resumed from later: after a "go on" only the
// session's own count holds the two pieces.
namespace {
int g_unkeptFault = 0;
bool g_unkeptRemoves = false;
int UnkeptRecordFault(const char* nativePath, plat::FileOp op) {
    const std::string p = nativePath;
    if (p.size() < 11 || p.compare(p.size() - 11, 11, "STATBAR.TXT") != 0 || op == plat::FileOp::Read) return 0;
    return op == plat::FileOp::Remove && g_unkeptRemoves ? 0 : g_unkeptFault;
}
} // namespace

constexpr int kUnattended = 0;
struct UnkeptRow {
    const char* name;
    int fault;
    bool removes;
    int answer;         // to the question, or kUnattended
    std::size_t telaio; // TELAIO pieces cut (four a repetition)
    int starts;
    int asked; // times asked (or told on the output)
};
const UnkeptRow kUnkeptRows[] = {
    {"FullDriveGoOn", ENOSPC, true, IDYES, 2 + 4, 3, 1},
    {"ReadOnlyGoOn", EROFS, false, IDYES, 2 + 4, 3, 1},
    {"FullDriveFromFirstPiece", ENOSPC, true, IDNO, 4 + 4, 2, 1},
    {"ReadOnlyFromFirstPiece", EROFS, false, IDNO, 4 + 4, 2, 1},
    // The run passes over the bar, runs ANTA and offers TELAIO once more.
    {"FullDriveCancelled", ENOSPC, true, IDCANCEL, 0, 1, 2},
    {"ReadOnlyUnattended", EROFS, false, kUnattended, 0, 1, 2},
    {"FullDriveUnattended", ENOSPC, true, kUnattended, 0, 1, 2},
};
void PrintTo(const UnkeptRow& row, std::ostream* os) { *os << row.name; }
class UnkeptProgressTest : public OnlineJobRunTest, public ::testing::WithParamInterface<UnkeptRow> {};
INSTANTIATE_TEST_SUITE_P(Answers, UnkeptProgressTest, ::testing::ValuesIn(kUnkeptRows),
                         [](const ::testing::TestParamInfo<UnkeptRow>& i) { return std::string(i.param.name); });

TEST_P(UnkeptProgressTest, PartlyCutBarWhoseRecordCannotBeKeptWaitsForTheOperatorsWord) {
    const UnkeptRow& row = GetParam();
    SetUpOnlineRun("FINESTRE.lda");
    if (row.answer != kUnattended)
        plat::WriteProfileString("TEST", "FLAG_TEST_HIDE_POPUP", "0", (program_ + "CONF/TEST.PAR").c_str());
    std::vector<std::string> asked;
    ui_->responder = [&](const MessageBoxRequest& b) {
        if (b.text.find(MsgString("M_PROGRESS_UNKEPT")) == std::string::npos) return static_cast<int>(IDOK);
        asked.push_back(b.text);
        return row.answer;
    };
    g_unkeptFault = row.fault;
    g_unkeptRemoves = row.removes;
    FileFaultGuard guard(nullptr);
    testing::internal::CaptureStderr();
    RunTheList([&] {
        WriteProgressRecord("FINESTRE.lda", "TELAIO", 2);
        plat::SetFileFaultForTests(&UnkeptRecordFault);
    });
    const std::string output = testing::internal::GetCapturedStderr();
    ASSERT_TRUE(ended_) << "the test run did not end";
    const std::string question = MsgString("M_PROGRESS_UNKEPT");
    if (row.answer == kUnattended) {
        EXPECT_TRUE(asked.empty());
        for (std::size_t at = output.find(question); at != std::string::npos; at = output.find(question, at + 1))
            asked.push_back(output.substr(at, 400));
        EXPECT_EQ(Count(output, MsgString("M_PROGRESS_UNKEPT_CANCELLED")), static_cast<std::size_t>(row.asked))
            << output;
    }
    ASSERT_EQ(static_cast<int>(asked.size()), row.asked) << output;
    for (const std::string& text : asked) {
        EXPECT_EQ(text.find(question + " TRAV SUP, TRAV INF\n"), 0u) << text;
        EXPECT_NE(text.find("STATBAR.TXT"), std::string::npos) << text;
    }
    EXPECT_EQ(ProgramStarts(), row.starts);
    app_->ExitInstance();
    const std::string events = EventLog();
    EXPECT_EQ(Count(events, ";END-PIECE;FINESTRE;") - Count(events, ";END-PIECE;FINESTRE;ANTA"), row.telaio)
        << events;
    EXPECT_EQ(Count(events, ";END-PIECE;FINESTRE;ANTA"), 3u) << events;
}

// What one bar confirmation changes in CONFIG.PAR (the step, the tool set-up PORTE's bars need)
// reaches it in one replacement: on a slow drive each replacement waits for its syncs. Counted
// through the replacements of the file, grouped by the confirmation they came before.
namespace {
std::function<void(const char*)> g_onConfigCommit;
bool CountCommit(const char*, const char* finalPath) {
    if (g_onConfigCommit) g_onConfigCommit(finalPath);
    return true;
}
} // namespace

TEST_P(OnlineVariantRunTest, OneConfirmationReplacesTheConfigurationOnce) {
    SetUpOnlineRun("PORTE.lda", GetParam());
    WriteConfig("GENERAL", "STEP_RIP", "5"); // the step of the first confirmation changes it
    std::map<int, int> replacements;         // starts seen -> CONFIG.PAR replacements
    RunTheList([&] {
        g_onConfigCommit = [&](const char* finalPath) {
            const std::string p = finalPath;
            if (p.size() < 10 || p.compare(p.size() - 10, 10, "CONFIG.PAR") != 0) return;
            ++replacements[ProgramStarts()];
        };
        plat::SetProfileCommitHook(&CountCommit);
    });
    plat::SetProfileCommitHook(nullptr);
    g_onConfigCommit = nullptr;
    ASSERT_TRUE(ended_) << "the test run did not end";
    EXPECT_EQ(ProgramStarts(), 2);
    ASSERT_FALSE(replacements.empty()) << "the first confirmation changes the step and the set-up";
    for (const auto& [starts, count] : replacements)
        EXPECT_EQ(count, 1) << "replacements before start " << starts + 1;
    const std::string config = program_ + "CONF/CONFIG.PAR";
    EXPECT_EQ(plat::GetProfileInt("GENERAL", "STEP_RIP", -1, config.c_str()), 0) << "the step \"All\" kept";
    app_->ExitInstance();
}

// CONFIG.PAR read-only: the set-up PORTE's bars need cannot be recorded, so no bar starts (the
// next start would believe the old tools mounted); the unattended run passes over each bar.
TEST_P(OnlineVariantRunTest, BarDoesNotStartOnAToolSetUpThatCouldNotBeRecorded) {
    SetUpOnlineRun("PORTE.lda", GetParam());
    const std::string config = program_ + "CONF/CONFIG.PAR";
    const std::string before = ReadFile(config);
    int confirmations = 0;
    QTimer operatorHand;
    QObject::connect(&operatorHand, &QTimer::timeout, [&] {
        if (MainFrame == nullptr) return;
        auto* conf = qobject_cast<CConfBarDialog*>(MainFrame->confBarDialog.data());
        if (conf == nullptr || conf->Closed() || conf->StartPending() || conf->Running()) return;
        if (confirmations == 0 && ui_->boxes.empty()) return; // the run's own confirmation first
        if (confirmations < 2) {
            ++confirmations;
            conf->OnOK(); // the operator tries again
            return;
        }
        operatorHand.stop();
        MainFrame->close();
    });
    FileFaultGuard guard(nullptr);
    RunTheList(
        [&] {
            plat::SetFileFaultForTests(&ConfigReadOnly);
            operatorHand.start(50);
        },
        20000);
    operatorHand.stop();
    EXPECT_TRUE(ended_);
    const std::string named = FileFaultText(true, g_pPathTable->ConfigPar(), EROFS);
    // Unattended, nobody answers a box: each bar's refusal goes to the output and the run
    // passes over it to its end.
    EXPECT_EQ(CountBoxesContaining(named), 0);
    EXPECT_EQ(ProgramStarts(), 0) << "no bar on an unrecorded set-up";
    EXPECT_EQ(ReadFile(config), before);
}

// A termination request while a bar runs is refused and changes nothing: Stop now still asks
// and stops the bar. Only the request once no bar runs closes the program (the boxes are the
// program's own, on the screen).
TEST_F(OnlineJobRunTest, RefusedTerminationDuringABarLeavesTheBoxesAsking) {
    SetUpOnlineRun("FINESTRE.lda");
    app::QtUiServices screen;
    SetUi(&screen);
    std::vector<std::string> asked;
    app::QtUiServices::SetBoxObserver([&](QMessageBox& box) {
        asked.push_back(box.text().toStdString());
        QTimer::singleShot(20, &box, [&box] { box.done(QMessageBox::Yes); });
    });
    enum { Running, Refused, Stopped, Closing } step = Running;
    bool openAfterRefusal = false;
    QTimer operatorHand;
    QObject::connect(&operatorHand, &QTimer::timeout, [&] {
        if (MainFrame == nullptr) return;
        auto* monitor = qobject_cast<CExecDialog*>(MainFrame->execDialog.data());
        auto* conf = qobject_cast<CConfBarDialog*>(MainFrame->confBarDialog.data());
        if (step == Running && monitor != nullptr && monitor->EndResult() == 0 && monitor->Phase() >= 1) {
            g_testAutoConfirm = 0; // the operator takes over after the stop
            MainFrame->OnTerminationRequest();
            openAfterRefusal = MainFrame->isVisible();
            step = Refused;
            monitor->OnCancel(); // Stop now: asked, answered Yes
            step = Stopped;
        } else if (step == Stopped && conf != nullptr && !conf->Running() && monitor == nullptr) {
            step = Closing;
            MainFrame->OnTerminationRequest();
        }
    });
    RunTheList([&] { operatorHand.start(10); }, 30000);
    operatorHand.stop();
    app::QtUiServices::SetBoxObserver(nullptr);
    SetUi(ui_.get());
    EXPECT_TRUE(ended_) << "closed by the request once no bar ran";
    EXPECT_TRUE(openAfterRefusal);
    EXPECT_EQ(step, Closing);
    ASSERT_FALSE(asked.empty());
    EXPECT_EQ(asked.front(), plat::Cp1252ToUtf8(MsgString("M_ABORT"))) << "Stop now asked";
    EXPECT_EQ(ProgramStarts(), 1) << "the bar stopped, none started after it";
    const std::vector<RWrite> log = RWrites();
    EXPECT_NE(FindWrite(log, 0, 481, 1.0), std::string::npos) << "the stop asked of the controller";
}

// A power cut within the print period: the label of the piece just finished waits for the
// print timer and its supervisor lines for the bar's end. What the run still owes is on disk
// beside the bar progress record at every moment, so the restart tells the operator which
// pieces may lack their label and their supervisor lines, once.
TEST_F(OnlineJobRunTest, APowerCutWithinThePrintPeriodIsToldAtTheRestart) {
    SetUpOnlineRun("FINESTRE.lda");
    WriteConfig("GENERAL", "PRINT_TIMER", "60000"); // the labels wait: the cut falls within the period
    std::string progressAtCut, owedAtCut, labelsAtCut, supervisorAtCut, owedPath;
    QTimer cut;
    QObject::connect(&cut, &QTimer::timeout, [&] {
        if (!owedAtCut.empty() || MainFrame == nullptr) return;
        auto* monitor = qobject_cast<CExecDialog*>(MainFrame->execDialog.data());
        if (monitor == nullptr || monitor->EndResult() != 0 || monitor->PiecesDone() < 2) return;
        // The power goes: the disk holds what a restart finds, and the controller stops.
        labelsAtCut = app::QueuedLabelNames();
        const std::vector<std::string> names = {"TRAV SUP", "TRAV INF", "MONT SX", "MONT DX"};
        for (int i = 0; i < monitor->PiecesDone(); ++i)
            supervisorAtCut += (i == 0 ? "" : ", ") + names[static_cast<std::size_t>(i)];
        progressAtCut = ReadFile(plat::NativePath(g_barProgressPath));
        owedPath = plat::NativePath(g_barProgressPath); // the owed names are in the job's record
        owedAtCut = ReadFile(owedPath);
        g_pCncState->SetR481(1);
        monitor->EndJob(2);
        MainFrame->close();
    });
    RunTheList([&] { cut.start(2); });
    cut.stop();
    ASSERT_FALSE(owedAtCut.empty()) << "the run never had two pieces waiting";
    EXPECT_FALSE(labelsAtCut.empty());
    for (const auto& b : ui_->boxes) ADD_FAILURE() << "box before the cut " << b.title << ": " << b.text;
    app_->ExitInstance();

    // The restart finds the disk as the cut left it.
    WriteFile(plat::NativePath(g_barProgressPath), progressAtCut);
    WriteFile(owedPath, owedAtCut);
    ui_->boxes.clear();
    WriteConfig("GENERAL", "PRINT_TIMER", "20");
    RunTheList();
    ASSERT_TRUE(ended_) << "the run after the restart did not end";
    const std::string labels = MsgError("ERR_LABELS_OWED"), supervisor = MsgError("ERR_SUPERVISOR_OWED");
    ASSERT_EQ(ui_->boxes.size(), 1u) << "one notice, at the first bar after the restart";
    EXPECT_EQ(ui_->boxes[0].text, labels + " " + labelsAtCut + "\n" + supervisor + " " + supervisorAtCut);
    EXPECT_EQ(ReadFile(owedPath).find("=T"), std::string::npos) << "told once: nothing is owed any more";
}

// A power cut just after the list's last piece: ANTA's offcut is owed its label from the moment
// the bar is cut, beside the labels still waiting for the print timer. The restart finds the
// list finished and opens no execution: what is owed is told at the start-up, once.
TEST_F(OnlineJobRunTest, TheOffcutOfTheLastBarCutIsToldAtTheRestartOfAFinishedList) {
    SetUpOnlineRun("FINESTRE.lda");
    WriteConfig("GENERAL", "CHANGE_RIP", "1"); // the list counts its repetitions
    std::string recordAtCut;
    QTimer cut;
    QObject::connect(&cut, &QTimer::timeout, [&] {
        if (!recordAtCut.empty() || MainFrame == nullptr) return;
        auto* monitor = qobject_cast<CExecDialog*>(MainFrame->execDialog.data());
        auto* list = dynamic_cast<BarComputation*>(g_pBarList);
        if (monitor == nullptr || monitor->EndResult() != 0 || list == nullptr || list->currentBar == nullptr ||
            std::string(list->currentBar->name) != "ANTA")
            return;
        g_pSettings->PRINT_TIMER = 60000; // ANTA's labels wait: the cut falls within the period
        if (monitor->PiecesCounted() < 3.0f) return;
        // The power goes: the disk holds what a restart finds, and the controller stops.
        recordAtCut = ReadFile(plat::NativePath(g_barProgressPath));
        g_pCncState->SetR481(1);
        monitor->EndJob(2);
        MainFrame->close();
    });
    RunTheList([&] { cut.start(2); });
    cut.stop();
    ASSERT_FALSE(recordAtCut.empty()) << "the cut never came";
    app_->ExitInstance();

    WriteFile(plat::NativePath(g_barProgressPath), recordAtCut);
    ui_->boxes.clear();
    WriteConfig("GENERAL", "PRINT_TIMER", "20");
    RunTheList();
    ASSERT_TRUE(ended_) << "the run after the restart did not end";
    EXPECT_EQ(ProgramStarts(), 0) << "nothing of the list is made again";
    ASSERT_EQ(ui_->boxes.size(), 1u) << "one notice, at the start-up";
    const std::string& told = ui_->boxes[0].text;
    EXPECT_EQ(told.substr(0, told.find('\n')),
              std::string(MsgError("ERR_LABELS_OWED")) + " ANTA SUP, ANTA LAT, ANTA INF, ANTA")
        << told;
}

// Stop now asked while TELAIO's second bar has one piece to go, the box left open while the
// machine cuts it and ends the program, then Yes: both bars of TELAIO were finished, and each
// keeps its bar line and its piece lines for the supervisor; ANTA runs after.
TEST_F(OnlineJobRunTest, StopNowAnsweredAfterTheBarEndedKeepsTheBarsLines) {
    SetUpOnlineRun("FINESTRE.lda");
    bool pressed = false;
    QTimer hand;
    QObject::connect(&hand, &QTimer::timeout, [&] {
        if (pressed || MainFrame == nullptr) return;
        auto* monitor = qobject_cast<CExecDialog*>(MainFrame->execDialog.data());
        if (monitor == nullptr || monitor->EndResult() != 0 || monitor->PiecesCounted() < 7.0f) return;
        pressed = true;
        monitor->OnCancel();
    });
    ui_->responder = [&](const MessageBoxRequest& b) {
        if (b.text != MsgString("M_ABORT")) return static_cast<int>(IDOK);
        QElapsedTimer t;
        t.start();
        while (Sim().SimProgramState() == SIM_RUN_RUNNING && t.elapsed() < 10000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        return static_cast<int>(IDYES);
    };
    RunTheList([&] { hand.start(2); });
    hand.stop();
    ASSERT_TRUE(ended_) << "the test run did not end";
    ASSERT_TRUE(pressed);
    EXPECT_EQ(Sim().SimProgramState(), SIM_RUN_ENDED);
    app_->ExitInstance();
    const std::string events = EventLog();
    EXPECT_EQ(Count(events, ";END-PIECE;FINESTRE;"), 11u) << events;
    EXPECT_EQ(Count(events, ";PIECE;FINESTRE;TELAIO;"), 2u) << events;
    EXPECT_EQ(PieceLineTotal(events, "FINESTRE"), 11) << events;
    EXPECT_EQ(Count(events, ";MULTI;"), 11u) << events;
}

namespace {

// A start the controller does not take, on PORTE (two bars, each in one program).
struct StartRow {
    const char* what;
    int hidePopups;   // 1: nobody at the machine; 0: someone takes each box as it comes
    int response;     // SimSetCommandResponse mode for the first start, or -1
    int resetAs;      // the variant the controller is reset as after the start-up, or -1
    bool writesFail;  // no R variable can be written any more (the link half down)
};
const StartRow kStartRows[] = {
    {"TimedOut", 1, SIM_CMD_NEVER_FINISH, -1, false},
    {"RefusedByTheController", 1, SIM_CMD_REFUSE_NEXT, -1, false},
    {"ResetAsAnotherMachine", 0, -1, 0, false},
    {"WatchVariablesNotCleared", 1, -1, -1, true},
};

class OnlineStartRefusedTest : public OnlineJobRunTest, public ::testing::WithParamInterface<StartRow> {};

INSTANTIATE_TEST_SUITE_P(Starts, OnlineStartRefusedTest, ::testing::ValuesIn(kStartRows),
                         [](const ::testing::TestParamInfo<StartRow>& i) { return i.param.what; });

} // namespace

// A start that does not happen is told (to the output when nobody is there, in the box when
// someone is), the bar is passed over and the run reaches its end. A controller reset as
// another machine after the start-up gets no program of this session's machine: the box names
// what it now reads, and nothing is written to it or started.
TEST_P(OnlineStartRefusedTest, RefusedStartIsToldAndTheRunReachesItsEnd) {
    const StartRow& row = GetParam();
    SetUpOnlineRun("PORTE.lda", 1);
    plat::WriteProfileString("TEST", "FLAG_TEST_HIDE_POPUP", row.hidePopups ? "1" : "0",
                             (program_ + "CONF/TEST.PAR").c_str());
    WriteConfig("GENERAL", "CMD_TIMER", "300");
    ui_->defaultAnswer = IDOK;
    const std::string work = drives_ + "/C/UVEN/LAV/LAV/";
    auto workFiles = [&] {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(work)) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    };
    std::vector<std::string> before;
    testing::internal::CaptureStderr();
    RunTheList([&] {
        if (row.response >= 0) Sim().SimSetCommandResponse(row.response, 7);
        if (row.resetAs >= 0) Sim().SimSetVariantRegs(row.resetAs);
        if (row.writesFail) Sim().SimSetFailNextWrite(UVEN_RW_NOT_READY, 1000000);
        before = workFiles();
    });
    const std::string output = testing::internal::GetCapturedStderr();
    ASSERT_TRUE(ended_) << "the test run did not end\n" << output;
    EXPECT_EQ(MachineVariant, 1);
    if (row.resetAs >= 0) {
        const std::string text = VariantUnknownText(" R700=1 R813=0 R814=0");
        EXPECT_EQ(CountBoxesContaining(text), 2) << "each bar of the pass refused";
        for (const auto& b : ui_->boxes)
            if (b.text != text) ADD_FAILURE() << "box " << b.title << ": " << b.text;
        EXPECT_EQ(workFiles(), before) << "nothing written to the controller";
        EXPECT_EQ(ProgramStarts(), 0);
        for (int i = 0; i < Sim().SimCommandLogCount(); ++i) {
            int code = 0, sub = 0, result = 0;
            char text64[64] = {};
            Sim().SimCommandLogEntry(i, &code, &sub, text64, sizeof text64, &result);
            EXPECT_NE(code, 4) << "a start asked of another machine";
        }
        return;
    }
    Sim().SimSetFailNextWrite(0, 0);
    const std::string text = row.writesFail                        ? std::string(MsgError("ERR_WATCH_CLEAR")) + " R599"
                             : row.response == SIM_CMD_NEVER_FINISH ? MsgError("ERR_TIMEOUT_CMD")
                                                                   : std::string(MsgError("ERR_CMD")) + " 7";
    const std::size_t told = output.find(" refused: " + text);
    ASSERT_NE(told, std::string::npos) << output;
    EXPECT_EQ(output.rfind("bar 1 / 2 ", told), output.rfind("bar ", told)) << "the first bar refused\n" << output;
    EXPECT_EQ(CountBoxesContaining(text), 0) << "nobody there to answer it";
}
