// The diagnostic reports of a computed bar: "OUTPUT.LAV" (from the template "MSG\DEBTG.MSG")
// and "OUTPUT.DEB" (configuration, tool table, pieces and machinings). Lines end in CR LF;
// numbers are printed in the C locale.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include "engine/bar_computation.h"
#include "machine/error_text.h"
#include "machine/file_routines.h"
#include "machine/globals.h"
#include "machine/path_table.h"
#include "machine/ralla_tools.h"
#include "machine/settings_support.h"
#include "machine/units.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace {

constexpr char kDegree = static_cast<char>(176);

// A report file: the text is built in memory (every '\n' becomes CR LF) and written at once
// over the old report when the report is closed.
//
// The old report is overwritten in place and then cut to the new length rather than opened
// with O_TRUNC: truncating a file to zero makes ext4 force its blocks to disk when it is
// closed, and freeing those blocks on the next truncation waits for the device (a
// synchronous discard on file systems mounted with "discard"). That wait cost several
// milliseconds per bar. The file's content is the same either way.
class ReportFile {
public:
    explicit ReportFile(const std::string& path) : path_(path) {
        const std::string native = plat::PathForWrite(path);
        if (!native.empty()) fd_ = ::open(native.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
        if (fd_ < 0) err_ = native.empty() ? ENOENT : errno;
    }
    ~ReportFile() { Close(); }
    ReportFile(const ReportFile&) = delete;
    ReportFile& operator=(const ReportFile&) = delete;
    bool ok() const { return fd_ >= 0; }
    const std::string& path() const { return path_; }
    // errno of the failed open or write, 0 when the system gave none.
    int error() const { return err_; }
    void Put(const char* text) {
        for (const char* p = text; *p != '\0'; ++p) {
            if (*p == '\n') text_ += '\r';
            text_ += *p;
        }
    }
    void Put(const std::string& text) { Put(text.c_str()); }
    // Copies a text file's lines (read 200 characters at a time); stops before the first line
    // that begins with `marker` (compared without case) when one is given. false when the
    // marker was never found.
    bool Copy(std::FILE* in, const char* marker) {
        char buf[201];
        bool lineStart = true;
        while (std::fgets(buf, sizeof buf, in) != nullptr) {
            if (lineStart && marker != nullptr && strncasecmp(buf, marker, std::strlen(marker)) == 0) return true;
            std::size_t n = std::strlen(buf);
            const bool ended = n > 0 && buf[n - 1] == '\n';
            if (ended) {
                buf[--n] = '\0';
                if (n > 0 && buf[n - 1] == '\r') buf[--n] = '\0';
            }
            text_.append(buf, n);
            if (ended) text_ += "\r\n";
            lineStart = ended;
        }
        return marker == nullptr;
    }
    // Writes the text built so far over the old report and cuts the file to its length.
    // false when the file could not be written (a failed write leaves the report empty
    // rather than new text followed by the tail of the old one).
    bool Close() {
        if (fd_ < 0) return false;
        bool good = true;
        std::size_t done = 0;
        while (good && done < text_.size()) {
            const ssize_t n = ::pwrite(fd_, text_.data() + done, text_.size() - done, static_cast<off_t>(done));
            if (n > 0)
                done += static_cast<std::size_t>(n);
            else if (n < 0 && errno == EINTR)
                continue;
            else {
                good = false;
                err_ = n < 0 ? errno : ENOSPC;
            }
        }
        struct stat st{};
        const off_t length = good ? static_cast<off_t>(text_.size()) : 0;
        if (::fstat(fd_, &st) != 0 || st.st_size != length) {
            if (::ftruncate(fd_, length) != 0 && good) {
                good = false;
                err_ = errno;
            }
        }
        if (::close(fd_) != 0 && good) {
            good = false;
            err_ = errno;
        }
        fd_ = -1;
        return good;
    }

private:
    int fd_ = -1;
    int err_ = 0;
    std::string path_;
    std::string text_;
};

// Writes a finished report: 0, or 1 with the error text when it could not be written.
int CloseReport(ReportFile& out) {
    if (out.Close()) return 0;
    SetFileFaultText(true, out.path().c_str(), out.error());
    return 1;
}

std::string ProgramDir() { return g_pPathTable != nullptr ? (*g_pPathTable)[PathTable::kProgramDir] : ""; }

std::string Units(const char* fmt, double value) {
    char buf[64];
    FormatUnits(buf, sizeof buf, fmt, value);
    return buf;
}

double Mm(int32_t v) { return FromThousandths(v); }
double Deg(int32_t v) { return v / 1000.0; }

// The sketch of one end: its angle in degrees and the mark of its shape.
const char* EndMark(int32_t angle) { return angle == 90000 ? "|" : (angle < 90000 ? "/" : "\\"); }

} // namespace

int BarComputation::WriteLavDump() {
    const std::string dir = ProgramDir();
    ReportFile out(dir + "OUTPUT.LAV");
    if (!out.ok()) {
        SetFileFaultText(true, out.path().c_str(), out.error());
        return 1;
    }
    std::FILE* tpl = plat::OpenFile(dir + "MSG\\DEBTG.MSG", "rb");
    if (tpl == nullptr) {
        SetErrorText("%s (DEBTG.MSG)", MsgError("ERR_FILE"));
        return 1;
    }
    out.Copy(tpl, "#LAV");
    const BarRecord& bar = *currentBar;
    const BarValues bv = BarEngineValues(bar);
    char line[1024];
    FormatUnits(line, sizeof line, "%20s%10s%10s%{10X}%{10X}%{10X}%10d%20s\n", bar.label, bar.series, bar.code,
                Mm(bar.length), Mm(bv.profileTop), Mm(bv.thirdLength), static_cast<int>(bar.pieceCount),
                bv.furtherText);
    out.Put(line);
    out.Put("\n\n\n");
    out.Copy(tpl, "#GRP");
    std::fclose(tpl);

    auto writeRecord = [&](const WorkingMachining& m) {
        std::string s;
        FormatUnits(line, sizeof line, "%3d%15s%6d%3d%10.2lf%{10X}%{10X}%{10X}%{10X}", static_cast<int>(m.Id), m.cutTool,
                    static_cast<int>(m.Insieme), static_cast<int>(m.Priorita), Deg(m.Angolo), Mm(m.X), Mm(m.Y), Mm(m.Z),
                    Mm(m.totalDepth));
        s += line;
        const char* toolName = (MachineVariant == 1 && IsBladeKind(m.TipoLavor)) ? "BLADE   "
                                                                                   : g_pRallaTools->Tool(m.Uten).name;
        plat::FormatC(line, sizeof line, m.speedGiven != 0 ? "%10s*%12s%4d" : "%10s%13s%4d", toolName, m.NomeLdt,
                      static_cast<int>(m.IdLdt));
        s += line;
        plat::FormatC(line, sizeof line, "%10.2lf", Deg(m.AngFig));
        s += line;
        for (int k = 0; k < m.paramCount && k < kMaxFigureParams; ++k) s += Units("%{10X}", Mm(m.params[k]));
        s += "\n";
        out.Put(s);
    };

    if (pieces.empty()) {
        for (int i = 0; i < machiningCount; ++i) writeRecord(*records[static_cast<std::size_t>(i)]);
        return CloseReport(out);
    }
    for (WorkingPiece* pp : pieces) {
        const WorkingPiece& p = *pp;
        std::string s;
        // Left end.
        if (p.leftSlice == 2)
            plat::FormatC(line, sizeof line, " %6.2lf%c %6.2lf%c (h:%3.2lf) <  ", Deg(p.ASx), kDegree,
                          Deg(p.leftSecondAngle), kDegree, Mm(p.leftSliceHeight));
        else if (p.leftSlice == 1)
            plat::FormatC(line, sizeof line, " %9.2lf%c (h:%3.2lf) !  ", Deg(p.leftSliceAngle), kDegree,
                          Mm(p.leftSliceHeight));
        else
            plat::FormatC(line, sizeof line, "%9.2lf%c%12s  ", Deg(p.ASx), kDegree, EndMark(p.ASx));
        s += line;
        s += Units("%{7X}", Mm(p.Lung));
        // Right end.
        if (p.rightSlice == 2)
            plat::FormatC(line, sizeof line, "  > %6.2lf%c %6.2lf%c  (h:%3.2lf)", Deg(p.ADx), kDegree,
                          Deg(p.rightSecondAngle), kDegree, Mm(p.rightSliceHeight));
        else if (p.rightSlice == 1)
            plat::FormatC(line, sizeof line, "  ! %6.2lf%c (h:%3.2lf)", Deg(p.rightSliceAngle), kDegree,
                          Mm(p.rightSliceHeight));
        else if (p.ADx == 90000)
            plat::FormatC(line, sizeof line, "  | %6.2lf%c", Deg(p.ADx), kDegree);
        else if (p.ADx < 90000)
            plat::FormatC(line, sizeof line, "  / %6.2lf%c", Deg(p.ADx), kDegree);
        else
            plat::FormatC(line, sizeof line, "  \\ %6.2lf%c", Deg(p.ADx), kDegree);
        s += line;
        plat::FormatC(line, sizeof line, "  --  %-20s\n", p.Nome);
        s += line;
        out.Put(s);
        for (int i = p.FstLav; i < p.FstLav + p.Lav && i < static_cast<int>(records.size()); ++i)
            writeRecord(*records[static_cast<std::size_t>(i)]);
    }
    return CloseReport(out);
}

int BarComputation::WriteDebDump() {
    const std::string dir = ProgramDir();
    ReportFile out(dir + "OUTPUT.DEB");
    if (!out.ok()) {
        SetFileFaultText(true, out.path().c_str(), out.error());
        return 1;
    }
    struct Source {
        const char* heading;
        int slot;
    };
    const Source sources[] = {{"CONFIG.PAR\n\n", PathTable::kConfigPar},
                              {"\n\n\nPARAM.PAR\n\n", PathTable::kParamPar},
                              {"\n\n\nTABELLA UTENSILI\n\n", PathTable::kToolsTxt}};
    for (const Source& src : sources) {
        out.Put(src.heading);
        std::FILE* in = plat::OpenFile((*g_pPathTable)[src.slot], "rb");
        if (in == nullptr) {
            SetFileFaultText(false, (*g_pPathTable)[src.slot], errno);
            return 1;
        }
        out.Copy(in, nullptr);
        std::fclose(in);
    }
    char line[512];
    out.Put("\n\n\nCARATTERISTICHE PEZZI\n\n");
    for (const WorkingPiece* p : pieces) {
        plat::FormatC(line, sizeof line, "Lung: %d\nASx ADx: %d %d\nSSx SDx: %d %d\nNome: %s\nLav: %d\nFstLav: %d\n\n",
                      static_cast<int>(p->Lung), static_cast<int>(p->ASx), static_cast<int>(p->ADx),
                      static_cast<int>(p->SSx), static_cast<int>(p->SDx), p->Nome, static_cast<int>(p->Lav),
                      static_cast<int>(p->FstLav));
        out.Put(line);
    }
    out.Put("\n\n\nCARATTERISTICHE LAVORAZIONI\n\n");
    for (int i = 0; i < machiningCount && i < static_cast<int>(records.size()); ++i) {
        const WorkingMachining& m = *records[static_cast<std::size_t>(i)];
        std::string s;
        s += plat::StrFormatC("Id: %d\n", static_cast<int>(m.Id));
        s += plat::StrFormatC("Figura: %d AngFig: %d Parametri: ", static_cast<int>(m.Figura), static_cast<int>(m.AngFig));
        for (int k = 0; k < m.paramCount && k < kMaxFigureParams; ++k)
            s += plat::StrFormatC("%d ", static_cast<int>(m.params[k]));
        s += "\n";
        s += plat::StrFormatC("Angolo: %d Tipo: %d\n", static_cast<int>(m.Angolo), static_cast<int>(m.Tipo));
        s += plat::StrFormatC("X Y Z: %d %d %d\n", static_cast<int>(m.X), static_cast<int>(m.Y), static_cast<int>(m.Z));
        s += plat::StrFormatC("RY RZ: %d %d\n", static_cast<int>(m.RY), static_cast<int>(m.RZ));
        s += "Z Sfond: ";
        for (int k = 0; k < m.depthSteps; ++k) s += plat::StrFormatC("%d ", static_cast<int>(m.stepDepth));
        s += "\n";
        s += plat::StrFormatC("Z disimp: %d  Svuotam: %d\n", static_cast<int>(m.Zdisimp), static_cast<int>(m.Svuotam));
        s += plat::StrFormatC("Uten: %d Diam: %d\n", static_cast<int>(m.Uten), static_cast<int>(m.Diam));
        s += plat::StrFormatC("Xm XM Ym YM: %d %d %d %d\n", static_cast<int>(m.Xm), static_cast<int>(m.XM),
                              static_cast<int>(m.Ym), static_cast<int>(m.YM));
        s += plat::StrFormatC("XFm XFM YFm YFM: %d %d %d %d\n", static_cast<int>(m.XFm), static_cast<int>(m.XFM),
                              static_cast<int>(m.YFm), static_cast<int>(m.YFM));
        s += plat::StrFormatC("Insieme: %d Priorita': %d\n", static_cast<int>(m.Insieme), static_cast<int>(m.Priorita));
        s += plat::StrFormatC("NomeLdt: %s IdLdt: %d\n\n", m.NomeLdt, static_cast<int>(m.IdLdt));
        out.Put(s);
    }
    return CloseReport(out);
}
