#include "ui/par_prof_logic.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "dxf/dxf.h"
#include "machine/barlist.h"
#include "machine/ini_routines.h"
#include "machine/number_entry.h"
#include "machine/params.h"
#include "machine/path_table.h"
#include "machine/profile_overrides.h"
#include "machine/settings.h"
#include "machine/settings_support.h"
#include "machine/units.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace ui {

namespace {

constexpr unsigned kAll = 0b111;
constexpr unsigned kV0 = 0b001;
constexpr unsigned kV1 = 0b010;
constexpr unsigned kV2 = 0b100;

std::string Int(int v) { return plat::StrFormatC("%d", v); }
int ToInt(const char* text) { return static_cast<int>(std::strtol(text != nullptr ? text : "0", nullptr, 10)); }

// Readers and writers of the rows, in the accessor's own types (the label count and the
// unloading dimension fill without the settings record, so they read as text keys).
#define CP_TEXT(Name)                                                                                            \
    [](const char* se, const char* co, const MachineSettings&) { return CpRead##Name(se, co); },                \
        [](const char* se, const char* co, const char* t) { CpWrite##Name(se, co, t); }
#define CP_FILLED(Name)                                                                                          \
    [](const char* se, const char* co, const MachineSettings& s) { return CpRead##Name(se, co, s); },           \
        [](const char* se, const char* co, const char* t) { CpWrite##Name(se, co, t); }
#define CP_INT(Name)                                                                                             \
    [](const char* se, const char* co, const MachineSettings&) { return Int(CpRead##Name(se, co)); },           \
        [](const char* se, const char* co, const char* t) { CpWrite##Name(se, co, ToInt(t)); }
#define CP_FILLED_INT(Name)                                                                                      \
    [](const char* se, const char* co, const MachineSettings& s) { return Int(CpRead##Name(se, co, s)); },      \
        [](const char* se, const char* co, const char* t) { CpWrite##Name(se, co, ToInt(t)); }

using K = SetValueKind;

const std::vector<ProfileSetField> kFields = {
    {"OFFY", 252, K::Length, kAll, "P_OFFSET_Y", nullptr, 0, "ERR_OFFY_PROF", false, CP_TEXT(OffY)},
    {"OFFZ", 253, K::Length, kAll, "P_OFFSET_Z", nullptr, 0, "ERR_OFFZ_PROF", false, CP_TEXT(OffZ)},
    {"TIPO_TAGLIO", 259, K::Index, kAll, "P_TIPO_TAGLIO", nullptr, 0, nullptr, false, CP_INT(TipoTaglio)},
    {"SALITA_LAMA", 260, K::Index, kV0 | kV2, "P_SALITA_LAMA", "P_SALITA_LAMA90", 2, nullptr, false,
     CP_INT(SalitaLama)},
    {"OFFY_PINZA", 263, K::Length, kAll, "P_OFF_Y_PINZA", nullptr, 0, "ERR_OFFY_PINZA", false, CP_TEXT(OffYPinza)},
    {"OFFZ_PINZA", 265, K::Length, kAll, "P_OFF_Z_PINZA", nullptr, 0, "ERR_OFFZ_PINZA", false, CP_TEXT(OffZPinza)},
    {"OFFC_PINZA", 439, K::Angle, kV1 | kV2, "P_OFF_C_PINZA", nullptr, 0, "ERR_OFFC_PINZA", false,
     CP_TEXT(OffCPinza)},
    {"VELH_CUT", 1201, K::Text, kV1 | kV2, "P_VELH_CUT", "P_VELH_CUT_ALU", 1, "ERR_VELH_CUT", false, CP_TEXT(VelhCut)},
    {"OPTIM_LEVEL", 1202, K::IndexPlus1, kV1 | kV2, "S_OPTIM_LEVEL", nullptr, 0, nullptr, false, CP_INT(OptimLevel)},
    {"NO_ING_M3", 1217, K::Check, kV1, "P_CHK_NO_ING_M3", nullptr, 0, nullptr, false, CP_INT(NoIngM3)},
    {"NO_ING_M4", 1218, K::Check, kV1, "P_CHK_NO_ING_M4", nullptr, 0, nullptr, false, CP_INT(NoIngM4)},
    {"MHV", 1219, K::Check, kV1 | kV2, "P_CHK_MHV", nullptr, 0, nullptr, false, CP_INT(Mhv)},
    {"RIB_SCAR", 1222, K::Check, kV1, "P_CHK_RIB_SCAR", nullptr, 0, nullptr, false, CP_INT(RibScar)},
    {"DELTA_DIMY", 1239, K::Length, kV1, "P_DELTA_DIM_Y", nullptr, 0, "ERR_DELTA_DIM_Y", true, CP_FILLED(DeltaDimY)},
    {"CUT_MODE_90", 1240, K::Index, kV1, "P_CUT_WAY90", nullptr, 0, nullptr, false, CP_FILLED_INT(CutMode90)},
    {"CUT_MODE_NO_90", 1241, K::Index, kV1, "P_CUT_WAY_NO90", nullptr, 0, nullptr, false, CP_FILLED_INT(CutModeNo90)},
    {"HEAD_SCRAP", 1249, K::Length, kV1, "P_SCARTO_TESTA", nullptr, 0, "ERR_SCARTO_TESTA", true, CP_FILLED(HeadScrap)},
    {"TAIL_SCRAP", 1252, K::Length, kV1, "P_SCARTO_CODA", nullptr, 0, "ERR_SCARTO_CODA", true, CP_FILLED(TailScrap)},
    {"POSIZ_SCRAP", 1254, K::Length, kV1, "P_SCARTO_POSIZ", nullptr, 0, "ERR_SCARTO_POSIZ", true,
     CP_FILLED(PosizScrap)},
    {"NR_LABEL", 1255, K::Text, kV1, "P_NR_LABEL", nullptr, 0, "ERR_NR_LABEL", true, CP_TEXT(NrLabel)},
    {"ING_SCARICO", 1257, K::Length, kV1, "P_ING_SCARICO", nullptr, 0, "ERR_ING_SCARICO", true,
     CP_TEXT(IngScarico)},
    {"CH_V_VICE", 1258, K::Length, kV2, "P_CH_V_VICE", nullptr, 0, "ERR_CH_V_VICE", false, CP_TEXT(ChVVice)},
    {"CH_H_VICE", 1259, K::Length, kV2, "P_CH_H_VICE", nullptr, 0, "ERR_CH_H_VICE", false, CP_TEXT(ChHVice)},
};

#undef CP_TEXT
#undef CP_FILLED
#undef CP_INT
#undef CP_FILLED_INT

bool Is(const ProfileSetField& f, const char* key) { return std::strcmp(f.key, key) == 0; }

std::string Mm(int32_t thousandths) { return plat::StrFormatC("%.2lf", FromThousandths(thousandths)); }

// The default value of a key in a new set ("" removes the key).
std::string DefaultValue(const ProfileSetField& f, const MachineSettings& s, int variant, bool forImport) {
    if (Is(f, "TIPO_TAGLIO")) return "2";
    if (Is(f, "OPTIM_LEVEL")) return "1";
    if (Is(f, "DELTA_DIMY")) return Mm(s.DELTA_DIM_Y);
    if (Is(f, "CUT_MODE_90") || Is(f, "CUT_MODE_NO_90")) return Int(s.MODO_TAGLIO);
    if (Is(f, "HEAD_SCRAP")) return Mm(s.SCARTO_TESTA);
    if (Is(f, "TAIL_SCRAP")) return Mm(s.SCARTO_CODA);
    if (Is(f, "POSIZ_SCRAP")) return Mm(s.SCARTO_POSIZ);
    if (Is(f, "NR_LABEL")) return "1";
    if (variant == 2 && !forImport && (Is(f, "CH_V_VICE") || Is(f, "CH_H_VICE"))) return std::string();
    return "0";
}

// The value of a set not in force (FLAG 0): what the engine uses for the key today, in the
// store's own form, and "as the machine" where the key has such a value (cut type, blade rise,
// feed), so that a first save of the set changes nothing but the value edited.
std::string ValueNotInForce(const ProfileSetField& f, const char* series, const char* code,
                            const MachineSettings& s) {
    if (Is(f, "OFFY") || Is(f, "OFFZ") || Is(f, "VELH_CUT") || Is(f, "SALITA_LAMA") || Is(f, "ING_SCARICO"))
        return "0";
    if (Is(f, "TIPO_TAGLIO")) return "2";
    if (Is(f, "OPTIM_LEVEL") || Is(f, "NR_LABEL")) return "1";
    if (Is(f, "OFFY_PINZA")) return Mm(s.OFF_Y_PINZA);
    if (Is(f, "OFFZ_PINZA")) return Mm(s.OFF_Z_PINZA);
    if (Is(f, "OFFC_PINZA")) return Mm(s.OFF_C_PINZA);
    if (Is(f, "CH_V_VICE")) return Mm(s.CH_V_VICE);
    if (Is(f, "CH_H_VICE")) return Mm(s.CH_H_VICE);
    if (Is(f, "HEAD_SCRAP")) return Mm(s.SCARTO_TESTA);
    if (Is(f, "TAIL_SCRAP")) return Mm(s.SCARTO_CODA);
    if (Is(f, "POSIZ_SCRAP")) return Mm(s.SCARTO_POSIZ);
    if (Is(f, "CUT_MODE_90") || Is(f, "CUT_MODE_NO_90")) return Int(s.MODO_TAGLIO);
    // The four switches and the Y size correction are read by the engine whatever FLAG holds.
    return f.read(series, code, s);
}

// The machine parameter whose limits each value keeps (group and key of its table row). The
// profile offsets and the unloading dimension stand for no parameter: they keep the limits of
// the ralla tool offsets across the bar and of the unloading distance.
struct LimitSource {
    const char* key;
    int group;
    const char* param;
};
constexpr LimitSource kLimitSources[] = {
    {"OFFY", 5, "OFFY_T1"},           {"OFFZ", 5, "OFFZ_T1"},            {"OFFY_PINZA", 2, "OFF_Y_PINZA"},
    {"OFFZ_PINZA", 2, "OFF_Z_PINZA"}, {"OFFC_PINZA", 2, "OFF_C_PINZA"},  {"VELH_CUT", 2, "VEL_H_CUT"},
    {"DELTA_DIMY", 1, "DELTA_DIM_Y"}, {"HEAD_SCRAP", 2, "SCARTO_TESTA"}, {"TAIL_SCRAP", 2, "SCARTO_CODA"},
    {"POSIZ_SCRAP", 2, "SCARTO_POSIZ"}, {"ING_SCARICO", 4, "DIST_SCARIC"}, {"CH_V_VICE", 2, "CH_V_VICE"},
    {"CH_H_VICE", 2, "CH_H_VICE"},
};

const ParamDef* LimitRow(const ProfileSetField& f) {
    for (const LimitSource& l : kLimitSources) {
        if (!Is(f, l.key)) continue;
        const ParamDef* table = ParamTable(l.group);
        for (int i = 0; table != nullptr && i < CountParamRows(table); ++i)
            if (std::strcmp(table[i].key, l.param) == 0) return &table[i];
    }
    return nullptr;
}

bool EndsWithNoCase(const std::string& name, const std::string& suffix) {
    return name.size() >= suffix.size() && plat::EqualsNoCase(name.substr(name.size() - suffix.size()), suffix);
}

std::string WithBackslash(std::string dir) {
    if (!dir.empty() && dir.back() != '\\' && dir.back() != '/') dir += '\\';
    return dir;
}

std::string CutAtFirstDot(const std::string& name) { return name.substr(0, name.find('.')); }

} // namespace

bool ProfileSetField::WrittenOn(int variant) const { return OnVariant(variant) || Is(*this, "SALITA_LAMA"); }

const char* ProfileSetField::Label(int variant) const {
    return labelKeyAlt != nullptr && variant == altVariant ? labelKeyAlt : labelKey;
}

const std::vector<ProfileSetField>& ProfileSetFields() { return kFields; }

const ProfileSetField* FindSetField(const char* key) {
    for (const ProfileSetField& f : kFields)
        if (Is(f, key)) return &f;
    return nullptr;
}

bool SetInForce(const char* series, const char* code) { return CpReadFlag(series, code) != 0; }

std::string SetFieldValue(const ProfileSetField& f, const char* series, const char* code, const MachineSettings& s) {
    return SetInForce(series, code) ? f.read(series, code, s) : ValueNotInForce(f, series, code, s);
}

std::vector<std::string> SetFieldChoices(const ProfileSetField& f, int variant) {
    if (Is(f, "TIPO_TAGLIO")) return {MsgString("S_VETRO_EXT"), MsgString("S_VETRO_INT"), "Default"};
    if (Is(f, "SALITA_LAMA")) {
        if (variant == 0) return {"Default", "1", "2", "3", "4"};
        return {"Default", "1", "2"};
    }
    if (Is(f, "OPTIM_LEVEL")) return {"1", "2", "3"};
    if (Is(f, "CUT_MODE_90") || Is(f, "CUT_MODE_NO_90"))
        return {MsgString("S_FISSO"), MsgString("S_RADIALE"), MsgString("S_CENTRO")};
    return {};
}

std::string SetValueDisplayText(const ProfileSetField& f, const char* series, const char* code,
                                const MachineSettings& s, const std::string& previous) {
    const std::string stored = SetFieldValue(f, series, code, s);
    const int v = ToInt(stored.c_str());
    if (Is(f, "TIPO_TAGLIO")) return v == 0 ? MsgString("S_VETRO_EXT") : v == 1 ? MsgString("S_VETRO_INT") : "Default";
    if (Is(f, "SALITA_LAMA")) return v >= 1 && v <= 4 ? Int(v) : "Default";
    if (Is(f, "CUT_MODE_90") || Is(f, "CUT_MODE_NO_90")) {
        static const char* const kModes[] = {"S_FISSO_PROF", "S_RADIALE_PROF", "S_CENTRO_PROF"};
        return v >= 0 && v <= 2 ? MsgString(kModes[v]) : previous;
    }
    if (f.kind == SetValueKind::Check) return v != 0 ? "1" : "0";
    return EntryText(f, stored);
}

const char* SetFieldUnitKey(const ProfileSetField& f, int unitSystem) {
    if (f.kind == SetValueKind::Length) return unitSystem == kUnitInches ? "P_IN" : "P_MM";
    if (f.kind == SetValueKind::Angle) return "P_GRADI";
    if (Is(f, "VELH_CUT")) return "P_MM_MIN";
    return nullptr;
}

std::string EntryText(const ProfileSetField& f, const std::string& stored) {
    if (f.kind == SetValueKind::Length) {
        char text[kDisplayTextSize] = {};
        std::strncpy(text, stored.c_str(), sizeof text - 1);
        return MetricTextForDisplay(text);
    }
    if (f.kind == SetValueKind::Angle) {
        double degrees = 0.0;
        return plat::ParseDouble(stored, degrees) ? plat::StrFormatC("%.2f", degrees) : stored;
    }
    return stored;
}

// Lengths, angles and feeds are kept in thousandths: a value beyond them cannot be stored.
constexpr double kThousandthsLimit = 2147483647.0 / 1000.0;

bool SetFieldLimits(const ProfileSetField& f, const MachineSettings& s, double* minimum, double* maximum) {
    if (f.errorKey == nullptr || Is(f, "NR_LABEL")) return false;
    const ParamDef* row = LimitRow(f);
    *minimum = -kThousandthsLimit;
    *maximum = kThousandthsLimit;
    if (row == nullptr) return true;
    if (s.CK_LIMITS != 0) {
        *minimum = row->minimum;
        *maximum = row->maximum;
    } else if (row->minimum >= 0) {
        *minimum = 0;
    }
    return true;
}

bool StoredValueInRange(const ProfileSetField& f, const std::string& stored, const MachineSettings& s) {
    double v = 0.0;
    if (!plat::ParseDouble(stored, v)) return true;   // the syntax check speaks for it
    if (std::fabs(v) >= kThousandthsLimit) return false;
    double minimum = 0.0, maximum = 0.0;
    if (!SetFieldLimits(f, s, &minimum, &maximum)) return true;
    return v >= minimum && v <= maximum;
}

std::string SetEntryRefusal(const ProfileSetField& f, const std::string& entry, const MachineSettings& s,
                            int variant, int unitSystem) {
    if (f.errorKey == nullptr) return std::string();
    if (entry.empty()) return f.machineFallback ? std::string() : std::string(MsgError(f.errorKey));
    if (Is(f, "NR_LABEL")) {
        // A label count takes any whole number from 0 up to what the count holds.
        const WholeEntry check = CheckWholeEntry(entry, 0, kLabelCountMax);
        if (check == WholeEntry::Ok) return std::string();
        return WholeEntryRefusal(check, MsgString(f.Label(variant)), 0, kLabelCountMax, nullptr);
    }
    if (ParseThousandths(entry.c_str(), nullptr) != 0) return MsgError(f.errorKey);
    if (StoredValueInRange(f, StoredText(f, entry), s)) return std::string();
    double minimum = 0.0, maximum = 0.0;
    SetFieldLimits(f, s, &minimum, &maximum);
    const bool inches = f.kind == SetValueKind::Length && unitSystem == kUnitInches;
    return std::string(MsgString(f.Label(variant))) + "\n" + MsgError("LIMIT_ERROR") + "\n" +
           RangeText(minimum, maximum, SetFieldUnitKey(f, unitSystem), inches);
}

std::string StoredText(const ProfileSetField& f, const std::string& entry) {
    if (f.kind != SetValueKind::Length) return entry;
    char text[kDisplayTextSize] = {};
    std::strncpy(text, entry.c_str(), sizeof text - 1);
    return DisplayTextToMetric(text);
}

std::string ProfileDrawingFolder(const MachineSettings& s, const std::string& series) {
    return IsSafeProfileName(series) ? WithBackslash(s.DIR_DXF) + series : std::string(s.DIR_DXF);
}

std::string ProfileDrawingPath(const MachineSettings& s, const std::string& series, const std::string& code) {
    if (!IsSafeProfileName(series) || !IsSafeProfileName(code)) return std::string();
    return ProfileDrawingFolder(s, series) + "\\" + code + ".dxf";
}

DrawingNames WholeDrawingNames(const std::string& path) {
    DrawingNames out;
    const std::size_t slash = path.rfind('\\');
    out.code = CutAtFirstDot(slash == std::string::npos ? path : path.substr(slash + 1));
    if (slash == std::string::npos) return out;
    const std::string folder = path.substr(0, slash);
    const std::size_t up = folder.rfind('\\');
    out.series = up == std::string::npos ? folder : folder.substr(up + 1);
    return out;
}

std::string DefproFilePath(const MachineSettings& s) { return WithBackslash(s.DIR_UTEN) + "DEFPRO.TXT"; }

bool IsSafeProfileName(const std::string& name) { return !name.empty() && IsSafePathComponent(name.c_str()); }

std::vector<std::string> ListFolderEntries(const std::string& folder, bool foldersOnly, const std::string& suffix) {
    std::vector<std::string> names;
    const std::string native = plat::FindExisting(folder);
    if (native.empty()) return names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(native, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.empty() || name[0] == '.') continue;
        std::error_code typeError;
        if (foldersOnly ? !entry.is_directory(typeError) : !entry.is_regular_file(typeError)) continue;
        if (!suffix.empty() && !EndsWithNoCase(name, suffix)) continue;
        names.push_back(name);
    }
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        const int c = plat::CompareNoCase(a, b);
        return c != 0 ? c < 0 : a < b;
    });
    return names;
}

std::vector<std::string> ListProfileSeries() {
    std::vector<std::string> series;
    const std::string conf = ProgramFilePath("CONF\\");
    for (const std::string& name : ListFolderEntries(conf, false, ".CP")) {
        const std::string cut = CutAtFirstDot(name);
        if (IsSafeProfileName(cut) && std::find(series.begin(), series.end(), cut) == series.end())
            series.push_back(cut);
    }
    return series;
}

ProfileCodeList ReadProfileCodes(const std::string& series) {
    ProfileCodeList list;
    if (!IsSafeProfileName(series)) return list;
    std::FILE* f = plat::OpenFile(CpFilePath(series.c_str()), "rb");
    if (f == nullptr) return list;
    char line[101];
    while (std::fgets(line, sizeof line, f) != nullptr) {
        const bool whole = std::strchr(line, '\n') != nullptr;
        if (line[0] == '[') {
            const char* close = std::strchr(line, ']');
            if (close != nullptr) {
                const std::string name(static_cast<const char*>(line) + 1, close);
                if (CpReadFlag(series.c_str(), name.c_str()) >= 0)
                    list.codes.push_back(name);
                else
                    ++list.hidden;
            }
        }
        // The rest of a longer line is skipped, as a reader of 100-character lines does.
        if (!whole) {
            int c = 0;
            while ((c = std::fgetc(f)) != EOF && c != '\n') {
            }
        }
    }
    std::fclose(f);
    return list;
}

void DeleteListedProfile(const std::string& series, const std::string& code, const ProfileCodeList& list) {
    if (!IsSafeProfileName(series)) return;
    // Hidden sections count as profiles left in the file, so their file stays.
    const int left = static_cast<int>(list.codes.size()) + list.hidden;
    CpDeleteProfile(series.c_str(), code.c_str(), left);
}

void WriteDefaultSet(const char* series, const char* code, const MachineSettings& s, int variant, bool forImport) {
    CpWriteFlag(series, code, 1);
    for (const ProfileSetField& f : kFields) {
        if (!f.WrittenOn(variant)) continue;
        const std::string value = DefaultValue(f, s, variant, forImport);
        f.write(series, code, value.empty() ? nullptr : value.c_str());
    }
}

void CopyProfileSet(const char* fromSeries, const char* fromCode, const char* toSeries, const char* toCode,
                    const MachineSettings& s, int variant) {
    for (const ProfileSetField& f : kFields) {
        if (!f.WrittenOn(variant)) continue;
        const std::string value = SetFieldValue(f, fromSeries, fromCode, s);
        f.write(toSeries, toCode, value.c_str());
    }
}

std::string SubstituteTexts(const std::string& text, const std::vector<std::string>& args) {
    std::string out;
    std::size_t next = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 1 < text.size() && text[i + 1] == 's') {
            if (next < args.size()) out += args[next];
            ++next;
            ++i;
        } else if (text[i] == '%' && i + 1 < text.size() && text[i + 1] == '%') {
            out += '%';
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

bool ReadDefproProfile(const std::string& file, const std::string& series, const std::string& code,
                       DefproProfile& out) {
    const std::string section = series + "_" + code;
    const char* sec = section.c_str();
    const char* path = file.c_str();
    if (IniSectionExists(sec, path) <= 0) return false;
    out.alpha = ReadIniDouble(sec, "Alpha", 0.0, path);
    out.gx = ReadIniDouble(sec, "Gx", 0.0, path);
    out.gy = ReadIniDouble(sec, "Gy", 0.0, path);
    out.typeCut = ReadIniInt(sec, "TypeCut", 0, path);
    out.heightPiece = ReadIniInt(sec, "HeightPiece", 0, path);
    return true;
}

bool DefproOffsets(const std::string& drawingPath, const DefproProfile& p, double& offY, double& offZ) {
    MEntitiesList list;
    if (ReadDXF(drawingPath, list) <= 0) return false;
    list.DeleteText();
    const MLimits before = list.GetLimits();
    if (before.empty) return false;
    const double cx = (before.minX + before.maxX) / 2.0;
    const double cy = (before.minY + before.maxY) / 2.0;
    list.Rotate(p.alpha);
    const MLimits after = list.GetLimits();
    // The drawing turns about its centre: the turned corner goes back by the centre's shift.
    const double left = after.minX + (cx - (after.minX + after.maxX) / 2.0);
    const double bottom = after.minY + (cy - (after.minY + after.maxY) / 2.0);
    offY = p.gx + left;
    offZ = p.gy + bottom;
    return true;
}

void WriteImportedSet(const char* series, const char* code, const DefproProfile& p, double offY, double offZ,
                      const MachineSettings& s, int variant) {
    WriteDefaultSet(series, code, s, variant, true);
    const auto mm = [](double v) {
        char text[kDisplayTextSize];
        plat::FormatC(text, sizeof text, "%.2lf", v);
        DropNegativeZero(text);
        return std::string(text);
    };
    CpWriteOffY(series, code, mm(offY).c_str());
    CpWriteOffZ(series, code, mm(offZ).c_str());
    CpWriteTipoTaglio(series, code, p.typeCut == 1 ? 1 : p.typeCut == 2 ? 0 : 2);
    CpWriteSalitaLama(series, code, p.heightPiece >= 1 && p.heightPiece <= 4 ? p.heightPiece : 0);
}

DefproImport ImportDefproSeries(const std::string& series, const std::string& dxfDir, const std::string& defproFile,
                                const MachineSettings& s, int variant) {
    DefproImport result;
    if (!IsSafeProfileName(series)) return result;
    const std::string folder = WithBackslash(dxfDir) + series + "\\";
    for (const std::string& file : ListFolderEntries(folder, false, ".dxf")) {
        const std::string code = CutAtFirstDot(file);
        if (!IsSafeProfileName(code)) continue;
        if (CpReadFlag(series.c_str(), code.c_str()) != 0) continue;
        DefproProfile p;
        if (!ReadDefproProfile(defproFile, series, code, p)) continue;
        double offY = 0, offZ = 0;
        if (!DefproOffsets(folder + code + ".DXF", p, offY, offZ)) {
            result.skipped.push_back(code);
            continue;
        }
        WriteImportedSet(series.c_str(), code.c_str(), p, offY, offZ, s, variant);
        result.written.push_back(code);
    }
    return result;
}

} // namespace ui
