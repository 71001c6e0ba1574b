// The piece-label job: labels built into the CNC state object's label text, queued, and sent
// on the execution monitor's print timer; then the decision on the offcut label.
#include "app/label_job.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "app/exec_files.h"
#include "engine/bar_computation.h"
#include "engine/piece_labels.h"
#include "labelprint/Tagrix.h"
#include "machine/barlist.h"
#include "machine/cnc_state.h"
#include "machine/label_settings.h"
#include "machine/path_table.h"
#include "machine/settings.h"
#include "machine/settings_support.h"
#include "machine/ui_services.h"
#include "platform/paths.h"
#include "platform/serial_tty.h"
#include "platform/text.h"

namespace app {

int g_labelPending = 0;

namespace {

// One label waiting in the label text: where it starts and the piece it is for (-1: a bar or
// an offcut). Several labels of printer kinds 1 and 2 wait together when pieces finish
// faster than the print timer; each is printed on its own.
struct QueuedLabel {
    std::size_t start = 0;
    int pieceIndex = -1;
    int kind = kLabelOfScrap; // kLabelOfPiece, kLabelOfBar (a bar without pieces) or kLabelOfScrap
    // Printer kind 1: the value the label's barcode stands for (the piece's or the bar's name,
    // nothing for an offcut), passed to the library as it is: the barcode field of the label
    // text holds it in the directly driven printer's form (an EAN padded with zeros, spaces
    // dropped), which would print another value.
    std::string barcode;
    // What the label is for, as the operator is told when it was not printed: the piece's
    // name, or the bar's.
    std::string name;
};

struct LabelRun {
    std::vector<QueuedLabel> queue;
    // Printer kind 0 builds every label afresh over the label text: labels finished before the
    // print tick wait here, oldest first, so none is replaced by the next one. A piece label
    // queued behind another did not send its start bytes: they go just before it.
    struct DirectLabel {
        std::string text;
        bool owesStart = false;
        std::string name; // the piece's or the bar's, as the operator knows the label
    };
    std::vector<DirectLabel> directWaiting;
    bool textOwesStart = false; // the same for the label in the label text
    bool tooLongShown = false;  // a label too long for the label text is reported once a run
    bool portFailureShown = false; // one box per label for the print port
};

LabelRun g_run;

// The list whose labels already told that their barcode was left off: the library tells it
// for every label, the operator hears it once per list.
struct BarcodeNotice {
    const BarComputation* list = nullptr;
    std::string path;
};
BarcodeNotice g_barcodeNotice;

char* LabelBuffer() { return g_pCncState != nullptr ? g_pCncState->LabelText() : nullptr; }

void ClearLabels() {
    if (char* buffer = LabelBuffer()) std::memset(buffer, 0, kLabelTextSize);
    g_run.queue.clear();
    g_run.directWaiting.clear();
    g_run.textOwesStart = false;
}

const WorkingPiece* FindPiece(const BarComputation& bc, int pieceIndex) {
    if (pieceIndex < 0) return nullptr;
    for (const WorkingPiece* p : bc.pieces)
        if (p != nullptr && p->Id == pieceIndex + 1) return p;
    return nullptr;
}

// The library's notice that a label went out without texts its layout holds: told once per
// layout and session (the layout is its file as it reads now, so an edited file is told
// again), in the job's notice; the run goes on with the labels as they print.
void TellTextsLeftOut(const std::string& text) {
    static std::set<std::string> told;
    const std::string path = ProgramFilePath("TAGRIX.INI");
    std::string layout;
    plat::ReadWholeFile(path, layout);
    if (!told.insert(path + '\n' + layout).second) return;
    JobNotice(text);
}

// Counts the label library's boxes while it works: a box means the label did not go out. The
// library's plain box (no printer answered) is held back and counted in unreachable: the label
// job tells the operator itself, naming the labels, once per print step. Every other box is
// passed on to the program's sink (or to the operator directly when none is installed). A
// notice that a label went out without its barcode is passed on once per list (bc), and is no
// failure of the label.
class LibraryBoxCounter : public tagrix::MessageSink {
public:
    explicit LibraryBoxCounter(const BarComputation* bc = nullptr) : bc_(bc), previous_(tagrix::SetMessageSink(this)) {}
    ~LibraryBoxCounter() override { tagrix::SetMessageSink(previous_); }
    LibraryBoxCounter(const LibraryBoxCounter&) = delete;
    LibraryBoxCounter& operator=(const LibraryBoxCounter&) = delete;

    void Show(const char* text, const char* caption, int icon) override {
        if (icon == tagrix::kBoxTextsNotice) {
            TellTextsLeftOut(text != nullptr ? text : "");
            return;
        }
        if (icon == tagrix::kBoxNotice) {
            const std::string path = bc_ != nullptr ? bc_->ListPath() : "";
            if (g_barcodeNotice.list == bc_ && g_barcodeNotice.path == path) return;
            g_barcodeNotice = {bc_, path};
        } else {
            ++shown;
            if (icon != tagrix::kBoxError) {
                ++unreachable;
                return;
            }
        }
        if (previous_ != nullptr) {
            previous_->Show(text, caption, icon);
            return;
        }
        ShowBoxLiteralTitle(caption != nullptr ? caption : "", text != nullptr ? text : "", BoxButtons::Ok,
                            icon == tagrix::kBoxError    ? BoxIcon::Error
                            : icon == tagrix::kBoxNotice ? BoxIcon::Warning
                                                         : BoxIcon::None);
    }
    int shown = 0;
    int unreachable = 0;

private:
    const BarComputation* bc_;
    tagrix::MessageSink* previous_;
};

void ShowLabelError(const char* key, BoxIcon icon = BoxIcon::Warning) {
    ShowBox("T_ATTENZIONE", MsgError(key), BoxButtons::Ok, icon);
}

bool WriteToPrintPort(const std::string& bytes) {
    plat::SerialPort* port = g_pSettings != nullptr ? g_pSettings->GetPrintPcPort() : nullptr;
    if (port != nullptr && port->Write(bytes.data(), bytes.size()) == bytes.size()) return true;
    if (!g_run.portFailureShown) ShowLabelError("ERR_LABEL_PORT");
    g_run.portFailureShown = true;
    return false;
}

// The value a label's barcode stands for: the piece's name, the bar's name, nothing for an
// offcut. Names hold at most 20 characters, within the 40 of a label value, so none is cut.
std::string BarcodeValue(const BarComputation& bc, const PieceLabelRequest& request) {
    const char* value = "";
    if (request.kind == kLabelOfPiece) {
        if (const WorkingPiece* piece = FindPiece(bc, request.pieceIndex)) value = piece->Nome;
    } else if (request.kind == kLabelOfBar) {
        const BarRecord* bar = request.bar != nullptr ? request.bar : bc.currentBar;
        if (bar != nullptr) value = BarNameText(*bar);
    }
    return std::string(value, ::strnlen(value, kLabelValueMax));
}

// The name a label is known by to the operator: its piece's, else its bar's.
std::string LabelName(const BarComputation& bc, int pieceIndex, const BarRecord* bar) {
    if (const WorkingPiece* piece = FindPiece(bc, pieceIndex))
        return std::string(piece->Nome, ::strnlen(piece->Nome, sizeof piece->Nome));
    if (bar == nullptr) bar = bc.currentBar;
    return bar != nullptr ? std::string(BarNameText(*bar)) : std::string();
}

// Builds one label into the label text and queues it; true when it was built.
bool BuildLabel(BarComputation& bc, PieceLabelRequest request, int pieceIndex) {
    char* buffer = LabelBuffer();
    if (buffer == nullptr) return false;
    const int printer = LabelPrinterKind();
    int ids[20] = {};
    int sizes[20] = {};
    if (printer == kPrinterLibrary) {
        GetSelectedID(ids, sizes);
        request.libraryLineTypes = ids;
    }
    const std::size_t before = ::strnlen(buffer, kLabelTextSize);
    // The directly driven printer's label replaces the text: a label still waiting keeps its
    // own copy.
    const std::string waiting = printer == kPrinterDirect ? std::string(buffer, before) : std::string();
    const int result = bc.BuildPieceLabelFields(buffer, kLabelTextSize, request);
    const std::string name = LabelName(bc, pieceIndex, request.bar);
    if (result == kLabelBuilt) {
        if (printer == kPrinterDirect) {
            if (!waiting.empty())
                g_run.directWaiting.push_back(
                    {waiting, g_run.textOwesStart, g_run.queue.empty() ? std::string() : g_run.queue.front().name});
            g_run.textOwesStart = false;
            g_run.queue.assign(1, QueuedLabel{0, pieceIndex, request.kind, std::string(), name});
        } else {
            // Text that came without a queue entry stays one label of its own.
            if (g_run.queue.empty() && before > 0)
                g_run.queue.push_back(QueuedLabel{0, -1, kLabelOfScrap, std::string(), std::string()});
            g_run.queue.push_back(QueuedLabel{before, pieceIndex, request.kind, BarcodeValue(bc, request), name});
        }
        return true;
    }
    if (result == kLabelTooLong && !g_run.tooLongShown) {
        g_run.tooLongShown = true;
        ShowLabelError("ERR_LABEL_TOO_LONG");
    }
    return false;
}

// The labels in the text, each with its piece, its kind and barcode value. A text the queue
// does not describe is one label: the last finished piece's while a piece label is queued and
// the current bar holds that piece, the bar's own while the bar has no pieces, else an
// offcut's; never a piece of another bar.
struct QueuedText {
    std::string text;
    int pieceIndex;
    int kind;
    std::string barcode;
    std::string name;
};
std::vector<QueuedText> QueuedTexts(const BarComputation& bc, const char* text, const LabelRunState& state) {
    std::vector<QueuedText> labels;
    const std::size_t length = ::strnlen(text, kLabelTextSize);
    bool valid = !g_run.queue.empty() && g_run.queue.front().start == 0;
    for (std::size_t i = 1; valid && i < g_run.queue.size(); ++i)
        valid = g_run.queue[i].start > g_run.queue[i - 1].start && g_run.queue[i].start < length;
    if (!valid) {
        const int last = g_labelPending == 1 && state.lastPiece > 0 ? state.lastPiece - 1 : -1;
        const bool ofPiece = FindPiece(bc, last) != nullptr;
        const bool barAlone = bc.currentBar != nullptr && bc.currentBar->pieceCount <= 0;
        PieceLabelRequest request;
        request.pieceIndex = ofPiece ? last : -1;
        request.kind = ofPiece ? kLabelOfPiece : g_labelPending == 1 && barAlone ? kLabelOfBar : kLabelOfScrap;
        labels.push_back({std::string(text, length), request.pieceIndex, request.kind, BarcodeValue(bc, request),
                          LabelName(bc, request.pieceIndex, nullptr)});
        return labels;
    }
    for (std::size_t i = 0; i < g_run.queue.size(); ++i) {
        const std::size_t end = i + 1 < g_run.queue.size() ? g_run.queue[i + 1].start : length;
        labels.push_back({std::string(text + g_run.queue[i].start, end - g_run.queue[i].start),
                          g_run.queue[i].pieceIndex, g_run.queue[i].kind, g_run.queue[i].barcode,
                          g_run.queue[i].name.empty() ? LabelName(bc, g_run.queue[i].pieceIndex, nullptr)
                                                      : g_run.queue[i].name});
    }
    return labels;
}

int LabelCopies(const BarComputation& bc) { return bc.currentBar != nullptr ? bc.currentBar->NR_LABEL : 1; }

// What one print step could not do, told to the operator in one box at its end: the labels
// that did not go out because the printer could not be reached (by name, in order), or a
// printer that took its labels but did not answer the paper query.
struct PrintStep {
    std::vector<std::string> lost;
    bool unreachable = false;
};

void ReportPrintStep(const PrintStep& step) {
    if (!step.lost.empty()) {
        std::string names;
        for (const std::string& name : step.lost) names += (names.empty() ? "" : ", ") + name;
        ShowBox("T_ATTENZIONE", std::string(MsgError("ERR_LABEL_NOT_PRINTED")) + " " + names, BoxButtons::Ok,
                BoxIcon::Warning);
    } else if (step.unreachable) {
        ShowLabelError("ERR_LABEL_PRINTER");
    }
}

// The paper query of the library's printer: false when no printer answered (the library's
// box held back for the caller to tell), else *out says whether the paper is out.
bool QueryPaper(bool* out) {
    LibraryBoxCounter boxes;
    *out = false;
    IsPaperOut(out);
    if (boxes.shown != 0) *out = false;
    return boxes.unreachable == 0;
}

// After the labels went to the library's printer: paper out is reported; false when the
// printer did not answer.
bool CheckPaper() {
    bool out = false;
    const bool answered = QueryPaper(&out);
    if (out) ShowLabelError("ERR_PAPER_OUT", BoxIcon::Question);
    return answered;
}

void PrintWithLibrary(const BarComputation& bc, const std::string& text, const std::string& barcode,
                      const std::string& name, PrintStep& step) {
    std::vector<std::string> lines;
    SplitMessageLines(text.c_str(), lines, nullptr);
    const std::string drawing = plat::StrFormatC("%s%s\\%s.DXF", g_pSettings->DIR_DXF,
                                                 bc.currentBar != nullptr ? bc.currentBar->series : "",
                                                 bc.currentBar != nullptr ? bc.currentBar->code : "");
    const char* params[7] = {"", barcode.c_str(), "", "", drawing.c_str(), "", ""};
    std::vector<const char*> values;
    for (const std::string& line : lines) values.push_back(line.c_str());
    const int copies = LabelCopies(bc);
    if (copies <= 0) return;
    for (int copy = 0; copy < copies; ++copy) {
        LibraryBoxCounter boxes(&bc);
        ZebraStampa(static_cast<int>(values.size()), params, values.data());
        // No printer took it: the other copies would fail too.
        if (boxes.unreachable != 0) step.lost.push_back(name);
        if (boxes.shown != 0) return;
    }
    if (!CheckPaper()) step.unreachable = true;
}

void PrintWithTemplate(const BarComputation& bc, const QueuedText& label, PrintStep& step) {
    const MachineSettings& s = *g_pSettings;
    std::vector<std::string> lines;
    SplitMessageLines(label.text.c_str(), lines, nullptr);
    const WorkingPiece* piece = label.kind == kLabelOfPiece ? FindPiece(bc, label.pieceIndex) : nullptr;
    // A bar without pieces has no piece: its label (its own rows) goes on the scrap template
    // with both barcodes empty, as every label without a piece does.
    std::string values[6];
    for (int i = 0; i < kTemplateLabelLines && i < static_cast<int>(lines.size()); ++i) values[i] = lines[i];
    // The piece name as it is: the library writes it for the template's barcode, or leaves
    // the barcode empty and tells (once per list) when the symbol cannot carry it.
    if (s.STAMPA_BARCODE1 != 0 && piece != nullptr) values[4].assign(piece->Nome, ::strnlen(piece->Nome, sizeof piece->Nome));
    if (s.STAMPA_BARCODE2 != 0 && piece != nullptr) values[5] = piece->ADDINFO;
    const char* keys[6] = {"<ROW_1>", "<ROW_2>", "<ROW_3>", "<ROW_4>", "<BAR_CODE_1>", "<BAR_CODE_2>"};
    const char* valueTexts[6];
    for (int i = 0; i < 6; ++i) valueTexts[i] = values[i].c_str();
    const std::string file = ProgramFilePath(piece != nullptr ? "CONF\\PIECE.PRN" : "CONF\\SCRAP.PRN");
    const int copies = LabelCopies(bc);
    if (copies <= 0) return;
    for (int copy = 0; copy < copies; ++copy) {
        LibraryBoxCounter boxes(&bc);
        // -1: the template did not open, and the library said so.
        const int result = ZebraStampaPrn(6, keys, valueTexts, file.c_str());
        if (boxes.unreachable != 0) step.lost.push_back(label.name);
        if (result != 0 || boxes.shown != 0) return;
    }
    // The library sends a template without telling whether a printer took it: the paper query
    // does tell (no printer, paper out), so a label that did not go out is never lost unseen.
    if (!CheckPaper()) step.lost.push_back(label.name);
}

} // namespace

void StartLabelRun() {
    ClearLabels();
    g_labelPending = 0;
    g_run.tooLongShown = false;
    g_run.portFailureShown = false;
    g_labelPrintOn = 0;
    g_labelNoShortOn = 0;
    MachineSettings* s = g_pSettings;
    if (s == nullptr) return;
    // The key as the settings hold it now; the layout is built only while print is on, so it is
    // rebuilt when print was switched on since the last load.
    const int print = GetLabelPrint();
    if (print != 0 && s->PRINT == 0) SetupLabelLayout(*s);
    g_labelPrintOn =
        print != 0 && (s->PORT_PC_PRINT != 0 || s->CONF_FILE_OTT == kPrinterLibrary || s->CONF_FILE_OTT == kPrinterTemplate)
            ? 1
            : 0;
    g_labelNoShortOn = g_labelPrintOn != 0 ? GetLabelPrintNoShort() : 0;
}

bool QueuePieceLabel(BarComputation& bc, int pieceIndex) {
    if (g_labelPrintOn == 0 || g_pSettings == nullptr || bc.currentBar == nullptr) return false;
    const MachineSettings& s = *g_pSettings;
    int32_t length = bc.currentBar->length;
    PieceLabelRequest request;
    if (pieceIndex >= 0) {
        const WorkingPiece* piece = FindPiece(bc, pieceIndex);
        if (piece != nullptr) length = piece->Lung;
        request.kind = kLabelOfPiece;
        request.pieceIndex = pieceIndex;
    } else {
        request.kind = kLabelOfBar;
        request.bar = bc.currentBar;
    }
    const int32_t shortLimit = std::max(s.DIM_CONT_PZ_CORTO, s.DIM_MAX_PZ_BOT);
    const bool built = (g_labelNoShortOn == 0 || length > shortLimit) && BuildLabel(bc, request, pieceIndex);

    // The timer runs for every finished piece, labelled or not: its tick also decides the
    // offcut label.
    if (g_labelPending != 0) {
        if (built && LabelPrinterKind() == kPrinterDirect) g_run.textOwesStart = true;
        return false;
    }
    g_labelPending = 1;
    if (LabelPrinterKind() == kPrinterDirect) WriteToPrintPort(LabelJobPrefix());
    return true;
}

int QueueScrapLabel(BarComputation& bc, int32_t offcutLength) {
    if (g_labelPrintOn == 0) {
        g_labelPending = 0;
        return 0;
    }
    PieceLabelRequest request;
    request.kind = kLabelOfScrap;
    request.bar = bc.currentBar;
    request.offcutLength = offcutLength;
    if (bc.currentBar != nullptr) BuildLabel(bc, request, -1);
    g_labelPending = 2;
    return 2;
}

int RunLabelPrint(BarComputation& bc, LabelRunState& state) {
    if (g_pSettings == nullptr) {
        g_labelPending = 0;
        return 0;
    }
    const MachineSettings& s = *g_pSettings;
    const char* text = LabelBuffer();
    // The label send is a write of the job road: tests cut the power there as at the files.
    if (text != nullptr && text[0] != '\0' && plat::DeviceFaultForTests("label send", plat::FileOp::Write) != 0)
        return 0;
    if (text != nullptr && text[0] != '\0') {
        const int printer = LabelPrinterKind();
        if (printer == kPrinterDirect) {
            // Oldest first, each behind the start bytes its piece could not send, so the
            // printer sees every label as it would alone.
            std::vector<LabelRun::DirectLabel> labels = std::move(g_run.directWaiting);
            labels.push_back({std::string(text, ::strnlen(text, kLabelTextSize)), g_run.textOwesStart, std::string()});
            for (const LabelRun::DirectLabel& label : labels) {
                if (label.owesStart) WriteToPrintPort(LabelJobPrefix());
                WriteToPrintPort(label.text);
            }
        } else {
            PrintStep step;
            for (const QueuedText& label : QueuedTexts(bc, text, state)) {
                if (printer == kPrinterLibrary)
                    PrintWithLibrary(bc, label.text, label.barcode, label.name, step);
                else
                    PrintWithTemplate(bc, label, step);
            }
            ClearLabels();
            ReportPrintStep(step);
        }
        ClearLabels();
    }
    g_run.portFailureShown = false;

    // The offcut label: the head offcut once at the start (with the automatic transfer), the
    // tail offcut of every bar cut (each repetition of the program is a bar), each when at
    // least DIM_SPZ_REC long. Each bar's tail offcut is decided once: the count of bars decided
    // keeps a label from being queued twice, or skipped when bars end faster than the timer.
    const int32_t least = s.DIM_SPZ_REC;
    if (s.AUTO_TRAS_LAV != 0 && state.firstLabelPending != 0) {
        const int32_t head = bc.HeadOffcutLength();
        if (head < least || g_labelPending == 2) state.firstLabelPending = 0;
        if (state.firstLabelPending != 0) {
            state.firstLabelPending = 0;
            return QueueScrapLabel(bc, head);
        }
    }
    if (state.barsCut > state.offcutsDecided) {
        const int32_t tail = bc.TailOffcutLength();
        if (tail >= least) {
            ++state.offcutsDecided;
            return QueueScrapLabel(bc, tail);
        }
        state.offcutsDecided = state.barsCut;
    }
    g_labelPending = 0;
    return 0;
}

int QueuedLabelCount() { return static_cast<int>(g_run.queue.size() + g_run.directWaiting.size()); }

std::string QueuedLabelNames() {
    std::string names;
    auto add = [&names](const std::string& name) { names += (names.empty() ? "" : ", ") + name; };
    for (const LabelRun::DirectLabel& label : g_run.directWaiting) add(label.name);
    for (const QueuedLabel& label : g_run.queue) add(label.name.empty() ? "?" : label.name);
    return names;
}

std::string OwedLabelNames(BarComputation& bc, const LabelRunState& state) {
    std::string names = QueuedLabelNames();
    if (g_labelPrintOn == 0 || g_pSettings == nullptr || bc.currentBar == nullptr) return names;
    // An offcut is owed its label from the moment the bar is cut, before the print step
    // decides it: the head offcut from the start, each tail offcut from its bar's last piece.
    const MachineSettings& s = *g_pSettings;
    int offcuts = 0;
    if (s.AUTO_TRAS_LAV != 0 && state.firstLabelPending != 0 && g_labelPending != 2 &&
        bc.HeadOffcutLength() >= s.DIM_SPZ_REC)
        ++offcuts;
    if (state.barsCut > state.offcutsDecided && bc.TailOffcutLength() >= s.DIM_SPZ_REC)
        offcuts += state.barsCut - state.offcutsDecided;
    for (int i = 0; i < offcuts; ++i) names += (names.empty() ? "" : ", ") + LabelName(bc, -1, bc.currentBar);
    return names;
}

bool LabelPaperOutBeforeBar() {
    bool out = false;
    if (!QueryPaper(&out)) ShowLabelError("ERR_LABEL_PRINTER");
    return out;
}

} // namespace app
