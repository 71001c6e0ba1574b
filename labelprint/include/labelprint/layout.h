#pragma once
// The label layout: label size and place on the 104 mm print width, one of eight layouts,
// barcode kind and size, and the field and text size of every text line. Kept in
// "TAGRIX.INI" (section SYSTEM and the line lists LABEL and INTEST).
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Text style of one line.
class MTesto {
public:
    MTesto() = default;
    virtual ~MTesto() = default;
    MTesto(const MTesto&) = default;
    MTesto& operator=(const MTesto&) = default;

    void Load(const std::string& base, const std::string& iniPath);
    void Save(const std::string& base, const std::string& iniPath) const;

    float size = 10.0f;
    std::string text; // header text
};

// One line of a line list.
class MRiga {
public:
    MRiga(int fieldId, bool printFlag, const std::string& title);
    MRiga(const MRiga&) = default;
    MRiga& operator=(const MRiga&) = default;
    virtual ~MRiga() = default;

    void Load(const std::string& base, const std::string& iniPath);
    void Save(const std::string& base, const std::string& iniPath) const;

    int FieldId() const { return fieldId; }
    void SetFieldId(int id) { fieldId = id; }
    bool PrintFlag() const { return printFlag; }
    void SetPrintFlag(bool on) { printFlag = on; }

    std::string title;
    MTesto style;
    int fieldId = -1;
    bool printFlag = false;
};

// A list of lines (LABEL: 18 lines, INTEST: 9 lines) with the field ids and text sizes of
// its 20 slots. Slots a list has no line for stay -1.
class MListaRighe {
public:
    static constexpr int kSlots = 20;
    static constexpr int kLabelLines = 18;
    static constexpr int kHeaderLines = 9;

    MListaRighe();
    virtual ~MListaRighe() = default;

    // Number of lines a list of this name holds on load, whatever LinCount says.
    static int LineCountFor(const std::string& listName);

    void Load(const std::string& listName, const std::string& iniPath);
    // Writes every line and empties the list. sizes (20 entries) replaces the lines' sizes
    // before they are written; the list's own size slots take the written sizes.
    void Save(const std::string& listName, const std::string& iniPath, const int* sizes = nullptr);

    int Count() const { return static_cast<int>(lines.size()); }
    MRiga* Line(int i) { return i >= 0 && i < Count() ? lines[static_cast<size_t>(i)].get() : nullptr; }
    const MRiga* Line(int i) const {
        return i >= 0 && i < Count() ? lines[static_cast<size_t>(i)].get() : nullptr;
    }
    void Clear() { lines.clear(); }

    std::vector<std::unique_ptr<MRiga>> lines; // owned; a null element is an empty slot
    std::vector<std::string> fieldNames;
    int fieldNameCount = 0;
    int reserved1 = 0;
    int reserved2 = 0;
    int ids[kSlots];
    int sizes[kSlots];
};

// The whole layout.
class MConfigura {
public:
    MConfigura() = default;
    virtual ~MConfigura();

    void Load(const std::string& iniPath);
    void Save(const std::string& iniPath);
    // Copies every value and line of other (field names included).
    void CopyFrom(const MConfigura& other);

    void AddFieldNames(int count, const char* const* names);
    void CopyIds(int* out) const;   // the label list's 20 field ids
    void CopySizes(int* out) const; // the label list's 20 text sizes

    double labelHeight = 40.0; // HETI, mm
    double labelWidth = 70.0;  // LETI, mm
    int labelCount = 1;        // NRETI
    int gridRows = 7;          // NRRIGHESTR
    int gridColumns = 2;       // NRCOLSTR
    int16_t wizardCounter = 1; // WIZCUR
    bool headerColumn = false; // INTEST
    double marginLeft = 0.0;   // MARGSXET, mm
    double marginTop = 0.0;    // MARGUPET, mm
    int alignment = 1;         // ALIGNMENT: 0 left, 1 centre, 2 right
    int orientation = 0;       // ORIENTATION: 0 rotated print, other values upright
    bool workTag = true;       // TAGLAV
    bool useBarcode = true;    // USABC
    bool barcodeByJob = false; // BCLAV
    int barcodeKind = 0;       // BCTYPE
    int barcodeSize = 1;       // BCHEIGHT
    int layout = 2;            // M_TEMPLPOS
    int infoTemplate = 2;      // TEMPLINFO
    int pictureKind = 0;       // TEMPIMG: 0 profile drawing, else bitmap

    MListaRighe labelLines;  // LABEL
    MListaRighe headerLines; // INTEST
    std::vector<std::string> fieldNames;
};

namespace labelprint {
// atoi and atof of the layout file, in the C locale: leading blanks, optional sign, digits;
// anything else ends the number (no digits: 0). Integers are clamped to 32 bits.
int AtoiC(const std::string& text);
double AtofC(const std::string& text);

// Loads the layout like MConfigura::Load, reusing the values of the last load while the file
// is the same one (same inode, size and modification time; a missing file counts as one
// state): a label is composed without reading the whole layout key by key again.
void LoadLayout(MConfigura& cfg, const std::string& iniPath);
} // namespace labelprint
