#include "ui/OptionDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <vector>

#include "dialog_texts.h"
#include "machine/file_routines.h"
#include "machine/globals.h"
#include "machine/label_settings.h"
#pragma push_macro("slots")
#undef slots
#include "machine/path_table.h"
#pragma pop_macro("slots")
#include "machine/settings.h"
#include "machine/settings_support.h"
#include "machine/ui_services.h"
#include "machine/units.h"
#include "platform/text.h"
#include "ui/ConfigBinder.h"
#include "ui/EditFilters.h"
#include "ui/InputDialog.h"
#include "ui/Pickers.h"
#include "ui/main_window_state.h"
#include "ui/qt_text.h"

namespace ui {

namespace {

// Machine name of the supervisor log: FilterTextEdit limit (19 characters).
constexpr int kMachineNameLimit = 20;

const std::vector<DialogControl> kOptionControls = {
    {149, ControlKind::GroupBox, 8, 6, 544, 186, "S_PATH"},
    {157, ControlKind::Static, 18, 30, 120, 22, "S_DIRLDA"},
    {opt::kDirLda, ControlKind::Edit, 142, 30, 312, 22, ""},
    {opt::kBrowseLda, ControlKind::PushButton, 460, 29, 84, 24, "S_SFOGLIA"},
    {166, ControlKind::Static, 18, 60, 120, 22, "S_DIRISO"},
    {opt::kDirIso, ControlKind::Edit, 142, 60, 312, 22, ""},
    {opt::kBrowseIso, ControlKind::PushButton, 460, 59, 84, 24, "S_SFOGLIA"},
    {158, ControlKind::Static, 18, 90, 120, 22, "S_DIRUTEN"},
    {opt::kDirUten, ControlKind::Edit, 142, 90, 312, 22, ""},
    {opt::kBrowseUten, ControlKind::PushButton, 460, 89, 84, 24, "S_SFOGLIA"},
    {159, ControlKind::Static, 18, 120, 120, 22, "S_DIRDXF"},
    {opt::kDirDxf, ControlKind::Edit, 142, 120, 312, 22, ""},
    {opt::kBrowseDxf, ControlKind::PushButton, 460, 119, 84, 24, "S_SFOGLIA"},
    {160, ControlKind::Static, 18, 150, 120, 22, "S_DIRVLK"},
    {opt::kDirVlk, ControlKind::Edit, 142, 150, 312, 22, ""},
    {opt::kBrowseVlk, ControlKind::PushButton, 460, 149, 84, 24, "S_SFOGLIA"},
    {400, ControlKind::GroupBox, 8, 196, 270, 196, "S_FUNC"},
    {opt::kLabelPrint, ControlKind::CheckBox, 18, 218, 252, 22, "S_LABEL"},
    {opt::kNoShort, ControlKind::CheckBox, 36, 242, 234, 22, "S_LABEL_NO_SHORT"},
    {opt::kChangeRalla, ControlKind::CheckBox, 18, 270, 252, 22, "S_CHANGE_RALLA"},
    {opt::kChangeRip, ControlKind::CheckBox, 18, 296, 252, 22, "S_AGGIORNA_RIP"},
    {opt::kSupervisor, ControlKind::PushButton, 18, 334, 170, 26, "B_SUPERVISOR"},
    {169, ControlKind::Static, 290, 198, 262, 20, "S_TIPO_SORT"},
    {opt::kTypeOttim, ControlKind::ComboBox, 290, 218, 262, kComboHeight, ""},
    {162, ControlKind::Static, 290, 250, 262, 20, "S_CONFIRM_EXEC"},
    {opt::kTypeExec, ControlKind::ComboBox, 290, 270, 262, kComboHeight, ""},
    {181, ControlKind::Static, 290, 302, 262, 20, "S_TIPO_SELEZ"},
    {opt::kTipoSelez, ControlKind::ComboBox, 290, 322, 262, kComboHeight, ""},
    {163, ControlKind::Static, 290, 354, 262, 20, "S_TIPO_BARCODE"},
    {opt::kBcFamily, ControlKind::ComboBox, 290, 374, 262, kComboHeight, ""},
    {401, ControlKind::GroupBox, 8, 400, 270, 60, "S_UN_MIS"},
    {opt::kMillimetres, ControlKind::CheckBox, 18, 426, 120, 22, "S_MILLIMETRI"},
    {opt::kInches, ControlKind::CheckBox, 144, 426, 124, 22, "S_POLLICI"},
    {opt::kTestAutoConfirm, ControlKind::CheckBox, 0, 0, 10, 10, ""},
    {opt::kTestHidePopups, ControlKind::CheckBox, 0, 0, 10, 10, ""},
    {kIdOk, ControlKind::DefPushButton, 372, 430, 84, 28, "B_OK"},
    {kIdCancel, ControlKind::PushButton, 466, 430, 84, 28, "B_ANNULLA"},
};

const std::vector<DialogControl> kSupervisorControls = {
    {185, ControlKind::GroupBox, 8, 6, 344, 196, "S_FUNC"},
    {sup::kLogOn, ControlKind::CheckBox, 18, 28, 320, 22, "S_ENAB_LOG"},
    {sup::kDaily, ControlKind::CheckBox, 36, 54, 140, 22, "S_LOG_GIORNO"},
    {sup::kMonthly, ControlKind::CheckBox, 186, 54, 156, 22, "S_LOG_MESE"},
    {190, ControlKind::Static, 18, 86, 130, 22, "S_NOME_MAC"},
    {sup::kMachineName, ControlKind::Edit, 152, 86, 190, 22, ""},
    {184, ControlKind::Static, 18, 114, 320, 20, "S_DIRLOG"},
    {sup::kDirLog, ControlKind::Edit, 18, 136, 234, 22, ""},
    {sup::kBrowse, ControlKind::PushButton, 258, 135, 84, 24, "S_SFOGLIA"},
    {193, ControlKind::Static, 18, 170, 130, 22, "COM MSV"},
    {sup::kPort, ControlKind::ComboBox, 152, 167, 120, kComboHeight, ""},
    {kIdOk, ControlKind::DefPushButton, 170, 214, 84, 28, "B_OK"},
    {kIdCancel, ControlKind::PushButton, 262, 214, 84, 28, "B_ANNULLA"},
};

// The directory entries: edit, its label, its browse button, the room it must leave.
struct DirEntry {
    int edit;
    int label;
    int browse;
    int fileChars;
};
const DirEntry kDirEntries[] = {
    {opt::kDirLda, 157, opt::kBrowseLda, 0},
    {opt::kDirIso, 166, opt::kBrowseIso, 0},
    {opt::kDirUten, 158, opt::kBrowseUten, kToolDirFileChars},
    {opt::kDirDxf, 159, opt::kBrowseDxf, 0},
    {opt::kDirVlk, 160, opt::kBrowseVlk, 0},
};

QCheckBox* Check(const CResizeDialog* dlg, int id) { return qobject_cast<QCheckBox*>(dlg->Control(id)); }
QLineEdit* Edit(const CResizeDialog* dlg, int id) { return qobject_cast<QLineEdit*>(dlg->Control(id)); }
QComboBox* Combo(const CResizeDialog* dlg, int id) { return qobject_cast<QComboBox*>(dlg->Control(id)); }
bool Ticked(const CResizeDialog* dlg, int id) {
    const QCheckBox* c = Check(dlg, id);
    return c != nullptr && c->isChecked();
}
void SetTicked(CResizeDialog* dlg, int id, bool on) {
    if (QCheckBox* c = Check(dlg, id)) c->setChecked(on);
}
std::string EditText(const CResizeDialog* dlg, int id) {
    const QLineEdit* e = Edit(dlg, id);
    return e != nullptr ? FromQt(e->text()) : std::string();
}
std::string LabelText(const CResizeDialog* dlg, int id) {
    const auto* l = qobject_cast<QLabel*>(dlg->Control(id));
    return l != nullptr ? FromQt(l->text()) : std::string();
}

void Notice(const char* key) { ShowBox("T_ATTENZIONE", MsgString(key), BoxButtons::Ok, BoxIcon::Warning); }

// Two check boxes of which ticking one clears the other. A click on the ticked one leaves it
// ticked: OK stores the second choice whenever the first is not ticked, so the pair must never
// show neither.
void PairChecks(CResizeDialog* dlg, int a, int b) {
    QCheckBox* ca = Check(dlg, a);
    QCheckBox* cb = Check(dlg, b);
    if (ca == nullptr || cb == nullptr) return;
    const auto pair = [](QCheckBox* clicked, QCheckBox* other) {
        QObject::connect(clicked, &QCheckBox::clicked, other, [clicked, other](bool on) {
            if (on)
                other->setChecked(false);
            else
                clicked->setChecked(true);
        });
    };
    pair(ca, cb);
    pair(cb, ca);
}

// The folder picker on a directory entry: the picker's title is the entry's label; a chosen
// folder replaces the entry's text with a final backslash.
void BrowseInto(CResizeDialog* dlg, int editId, const std::string& title) {
    std::string path = AddTrailingBackslash(EditText(dlg, editId));
    if (BrowseForFolderDlg(dlg, path, title) != 0 && !path.empty())
        Edit(dlg, editId)->setText(ToQt(AddTrailingBackslash(path)));
}

// Normalises the entry in place and refuses a directory that would not fit with its files:
// the message names the entry, the focus goes to it and nothing is written.
bool DirectoryAccepted(CResizeDialog* dlg, int editId, int labelId, int fileChars) {
    QLineEdit* edit = Edit(dlg, editId);
    if (edit == nullptr) return true;
    const std::string dir = NormaliseDirectory(FromQt(edit->text()));
    edit->setText(ToQt(dir));
    if (DirectoryFits(dir, fileChars)) return true;
    ShowBox("T_ERRORE", LabelText(dlg, labelId) + ": " + MsgString("M_DIR_TOO_LONG"), BoxButtons::Ok,
            BoxIcon::Warning);
    edit->setFocus();
    edit->selectAll();
    return false;
}

// The record's text of a field as the binder reads it.
std::string Field(const char* value) { return value != nullptr ? std::string(value) : std::string(); }

} // namespace

std::string NormaliseDirectory(const std::string& typed) {
    const std::size_t first = typed.find_first_not_of(' ');
    std::string dir = first == std::string::npos ? std::string() : typed.substr(first);
    const std::size_t last = dir.find_last_not_of(' ');
    dir.erase(last == std::string::npos ? 0 : last + 1);
    return AddTrailingBackslash(dir);
}

bool DirectoryFits(const std::string& dir, int fileNameChars) {
    return static_cast<int>(dir.size()) + fileNameChars <= kStoredPathChars;
}

// ---------------------------------------------------------------- COptionDialog

COptionDialog::COptionDialog(QWidget* parent) : CResizeDialog(parent) {
    BuildControls(560, 468, kOptionControls);
    setModal(true);
    EnableShowGate();
    for (const DirEntry& d : kDirEntries) {
        Edit(this, d.edit)->setMaxLength(kStoredPathChars);
        const int edit = d.edit;
        const int label = d.label;
        connect(qobject_cast<QPushButton*>(Control(d.browse)), &QPushButton::clicked, this,
                [this, edit, label] { OnBrowse(edit, label); });
    }
    Control(opt::kTestAutoConfirm)->hide();
    Control(opt::kTestHidePopups)->hide();
    PairChecks(this, opt::kMillimetres, opt::kInches);
    connect(Check(this, opt::kLabelPrint), &QCheckBox::clicked, this, [this] { OnLabelPrintClicked(); });
    connect(qobject_cast<QPushButton*>(Control(opt::kSupervisor)), &QPushButton::clicked, this,
            [this] { OnSupervisor(); });
    connect(Combo(this, opt::kTipoSelez), &QComboBox::currentIndexChanged, this, [this] { OnSelezChanged(); });
    connect(qobject_cast<QPushButton*>(Control(kIdOk)), &QPushButton::clicked, this, &COptionDialog::OnOK);
    connect(qobject_cast<QPushButton*>(Control(kIdCancel)), &QPushButton::clicked, this, &COptionDialog::OnCancel);

    // The settings written on OK after the label printing, in their order. Each goes through
    // the record's setter, which writes its key only when the value changed.
    MachineSettings* s = g_pSettings;
    auto dir = [s](int id, const char* key, char* field, void (MachineSettings::*set)(const char*)) {
        return Binding(id, "GENERAL", key, BindKind::Text)
            .Read([field] { return Field(field); })
            .Write([s, set](const std::string& v) {
                if (s != nullptr) (s->*set)(v.c_str());
            });
    };
    auto flag = [s](int id, BindKind kind, const char* key, int* field, void (MachineSettings::*set)(int)) {
        return Binding(id, "GENERAL", key, kind)
            .Read([field] { return field != nullptr ? std::to_string(*field) : std::string("0"); })
            .Write([s, set](const std::string& v) {
                if (s != nullptr) (s->*set)(std::atoi(v.c_str()));
            });
    };
    static int zero = 0;   // selection and barcode types: always shown as their first item
    std::vector<Binding> list;
    list.push_back(dir(opt::kDirLda, "DIR_LDA", s ? s->DIR_LDA : nullptr, &MachineSettings::SetDirLda));
    list.push_back(dir(opt::kDirIso, "DIR_ISO", s ? s->DIR_ISO : nullptr, &MachineSettings::SetDirIso));
    list.push_back(dir(opt::kDirDxf, "DIR_DXF", s ? s->DIR_DXF : nullptr, &MachineSettings::SetDirDxf));
    list.push_back(dir(opt::kDirVlk, "DIR_VLK", s ? s->DIR_VLK : nullptr, &MachineSettings::SetDirVlk));
    // A new tool directory (case ignored) moves the tool table and the store with it.
    list.push_back(Binding(opt::kDirUten, "GENERAL", "DIR_UTEN", BindKind::Text)
                       .Read([s] { return Field(s ? s->DIR_UTEN : nullptr); })
                       .Write([s](const std::string& v) {
                           if (s == nullptr || plat::EqualsNoCase(v, s->DIR_UTEN)) return;
                           s->SetDirUten(v.c_str());
                           SetToolsTxtPath(s->DIR_UTEN);
                           SetStoreIniPath(s->DIR_UTEN);
                           s->ToolsChanged = 1;
                       }));
    list.push_back(Binding(opt::kChangeRip, "GENERAL", "CHANGE_RIP", BindKind::Check)
                       .Read([s] { return std::to_string(s ? s->CHANGE_RIP : 0); })
                       .Write([s](const std::string& v) {
                           if (s != nullptr && s->SetChangeRip(std::atoi(v.c_str())) != 0 && MainWindowListOpen())
                               Notice("M_TAB_CHANGED");
                       }));
    const BindKind check = BindKind::Check;
    const BindKind combo = BindKind::ComboIndex;
    list.push_back(flag(opt::kChangeRalla, check, "CHANGE_RALLA", s ? &s->CHANGE_RALLA : nullptr,
                        &MachineSettings::SetChangeRalla));
    list.push_back(flag(opt::kTipoSelez, combo, "TIPO_SELEZ", &zero, &MachineSettings::SetTipoSelez));
    list.push_back(flag(opt::kBcFamily, combo, "BC_FAMILY", &zero, &MachineSettings::SetBcFamily));
    list.push_back(flag(opt::kTypeExec, combo, "TYPE_EXEC", s ? &s->TYPE_EXEC : nullptr, &MachineSettings::SetTypeExec));
    list.push_back(
        flag(opt::kTypeOttim, combo, "TYPE_OTTIM", s ? &s->TYPE_OTTIM : nullptr, &MachineSettings::SetTypeOttim));
    m_form = std::make_unique<QtBinderForm>(this);
    m_binder = std::make_unique<ConfigBinder>(*m_form, PathSlot(PathTable::kConfigPar), std::move(list));
}

COptionDialog::~COptionDialog() = default;

void COptionDialog::OnInitDialog() {
    CResizeDialog::OnInitDialog();
    setWindowTitle(Msg("T_PREFER"));
    SetControlTexts(this, kOptionControls);
    FillCombo(this, opt::kTypeOttim, {"S_NO_OTT", "S_O_ATTR", "S_O_CODE"});
    FillCombo(this, opt::kTypeExec, {"S_A_ALWAYS", "S_A_NEW_CODE", "S_A_NEVER"});
    FillCombo(this, opt::kTipoSelez, {"S_SEL_MANU", "S_SEL_BC_ADD", "S_SEL_BC_REPLACE", "S_SEL_BC_AUTO"});
    FillComboTexts(this, opt::kBcFamily, {"Standard", "EAN/Morvex", "CODABAR"});

    // Label printing: shown, then both values written back at once.
    m_labelPrint = GetLabelPrint() != 0;
    m_noShort = m_labelPrint && GetLabelPrintNoShort() != 0;
    SetTicked(this, opt::kLabelPrint, m_labelPrint);
    SetTicked(this, opt::kNoShort, m_noShort);
    EnableControl(this, opt::kNoShort, m_labelPrint);
    SetLabelPrintNoShort(m_noShort ? 1 : 0);
    SetLabelPrint(m_labelPrint ? 1 : 0);

    m_binder->Load();
    EnableControl(this, opt::kTipoSelez, false);
    EnableControl(this, opt::kBcFamily, false);
    const bool inches = GetUnitSystem() == 2;
    SetTicked(this, opt::kMillimetres, !inches);
    SetTicked(this, opt::kInches, inches);
    SetTicked(this, opt::kTestAutoConfirm, g_testAutoConfirm != 0);
    SetTicked(this, opt::kTestHidePopups, g_testHidePopups != 0);
    OnSelezChanged();
    Control(opt::kDirLda)->setFocus();

    ScaleToScreen();
    CentreOverMainWindow(this);
    OpenShowGate();
}

void COptionDialog::OnSelezChanged() {
    const QComboBox* selez = Combo(this, opt::kTipoSelez);
    EnableControl(this, opt::kBcFamily, selez != nullptr && selez->currentIndex() != 0);
}

void COptionDialog::OnLabelPrintClicked() {
    const bool on = Ticked(this, opt::kLabelPrint);
    EnableControl(this, opt::kNoShort, on);
    if (!on) {
        // Cleared at once in the configuration, whether or not the dialog is confirmed.
        SetTicked(this, opt::kNoShort, false);
        SetLabelPrintNoShort(0);
    }
}

void COptionDialog::OnBrowse(int editId, int labelId) { BrowseInto(this, editId, LabelText(this, labelId)); }

void COptionDialog::OnSupervisor() {
    if (MainWindowListOpen()) {
        Notice("M_LOG_ACCESS");
        return;
    }
    CSupervisorDialog dialog(this);
    dialog.exec();
}

bool COptionDialog::CheckDirectories() {
    for (const DirEntry& d : kDirEntries)
        if (!DirectoryAccepted(this, d.edit, d.label, d.fileChars)) return false;
    return true;
}

void COptionDialog::OnOK() {
    // Every directory is checked before anything is written.
    if (!CheckDirectories()) return;

    const bool listOpen = MainWindowListOpen();
    const bool print = Ticked(this, opt::kLabelPrint);
    if (print != m_labelPrint) {
        if (g_pSettings != nullptr) g_pSettings->LabelChanged = 1;
        SetLabelPrint(print ? 1 : 0);
        if (listOpen) Notice("M_TAB_CHANGED");
    }
    const bool noShort = Ticked(this, opt::kNoShort);
    if (noShort != m_noShort) {
        if (g_pSettings != nullptr) g_pSettings->LabelChanged = 1;
        SetLabelPrintNoShort(noShort ? 1 : 0);
        if (listOpen) Notice("M_TAB_CHANGED");
    }
    g_testAutoConfirm = Ticked(this, opt::kTestAutoConfirm) ? 1 : 0;
    g_testHidePopups = Ticked(this, opt::kTestHidePopups) ? 1 : 0;

    m_binder->Save();
    SetUnitSystem(Ticked(this, opt::kMillimetres) ? 1 : 2);
    done(IDOK);
}

void COptionDialog::OnCancel() { done(IDCANCEL); }

// ---------------------------------------------------------------- CSupervisorDialog

CSupervisorDialog::CSupervisorDialog(QWidget* parent) : CResizeDialog(parent) {
    BuildControls(360, 252, kSupervisorControls);
    setModal(true);
    EnableShowGate();
    Edit(this, sup::kDirLog)->setMaxLength(kStoredPathChars);
    ConnectTextFilter(Edit(this, sup::kMachineName), kMachineNameLimit, true);
    PairChecks(this, sup::kDaily, sup::kMonthly);
    connect(Check(this, sup::kLogOn), &QCheckBox::clicked, this, [this] { OnLogOnClicked(); });
    connect(qobject_cast<QPushButton*>(Control(sup::kBrowse)), &QPushButton::clicked, this,
            [this] { BrowseInto(this, sup::kDirLog, MsgString("S_DIRLOG")); });
    connect(qobject_cast<QPushButton*>(Control(kIdOk)), &QPushButton::clicked, this, &CSupervisorDialog::OnOK);
    connect(qobject_cast<QPushButton*>(Control(kIdCancel)), &QPushButton::clicked, this,
            &CSupervisorDialog::OnCancel);
}

void CSupervisorDialog::OnInitDialog() {
    CResizeDialog::OnInitDialog();
    // The title of the supervisor log settings.
    setWindowTitle(Msg("T_SUPERVISOR"));
    SetControlTexts(this, kSupervisorControls);
    FillComboTexts(this, sup::kPort, {"0", "COM1", "COM2", "COM3", "COM4"});
    if (QComboBox* port = Combo(this, sup::kPort)) {
        const int p = GetPortMsv();
        port->setCurrentIndex(p >= 0 && p < port->count() ? p : -1);
    }
    const int mode = g_pSettings != nullptr ? g_pSettings->LOG_SUPERVISOR : 0;
    SetTicked(this, sup::kLogOn, mode == 1 || mode == 2);
    SetTicked(this, sup::kDaily, mode != 2);
    SetTicked(this, sup::kMonthly, mode == 2);
    if (g_pSettings != nullptr) {
        Edit(this, sup::kMachineName)->setText(ToQt(g_pSettings->NOME_MACCHINA_LOG));
        Edit(this, sup::kDirLog)->setText(ToQt(g_pSettings->DIR_LOG));
    }
    OnLogOnClicked();
    Control(sup::kLogOn)->setFocus();
    ScaleToScreen();
    CentreOverMainWindow(this);
    OpenShowGate();
}

void CSupervisorDialog::OnLogOnClicked() {
    const bool on = Ticked(this, sup::kLogOn);
    for (int id : {sup::kDaily, sup::kMonthly, sup::kMachineName, sup::kDirLog, sup::kPort, sup::kBrowse})
        EnableControl(this, id, on);
}

void CSupervisorDialog::OnOK() {
    MachineSettings* s = g_pSettings;
    if (s == nullptr) {
        done(IDOK);
        return;
    }
    if (!DirectoryAccepted(this, sup::kDirLog, 184, kLogDirFileChars)) return;

    bool written = false;
    const int mode = !Ticked(this, sup::kLogOn) ? 0 : Ticked(this, sup::kDaily) ? 1 : 2;
    if (mode != s->LOG_SUPERVISOR) {
        s->SetLogSupervisor(mode);
        written = true;
    }
    const std::string dir = EditText(this, sup::kDirLog);
    if (!plat::EqualsNoCase(dir, s->DIR_LOG)) {
        s->SetDirLog(dir.c_str());
        written = true;
    }
    // The machine name is the entry's first word.
    const std::string typed = EditText(this, sup::kMachineName);
    const std::size_t start = typed.find_first_not_of(' ');
    const std::string name =
        start == std::string::npos ? std::string() : typed.substr(start, typed.find(' ', start) - start);
    if (!plat::EqualsNoCase(name, s->NOME_MACCHINA_LOG)) {
        s->SetMachineLogName(name.c_str());
        written = true;
    }
    // A port the list does not hold (no selection) is kept as it is.
    const int port = Combo(this, sup::kPort)->currentIndex();
    if (port >= 0 && port != GetPortMsv()) {
        SetPortMsv(port);
        written = true;
    }
    if (written) Notice("M_LOG_CHANGED");
    done(IDOK);
}

void CSupervisorDialog::OnCancel() { done(IDCANCEL); }

} // namespace ui
