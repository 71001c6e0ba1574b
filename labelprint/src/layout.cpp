// Label layout model and its file "TAGRIX.INI".
#include "labelprint/layout.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <mutex>
#include <sys/stat.h>

#include "platform/paths.h"
#include "platform/profile.h"
#include "platform/text.h"

namespace labelprint {

int AtoiC(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long v = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        v = v * 10 + (text[i] - '0');
        if (v > static_cast<long long>(INT_MAX) + 1) v = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative) v = -v;
    if (v > INT_MAX) v = INT_MAX;
    return static_cast<int>(v);
}

double AtofC(const std::string& text) { return plat::StrtodC(text.c_str(), nullptr); }

} // namespace labelprint

namespace {

using labelprint::AtofC;
using labelprint::AtoiC;

// Values are read into 255-character buffers.
std::string Read(const std::string& section, const char* key, const char* def, const std::string& ini) {
    std::string v = plat::ReadProfileString(section.c_str(), key, def, ini.c_str());
    if (v.size() > 254) v.resize(254);
    return v;
}

void Write(const std::string& section, const std::string& key, const std::string& value, const std::string& ini) {
    plat::WriteProfileString(section.c_str(), key.c_str(), value.c_str(), ini.c_str()); // result ignored
}

std::string Dec(int v) { return plat::StrFormatC("%d", v); }

// Sizes are whole size classes for the composer; a hand-edited value far out of range is
// clamped so the truncation stays defined.
int SizeClass(float size) { return plat::TruncToInt32(static_cast<double>(size)); }

} // namespace

// ---- MTesto ----

void MTesto::Load(const std::string& base, const std::string& ini) {
    size = static_cast<float>(AtofC(Read(base + "-Riga-Intest-Testo", "Size", "4", ini)));
}

void MTesto::Save(const std::string& base, const std::string& ini) const {
    Write(base + "-Riga-Intest-Testo", "Size", plat::StrFormatC("%.1f", static_cast<double>(size)), ini);
}

// ---- MRiga ----

MRiga::MRiga(int id, bool flag, const std::string& t) : title(t), fieldId(id), printFlag(flag) { style.text = t; }

void MRiga::Load(const std::string& base, const std::string& ini) {
    style.Load(base, ini);
    style.text = Read(base + "-Riga", "Intestazione", "", ini);
    fieldId = AtoiC(Read(base + "-Riga", "ID", "-1", ini));
    if (style.text.empty()) style.text = title;
}

void MRiga::Save(const std::string& base, const std::string& ini) const {
    style.Save(base, ini);
    Write(base + "-Riga", "Intestazione", style.text, ini);
    Write(base + "-Riga", "ID", Dec(fieldId), ini);
}

// ---- MListaRighe ----

MListaRighe::MListaRighe() {
    for (int i = 0; i < kSlots; ++i) {
        ids[i] = -1;
        sizes[i] = -1;
    }
}

int MListaRighe::LineCountFor(const std::string& listName) {
    return listName == "INTEST" ? kHeaderLines : kLabelLines;
}

void MListaRighe::Load(const std::string& name, const std::string& ini) {
    const int count = LineCountFor(name);
    for (int i = 0; i < count; ++i) {
        const std::string idx = Dec(i);
        ids[i] = AtoiC(Read(name, ("LinID" + idx).c_str(), idx.c_str(), ini));
        // The title (nothing in the system writes it) and the print flag that the save writes.
        const std::string title = Read(name, ("LinTitle" + idx).c_str(), "", ini);
        const bool print = AtoiC(Read(name, ("LinStampaInEtichetta" + idx).c_str(), "1", ini)) != 0;
        auto line = std::make_unique<MRiga>(-1, print, title);
        line->style.text.clear();
        line->Load(name + "-LinId-" + idx, ini);
        sizes[i] = SizeClass(line->style.size);
        lines.push_back(std::move(line));
    }
}

void MListaRighe::Save(const std::string& name, const std::string& ini, const int* newSizes) {
    Write(name, "LinCount", Dec(Count()), ini);
    for (int i = 0; i < Count() && i < kSlots; ++i) {
        const std::string idx = Dec(i);
        MRiga* line = lines[static_cast<size_t>(i)].get();
        if (line) {
            Write(name, "LinID" + idx, Dec(line->fieldId), ini);
            ids[i] = line->fieldId;
            Write(name, "LinStampaInEtichetta" + idx, line->printFlag ? "1" : "0", ini);
            if (name == "INTEST" && newSizes) line->style.size = static_cast<float>(newSizes[i]);
            sizes[i] = SizeClass(line->style.size);
            line->Save(name + "-LinId-" + idx, ini);
        } else {
            Write(name, "LinID" + idx, "-1", ini);
            Write(name, "LinStampaInEtichetta" + idx, "1", ini);
        }
    }
    lines.clear();
}

// ---- MConfigura ----

MConfigura::~MConfigura() {
    fieldNames.clear();
    labelLines.Clear();
    headerLines.Clear();
}

void MConfigura::Load(const std::string& ini) {
    const std::string s = "SYSTEM";
    labelHeight = AtofC(Read(s, "HETI", "40", ini));
    labelWidth = AtofC(Read(s, "LETI", "70", ini));
    labelCount = AtoiC(Read(s, "NRETI", "1", ini));
    marginLeft = AtofC(Read(s, "MARGSXET", "0", ini));
    marginTop = AtofC(Read(s, "MARGUPET", "0", ini));
    alignment = AtoiC(Read(s, "ALIGNMENT", "1", ini));
    orientation = AtoiC(Read(s, "ORIENTATION", "0", ini));
    useBarcode = AtoiC(Read(s, "USABC", "1", ini)) != 0;
    workTag = AtoiC(Read(s, "TAGLAV", "1", ini)) != 0;
    barcodeByJob = AtoiC(Read(s, "BCLAV", "0", ini)) != 0;
    barcodeKind = AtoiC(Read(s, "BCTYPE", "0", ini));
    barcodeSize = AtoiC(Read(s, "BCHEIGHT", "1", ini));
    layout = AtoiC(Read(s, "M_TEMPLPOS", "2", ini));
    infoTemplate = AtoiC(Read(s, "TEMPLINFO", "2", ini));
    pictureKind = AtoiC(Read(s, "TEMPIMG", "0", ini));
    gridRows = AtoiC(Read(s, "NRRIGHESTR", "7", ini));
    gridColumns = AtoiC(Read(s, "NRCOLSTR", "2", ini));
    wizardCounter = static_cast<int16_t>(AtoiC(Read(s, "WIZCUR", "1", ini)));
    headerColumn = AtoiC(Read(s, "INTEST", "0", ini)) != 0;
    labelLines.Clear();
    headerLines.Clear();
    labelLines.Load("LABEL", ini);
    headerLines.Load("INTEST", ini);
}

void MConfigura::Save(const std::string& ini) {
    const std::string s = "SYSTEM";
    auto f = [](double v) { return plat::StrFormatC("%f", v); };
    auto b = [](bool v) { return std::string(v ? "1" : "0"); };
    Write(s, "HETI", f(labelHeight), ini);
    Write(s, "LETI", f(labelWidth), ini);
    Write(s, "NRETI", Dec(labelCount), ini);
    Write(s, "MARGSXET", f(marginLeft), ini);
    Write(s, "MARGUPET", f(marginTop), ini);
    Write(s, "ALIGNMENT", Dec(alignment), ini);
    Write(s, "ORIENTATION", Dec(orientation), ini);
    Write(s, "USABC", b(useBarcode), ini);
    Write(s, "TAGLAV", b(workTag), ini);
    Write(s, "BCLAV", b(barcodeByJob), ini);
    Write(s, "BCTYPE", Dec(barcodeKind), ini);
    Write(s, "BCHEIGHT", Dec(barcodeSize), ini);
    Write(s, "M_TEMPLPOS", Dec(layout), ini);
    Write(s, "TEMPLINFO", Dec(infoTemplate), ini);
    Write(s, "TEMPIMG", Dec(pictureKind), ini);
    Write(s, "NRRIGHESTR", Dec(gridRows), ini);
    Write(s, "NRCOLSTR", Dec(gridColumns), ini);
    Write(s, "WIZCUR", Dec(wizardCounter), ini);
    Write(s, "INTEST", b(headerColumn), ini);
    labelLines.Save("LABEL", ini);
    headerLines.Save("INTEST", ini, labelLines.sizes);
}

void MConfigura::AddFieldNames(int count, const char* const* names) {
    if (!names) return;
    for (int i = 0; i < count; ++i) fieldNames.emplace_back(names[i] ? names[i] : "");
}

void MConfigura::CopyIds(int* out) const {
    if (!out) return;
    for (int i = 0; i < MListaRighe::kSlots; ++i) out[i] = labelLines.ids[i];
}

void MConfigura::CopySizes(int* out) const {
    if (!out) return;
    for (int i = 0; i < MListaRighe::kSlots; ++i) out[i] = labelLines.sizes[i];
}

void MConfigura::CopyFrom(const MConfigura& o) {
    labelHeight = o.labelHeight;
    labelWidth = o.labelWidth;
    labelCount = o.labelCount;
    gridRows = o.gridRows;
    gridColumns = o.gridColumns;
    wizardCounter = o.wizardCounter;
    headerColumn = o.headerColumn;
    marginLeft = o.marginLeft;
    marginTop = o.marginTop;
    alignment = o.alignment;
    orientation = o.orientation;
    workTag = o.workTag;
    useBarcode = o.useBarcode;
    barcodeByJob = o.barcodeByJob;
    barcodeKind = o.barcodeKind;
    barcodeSize = o.barcodeSize;
    layout = o.layout;
    infoTemplate = o.infoTemplate;
    pictureKind = o.pictureKind;
    fieldNames = o.fieldNames;
    for (auto [to, from] : {std::pair{&labelLines, &o.labelLines}, std::pair{&headerLines, &o.headerLines}}) {
        to->lines.clear();
        for (const auto& line : from->lines) to->lines.push_back(line ? std::make_unique<MRiga>(*line) : nullptr);
        to->fieldNames = from->fieldNames;
        to->fieldNameCount = from->fieldNameCount;
        to->reserved1 = from->reserved1;
        to->reserved2 = from->reserved2;
        for (int i = 0; i < MListaRighe::kSlots; ++i) {
            to->ids[i] = from->ids[i];
            to->sizes[i] = from->sizes[i];
        }
    }
}

namespace labelprint {

namespace {

struct FileState {
    bool exists = false;
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    long long mtimeSec = 0;
    long mtimeNsec = 0;
    bool operator==(const FileState&) const = default;
};

FileState StateOf(const std::string& path) {
    FileState st;
    const std::string existing = plat::FindExisting(path);
    struct stat s {};
    if (existing.empty() || ::stat(existing.c_str(), &s) != 0) return st;
    st.exists = true;
    st.dev = s.st_dev;
    st.ino = s.st_ino;
    st.size = s.st_size;
    st.mtimeSec = static_cast<long long>(s.st_mtim.tv_sec);
    st.mtimeNsec = s.st_mtim.tv_nsec;
    return st;
}

std::mutex g_cacheMutex;
std::string g_cachePath;
FileState g_cacheState;
std::unique_ptr<MConfigura> g_cache;

} // namespace

void LoadLayout(MConfigura& cfg, const std::string& iniPath) {
    const FileState state = StateOf(iniPath);
    std::lock_guard<std::mutex> lock(g_cacheMutex);
    if (g_cache && g_cachePath == iniPath && g_cacheState == state) {
        cfg.CopyFrom(*g_cache);
        return;
    }
    cfg.Load(iniPath);
    // A file changed while it was read is not kept: the next label reads it again.
    if (StateOf(iniPath) == state) {
        if (!g_cache) g_cache = std::make_unique<MConfigura>();
        g_cache->CopyFrom(cfg);
        g_cachePath = iniPath;
        g_cacheState = state;
    } else {
        g_cache.reset();
    }
}

} // namespace labelprint
