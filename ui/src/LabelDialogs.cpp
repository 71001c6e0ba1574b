#include "ui/LabelDialogs.h"

#include <QComboBox>
#include <QPushButton>
#include <algorithm>

#include "dialog_texts.h"
#include "machine/globals.h"
#include "machine/label_settings.h"
#pragma push_macro("slots")
#undef slots
#include "machine/path_table.h"
#pragma pop_macro("slots")
#include "machine/settings.h"
#include "machine/settings_support.h"
#include "machine/ui_services.h"
#include "platform/text.h"
#include "ui/ConfigBinder.h"
#include "ui/InputDialog.h"
#include "ui/main_window_state.h"

namespace ui {

namespace {

// Field sizes of the texts (typing keeps one character less).
constexpr int kCaptionSize = 9;       // STR1..STR8
constexpr int kInfoCaptionSize = 18;  // HEAD1..HEAD4
constexpr std::size_t kSavedTextMax = 49;
constexpr std::size_t kFieldNameMax = 99;

// Line n (0..7) of the layout dialog: caption label, caption edit, type label, type combo.
constexpr int StrLabel(int n) { return 198 + n; }
constexpr int TypeLabel(int n) { return 215 + n; }

std::vector<DialogControl> LabelControls() {
    std::vector<DialogControl> t = {
        {400, ControlKind::GroupBox, 8, 6, 584, 160, "S_OPTION"},
        {231, ControlKind::Static, 18, 30, 136, 22, "S_TYPEHEAD"},
        {lab::kHeadType, ControlKind::ComboBox, 156, 28, 150, kComboHeight, ""},
        {233, ControlKind::Static, 320, 30, 150, 22, "S_LENSTR"},
        {lab::kLenStr, ControlKind::ComboBox, 474, 28, 106, kComboHeight, ""},
        {163, ControlKind::Static, 18, 62, 136, 22, "S_BARCODE"},
        {lab::kBcType, ControlKind::ComboBox, 156, 60, 150, kComboHeight, ""},
        {242, ControlKind::Static, 320, 62, 150, 22, "S_SIZEBARCODE"},
        {lab::kBcHeight, ControlKind::ComboBox, 474, 60, 106, kComboHeight, ""},
        {238, ControlKind::Static, 18, 94, 136, 22, "S_SIZEHEAD"},
        {lab::kHeadFont, ControlKind::ComboBox, 156, 92, 150, kComboHeight, ""},
        {240, ControlKind::Static, 320, 94, 150, 22, "S_SIZETEXT"},
        {lab::kFont, ControlKind::ComboBox, 474, 92, 106, kComboHeight, ""},
        {197, ControlKind::Static, 18, 130, 136, 22, "S_HEAD"},
        {lab::kHeadText, ControlKind::Edit, 156, 128, 424, 22, ""},
        {235, ControlKind::GroupBox, 8, 174, 584, 268, "S_CONF"},
    };
    static const char* const kStr[] = {"S_STR1", "S_STR2", "S_STR3", "S_STR4", "S_STR5", "S_STR6", "S_STR7", "S_STR8"};
    static const char* const kType[] = {"S_TYPE1", "S_TYPE2", "S_TYPE3", "S_TYPE4",
                                        "S_TYPE5", "S_TYPE6", "S_TYPE7", "S_TYPE8"};
    for (int n = 0; n < kLabelLines; ++n) {
        const int y = 198 + 30 * n;
        t.push_back({StrLabel(n), ControlKind::Static, 18, y, 100, 22, kStr[n]});
        t.push_back({lab::kFirstStr + n, ControlKind::Edit, 120, y, 140, 22, ""});
        t.push_back({TypeLabel(n), ControlKind::Static, 280, y, 90, 22, kType[n]});
        t.push_back({lab::kFirstType + n, ControlKind::ComboBox, 372, y - 2, 208, kComboHeight, ""});
    }
    t.push_back({kIdOk, ControlKind::DefPushButton, 412, 452, 84, 28, "B_OK"});
    t.push_back({kIdCancel, ControlKind::PushButton, 506, 452, 84, 28, "B_ANNULLA"});
    return t;
}

std::vector<DialogControl> EtichetteControls() {
    std::vector<DialogControl> t = {
        {400, ControlKind::GroupBox, 8, 6, 544, 96, "S_OPTION"},
        {1145, ControlKind::Static, 18, 30, 250, 22, "S_BARCODE1"},
        {eti::kBarcode1, ControlKind::ComboBox, 272, 28, 120, kComboHeight, ""},
        {1147, ControlKind::Static, 18, 64, 250, 22, "S_BARCODE2"},
        {eti::kBarcode2, ControlKind::ComboBox, 272, 62, 120, kComboHeight, ""},
        {235, ControlKind::GroupBox, 8, 110, 544, 156, "S_CONF"},
    };
    static const char* const kStr[] = {"S_STR1", "S_STR2", "S_STR3", "S_STR4", "S_STR5", "S_STR6", "S_STR7", "S_STR8"};
    static const char* const kType[] = {"S_TYPE1", "S_TYPE2", "S_TYPE3", "S_TYPE4",
                                        "S_TYPE5", "S_TYPE6", "S_TYPE7", "S_TYPE8"};
    for (int n = 0; n < kLabelInfoFields; ++n) {
        const int y = 134 + 30 * n;
        t.push_back({1151 + n, ControlKind::Static, 18, y, 80, 22, kStr[n]});
        t.push_back({eti::kFirstHead + n, ControlKind::Edit, 100, y, 210, 22, ""});
        t.push_back({1159 + n, ControlKind::Static, 322, y, 80, 22, kType[n]});
        t.push_back({eti::kFirstInfo + n, ControlKind::ComboBox, 404, y - 2, 140, kComboHeight, ""});
    }
    t.push_back({kIdOk, ControlKind::DefPushButton, 372, 276, 84, 28, "B_OK"});
    t.push_back({kIdCancel, ControlKind::PushButton, 466, 276, 84, 28, "B_ANNULLA"});
    // Present on the template, kept hidden and disabled: lines 5 to 9 of a longer layout and
    // the two mark switches, with their labels.
    for (int n = 4; n < kLabelLines; ++n) {
        t.push_back({1151 + n, ControlKind::Static, 0, 0, 10, 10, kStr[n]});
        t.push_back({211 + n - 4, ControlKind::Edit, 0, 0, 10, 10, ""});
        t.push_back({1159 + n, ControlKind::Static, 0, 0, 10, 10, kType[n]});
        t.push_back({1171 + n - 4, ControlKind::ComboBox, 0, 0, 10, 10, ""});
    }
    t.push_back({1175, ControlKind::Static, 0, 0, 10, 10, "S_STR9"});
    t.push_back({445, ControlKind::Edit, 0, 0, 10, 10, ""});
    t.push_back({1176, ControlKind::Static, 0, 0, 10, 10, "S_TYPE9"});
    t.push_back({1177, ControlKind::ComboBox, 0, 0, 10, 10, ""});
    t.push_back({1149, ControlKind::Static, 0, 0, 10, 10, "S_MARCA_RINF"});
    t.push_back({1150, ControlKind::ComboBox, 0, 0, 10, 10, ""});
    t.push_back({1178, ControlKind::Static, 0, 0, 10, 10, "S_MARCA_LAV"});
    t.push_back({1180, ControlKind::ComboBox, 0, 0, 10, 10, ""});
    return t;
}

const int kEtichetteHidden[] = {1155, 1156, 1157, 1158, 211,  212,  213,  214,  1163, 1164, 1165, 1166,
                                1171, 1172, 1173, 1174, 1175, 445,  1176, 1177, 1149, 1150, 1178, 1180};

const std::vector<DialogControl>& LabelTable() {
    static const std::vector<DialogControl> table = LabelControls();
    return table;
}
const std::vector<DialogControl>& EtichetteTable() {
    static const std::vector<DialogControl> table = EtichetteControls();
    return table;
}

std::string IndexedKey(const char* prefix, int n) { return plat::StrFormatC("%s%d", prefix, n); }

// Saves the settings when anything changed: the label layout is rebuilt at the next list
// opening, and an open list is told that the tables changed.
void SaveLabelSettings(ConfigBinder& binder) {
    if (!binder.HasChanged()) return;
    if (g_pSettings != nullptr) g_pSettings->LabelChanged = 1;
    binder.Save();
    if (MainWindowListOpen()) ShowBox("T_ATTENZIONE", MsgString("M_TAB_CHANGED"), BoxButtons::Ok, BoxIcon::Warning);
}

} // namespace

std::vector<std::string> LabelFieldNames() {
    std::vector<std::string> names;
    for (const char* key : {"C_NIENTE", "C_COMMESSA", "C_NOME", "C_SERIE", "C_CODICE", "C_LUNGHEZZA", "C_COLORE",
                            "C_ANGOLI"})
        names.emplace_back(MsgString(key));
    for (int n = 1; n <= 4; ++n) names.push_back(plat::StrFormatC("%s%d", MsgString("C_ADDINFO"), n));
    for (std::string& name : names)
        if (name.size() > kFieldNameMax) name.resize(kFieldNameMax);
    return names;
}

// ---------------------------------------------------------------- CParLabelDialog

CParLabelDialog::CParLabelDialog(QWidget* parent) : CResizeDialog(parent) {
    BuildControls(600, 490, LabelTable());
    setModal(true);
    EnableShowGate();
    connect(qobject_cast<QPushButton*>(Control(kIdOk)), &QPushButton::clicked, this, &CParLabelDialog::OnOK);
    connect(qobject_cast<QPushButton*>(Control(kIdCancel)), &QPushButton::clicked, this, &CParLabelDialog::OnCancel);
    connect(qobject_cast<QComboBox*>(Control(lab::kHeadType)), &QComboBox::currentIndexChanged, this,
            [this] { OnHeadTypeChanged(); });
    connect(qobject_cast<QComboBox*>(Control(lab::kBcType)), &QComboBox::currentIndexChanged, this,
            [this] { OnBarcodeTypeChanged(); });

    MachineSettings* s = g_pSettings;
    const int lenRow = s != nullptr ? s->LEN_ROW : 20;
    const std::vector<std::string> sizes = {"16", "24", "28", "29"};
    // The write order of OK.
    std::vector<Binding> list = {
        Binding(lab::kHeadType, "LABEL", "TYPE_HEAD", BindKind::ComboIndex, "0"),
        Binding(lab::kLenStr, "LABEL", "LEN_STR", BindKind::ComboIndex, "8"),
        Binding(lab::kBcType, "LABEL", "BC_TYPE", BindKind::ComboIndex, "0"),
        // The heading keeps at most LEN_ROW - 1 typed characters (the read takes LEN_ROW).
        Binding(lab::kHeadText, "LABEL", "STR_HEAD", BindKind::Text, "")
            .Filter(BindFilter::UpperText, std::max(1, lenRow))
            .Read([s] { return s != nullptr ? GetLabelHeadText(*s) : std::string(); })
            .Write([](const std::string& v) { SetLabelHeadText(v.substr(0, kSavedTextMax).c_str()); }),
        Binding(lab::kBcHeight, "LABEL", "BC_HEIGHT", BindKind::ComboIndex, "2")
            .Values({"1", "2", "3"})
            .Write([s](const std::string& v) {
                SetLabelBcHeight(std::atoi(v.c_str()));
                if (s != nullptr) s->BC_HEIGHT = std::atoi(v.c_str());
            }),
        Binding(lab::kHeadFont, "LABEL", "HEAD_FONT", BindKind::ComboIndex, "28")
            .Values(sizes)
            .Write([s](const std::string& v) {
                SetLabelHeadFont(std::atoi(v.c_str()));
                if (s != nullptr) s->HEAD_FONT = std::atoi(v.c_str());
            }),
        Binding(lab::kFont, "LABEL", "FONT", BindKind::ComboIndex, "29")
            .Values(sizes)
            .Write([s](const std::string& v) {
                SetLabelFont(std::atoi(v.c_str()));
                if (s != nullptr) s->FONT = std::atoi(v.c_str());
            }),
    };
    for (int n = 0; n < kLabelLines; ++n) {
        list.push_back(Binding(lab::kFirstStr + n, "LABEL", IndexedKey("STR", n + 1), BindKind::Text, "")
                           .Filter(BindFilter::UpperText, kCaptionSize));
        list.push_back(Binding(lab::kFirstType + n, "LABEL", IndexedKey("TYPE", n + 1), BindKind::ComboIndex, "0"));
    }
    m_form = std::make_unique<QtBinderForm>(this);
    m_binder = std::make_unique<ConfigBinder>(*m_form, PathSlot(PathTable::kConfigPar), std::move(list));
    ConnectBinderFilters(this, *m_binder);
}

CParLabelDialog::~CParLabelDialog() = default;

void CParLabelDialog::OnInitDialog() {
    CResizeDialog::OnInitDialog();
    setWindowTitle(Msg("T_CONF_LABEL"));
    SetControlTexts(this, LabelTable());
    FillCombo(this, lab::kHeadType, {"C_LIBERO", "C_NOTE"});
    FillComboTexts(this, lab::kLenStr,
                   {" - 0 -", " - 1 -", " - 2 -", " - 3 -", " - 4 -", " - 5 -", " - 6 -", " - 7 -", " - 8 -"});
    FillComboTexts(this, lab::kBcType,
                   {MsgString("C_NIENTE"), "EAN13/Morvex", "EAN8", "Inter. 2of5", "Code 39", "Codabar"});
    FillComboTexts(this, lab::kBcHeight, {"1", "2", "3"});
    FillComboTexts(this, lab::kHeadFont, {"16", "24", "28", "29"});
    FillComboTexts(this, lab::kFont, {"16", "24", "28", "29"});
    const std::vector<std::string> fields = LabelFieldNames();
    for (int n = 0; n < kLabelLines; ++n) FillComboTexts(this, lab::kFirstType + n, fields);
    m_binder->Load();
    OnHeadTypeChanged();
    OnBarcodeTypeChanged();
    Control(lab::kHeadType)->setFocus();
    ScaleToScreen();
    CentreOverMainWindow(this);
    OpenShowGate();
}

void CParLabelDialog::OnHeadTypeChanged() {
    // A heading of notes takes its text from the job: the fixed heading is not typed.
    const auto* type = qobject_cast<QComboBox*>(Control(lab::kHeadType));
    const bool free = type == nullptr || type->currentIndex() != 1;
    EnableControl(this, 197, free);
    EnableControl(this, lab::kHeadText, free);
}

void CParLabelDialog::OnBarcodeTypeChanged() {
    // A barcode takes the room of lines 7 and 8.
    const auto* type = qobject_cast<QComboBox*>(Control(lab::kBcType));
    const bool barcode = type != nullptr && type->currentIndex() > 0;
    EnableControl(this, lab::kBcHeight, barcode);
    EnableControl(this, 242, barcode);
    for (int n = 6; n < kLabelLines; ++n)
        for (int id : {lab::kFirstStr + n, lab::kFirstType + n, StrLabel(n), TypeLabel(n)})
            EnableControl(this, id, !barcode);
}

void CParLabelDialog::OnOK() {
    SaveLabelSettings(*m_binder);
    done(IDOK);
}

void CParLabelDialog::OnCancel() { done(IDCANCEL); }

// ---------------------------------------------------------------- CParEtichetteDialog

CParEtichetteDialog::CParEtichetteDialog(QWidget* parent) : CResizeDialog(parent) {
    BuildControls(560, 314, EtichetteTable());
    setModal(true);
    EnableShowGate();
    for (int id : kEtichetteHidden) HideControl(this, id);
    connect(qobject_cast<QPushButton*>(Control(kIdOk)), &QPushButton::clicked, this, &CParEtichetteDialog::OnOK);
    connect(qobject_cast<QPushButton*>(Control(kIdCancel)), &QPushButton::clicked, this,
            &CParEtichetteDialog::OnCancel);
    // The write order of OK.
    std::vector<Binding> list = {
        Binding(eti::kBarcode1, "LABEL", "STAMPA_BARCODE1", BindKind::ComboIndex, "0"),
        Binding(eti::kBarcode2, "LABEL", "STAMPA_BARCODE2", BindKind::ComboIndex, "0"),
    };
    for (int n = 0; n < kLabelInfoFields; ++n) {
        list.push_back(Binding(eti::kFirstHead + n, "LABEL", IndexedKey("HEAD", n + 1), BindKind::Text, "")
                           .Filter(BindFilter::UpperText, kInfoCaptionSize));
        list.push_back(Binding(eti::kFirstInfo + n, "LABEL", IndexedKey("INFO", n + 1), BindKind::ComboIndex, "0"));
    }
    m_form = std::make_unique<QtBinderForm>(this);
    m_binder = std::make_unique<ConfigBinder>(*m_form, PathSlot(PathTable::kConfigPar), std::move(list));
    ConnectBinderFilters(this, *m_binder);
}

CParEtichetteDialog::~CParEtichetteDialog() = default;

void CParEtichetteDialog::OnInitDialog() {
    CResizeDialog::OnInitDialog();
    setWindowTitle(Msg("T_CONF_LABEL"));
    SetControlTexts(this, EtichetteTable());
    for (int id : {eti::kBarcode1, eti::kBarcode2, 1150, 1180}) FillCombo(this, id, {"S_NO", "S_SI"});
    const std::vector<std::string> fields = LabelFieldNames();
    for (int n = 0; n < kLabelInfoFields; ++n) FillComboTexts(this, eti::kFirstInfo + n, fields);
    m_binder->Load();
    Control(eti::kBarcode1)->setFocus();
    ScaleToScreen();
    CentreOverMainWindow(this);
    OpenShowGate();
}

void CParEtichetteDialog::OnOK() {
    SaveLabelSettings(*m_binder);
    done(IDOK);
}

void CParEtichetteDialog::OnCancel() { done(IDCANCEL); }

} // namespace ui
