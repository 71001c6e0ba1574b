// The profile parameter sets dialog.
#include "ui/ParProfDialog.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPalette>
#include <QPushButton>
#include <QSignalBlocker>
#include <cstring>

#include "machine/globals.h"
#include "machine/profile_overrides.h"
#include "machine/settings.h"
#include "machine/settings_support.h"
#include "machine/ui_services.h"
#include "machine/utils.h"
#include "par_prof_layout.h"
#include "ui/InputDialog.h"
#include "ui/Pickers.h"
#include "ui/ViewDxfStatic.h"
#include "ui/qt_text.h"

namespace ui {

namespace {

int DefaultChooser(const std::string& folder, std::string& path) {
    std::string start = folder;
    return RunFileDialog("Files DXF (*.dxf)|*.dxf|", start, "*.dxf", path, nullptr);
}

int DefaultEditRunner(QWidget* parent, const std::string& series, const std::string& code) {
    CParProfEditDialog dlg(parent, series, code);
    return dlg.exec();
}

bool Ask(const std::string& text) {
    return ShowBox("T_ATTENZIONE", text, BoxButtons::YesNo, BoxIcon::Question) == IDYES;
}

} // namespace

int RunProfileSetsDialog(QWidget* parent, bool listOpen) {
    CParProfDialog dlg(parent, listOpen);
    return dlg.exec() == IDOK ? IDOK : IDCANCEL;
}

CParProfDialog::CParProfDialog(QWidget* parent, bool listOpen)
    : CResizeDialog(parent), m_listOpen(listOpen), m_chooser(DefaultChooser), m_editRunner(DefaultEditRunner) {
    using namespace parprof;
    const int variant = MachineVariant;
    SetLayout layout = SetsDialogLayout(variant);
    BuildControls(layout.width, layout.height, layout.controls);
    AddPictures(this, layout.pictures, variant);
    FillSetLabels(this, variant);
    m_preview = new MViewDXFStatic(this);
    m_preview->setObjectName(QStringLiteral("id_%1").arg(kPreview));
    m_preview->setGeometry(156, 8, 220, 220);
    // The values only show here: editing goes through the edit dialog.
    for (const ProfileSetField& f : ProfileSetFields()) {
        QWidget* w = Control(f.controlId);
        if (auto* edit = qobject_cast<QLineEdit*>(w)) {
            // Shown as what they are: no Tab stop, and the dialog's own colour behind the text.
            edit->setReadOnly(true);
            edit->setFocusPolicy(Qt::NoFocus);
            QPalette look = edit->palette();
            look.setColor(QPalette::Base, look.color(QPalette::Window));
            edit->setPalette(look);
        }
        if (auto* check = qobject_cast<QAbstractButton*>(w)) check->setEnabled(false);
    }
    setModal(true);
    EnableShowGate();

    const auto button = [this](int id) { return qobject_cast<QPushButton*>(Control(id)); };
    connect(button(kNew), &QPushButton::clicked, this, &CParProfDialog::OnNew);
    connect(button(kDelete), &QPushButton::clicked, this, &CParProfDialog::OnDelete);
    connect(button(kEdit), &QPushButton::clicked, this, &CParProfDialog::OnEdit);
    connect(button(kCopy), &QPushButton::clicked, this, &CParProfDialog::OnCopy);
    connect(button(kImport), &QPushButton::clicked, this, &CParProfDialog::OnImport);
    connect(button(kOk), &QPushButton::clicked, this, [this] { done(IDOK); });
    connect(SeriesBox(), &QComboBox::currentIndexChanged, this, &CParProfDialog::OnSeriesChanged);
    connect(CodeBox(), &QListWidget::currentRowChanged, this, &CParProfDialog::OnCodeChanged);

    // With a bar list open the dialog only shows; the import also needs IMPORT_DEFPRO.
    for (int id : {kNew, kDelete, kEdit, kCopy}) button(id)->setEnabled(!m_listOpen);
    button(kImport)->setEnabled(!m_listOpen && ProfileSettings().IMPORT_DEFPRO != 0);
}

CParProfDialog::~CParProfDialog() = default;

QComboBox* CParProfDialog::SeriesBox() const { return qobject_cast<QComboBox*>(Control(parprof::kSeries)); }
QListWidget* CParProfDialog::CodeBox() const { return qobject_cast<QListWidget*>(Control(parprof::kCodes)); }

void CParProfDialog::OnInitDialog() {
    CResizeDialog::OnInitDialog();
    setWindowTitle(ToQt(MsgString("T_PAR_PROFILO")));
    FillSeries();
    ScaleToScreen();
    MatchComboHeights(this);
    CentreOverMainWindow(this);
    OpenShowGate();
}

void CParProfDialog::FillSeries() {
    QComboBox* box = SeriesBox();
    {
        const QSignalBlocker block(box);
        box->clear();
        int selected = 0;
        const std::vector<std::string> names = ListProfileSeries();
        for (std::size_t i = 0; i < names.size(); ++i) {
            box->addItem(ToQt(names[i]));
            if (names[i] == m_series) selected = static_cast<int>(i);
        }
        box->setCurrentIndex(names.empty() ? -1 : selected);
    }
    OnSeriesChanged();
}

void CParProfDialog::OnSeriesChanged() {
    m_series = FromQt(SeriesBox()->currentText());
    QListWidget* list = CodeBox();
    {
        const QSignalBlocker block(list);
        list->clear();
        m_codes = ReadProfileCodes(m_series);
        int selected = 0;
        for (std::size_t i = 0; i < m_codes.codes.size(); ++i) {
            list->addItem(ToQt(m_codes.codes[i]));
            if (m_codes.codes[i] == m_code) selected = static_cast<int>(i);
        }
        list->setCurrentRow(m_codes.codes.empty() ? -1 : selected);
    }
    OnCodeChanged();
}

void CParProfDialog::OnCodeChanged() {
    QListWidgetItem* item = CodeBox()->currentItem();
    m_code = item != nullptr ? FromQt(item->text()) : std::string();
    ShowSet();
}

void CParProfDialog::ShowSet() {
    const MachineSettings& s = ProfileSettings();
    const int variant = MachineVariant;
    const bool any = !m_series.empty() && !m_code.empty();
    for (const ProfileSetField& f : ProfileSetFields()) {
        if (!f.OnVariant(variant)) continue;
        QWidget* w = Control(f.controlId);
        if (auto* check = qobject_cast<QAbstractButton*>(w)) {
            check->setChecked(any && SetValueDisplayText(f, m_series.c_str(), m_code.c_str(), s) != "0");
        } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
            const std::string previous = FromQt(edit->text());
            edit->setText(any ? ToQt(SetValueDisplayText(f, m_series.c_str(), m_code.c_str(), s, previous))
                              : QString());
        }
    }
    if (QWidget* notice = Control(parprof::kNotInForce))
        notice->setVisible(any && !SetInForce(m_series.c_str(), m_code.c_str()));
    const std::string drawing = any ? ProfileDrawingPath(s, m_series, m_code) : std::string();
    m_preview->SetDrawing(drawing.c_str(), 0, 0, 0, false, 0.0, nullptr, 0);
}

bool CParProfDialog::ChooseDrawing(std::string& series, std::string& code) {
    const MachineSettings& s = ProfileSettings();
    const std::string folder = m_series.empty() ? std::string(s.DIR_DXF) : ProfileDrawingFolder(s, m_series);
    std::string path;
    if (!m_chooser || m_chooser(folder, path) != IDOK || path.empty()) return false;
    char buffer[260] = {};
    std::strncpy(buffer, path.c_str(), sizeof buffer - 1);
    char seriesText[9] = {};
    char codeText[9] = {};
    SplitFileName(buffer, seriesText, codeText);
    series = seriesText;
    code = codeText;
    // A set is named by a series and a code of at most 8 characters, as the bar lists name a
    // profile: a longer folder or file name would be cut and share its set with another one
    // (ALUMINIUM1 and ALUMINIUM2), so it is refused and the operator told which names.
    const DrawingNames whole = WholeDrawingNames(path);
    if (whole.series != series || whole.code != code) {
        ShowBox("T_ATTENZIONE", std::string(MsgString("M_PROF_NAME_LONG")) + "\n" + whole.series + "\\" + whole.code,
                BoxButtons::Ok, BoxIcon::Warning);
        return false;
    }
    // Names become file and section names: nothing that could leave the folder.
    return IsSafeProfileName(series) && IsSafeProfileName(code);
}

void CParProfDialog::OnNew() {
    std::string series, code;
    if (m_listOpen || !ChooseDrawing(series, code)) return;
    m_series = series;
    m_code = code;
    if (CpReadFlag(series.c_str(), code.c_str()) <= 0 &&
        Ask(SubstituteTexts("%s %s?", {MsgString("M_NEW_PAR_PROF"), code})))
        WriteDefaultSet(series.c_str(), code.c_str(), ProfileSettings(), MachineVariant);
    FillSeries();
}

void CParProfDialog::OnDelete() {
    if (m_listOpen || m_series.empty() || m_code.empty()) return;
    if (!Ask(MsgString("M_DEL_PAR_PROF"))) return;
    DeleteListedProfile(m_series, m_code, m_codes);
    m_code.clear();
    FillSeries();
}

void CParProfDialog::OnEdit() {
    if (m_listOpen || m_series.empty() || m_code.empty()) return;
    if (m_editRunner) m_editRunner(this, m_series, m_code);
    FillSeries();
}

void CParProfDialog::OnCopy() {
    if (m_listOpen || m_series.empty() || m_code.empty()) return;
    const std::string fromSeries = m_series;
    const std::string fromCode = m_code;
    std::string series, code;
    if (!ChooseDrawing(series, code)) return;
    if (CpReadFlag(series.c_str(), code.c_str()) > 0 && !Ask(MsgString("M_NEW_PARPROF"))) return;
    CopyProfileSet(fromSeries.c_str(), fromCode.c_str(), series.c_str(), code.c_str(), ProfileSettings(),
                   MachineVariant);
    m_series = series;
    m_code = code;
    FillSeries();
}

void CParProfDialog::OnImport() {
    if (Import()) FillSeries();
}

bool CParProfDialog::Import() {
    const MachineSettings& s = ProfileSettings();
    if (m_listOpen || s.IMPORT_DEFPRO == 0) return false;
    const std::string defpro = DefproFilePath(s);
    const std::string dxfDir = s.DIR_DXF;
    if (!Ask(SubstituteTexts(MsgString("M_IMPORTA_DEFPRO"), {defpro, dxfDir}))) return false;
    bool written = false;
    std::string skipped;
    for (const std::string& series : ListFolderEntries(dxfDir, true, std::string())) {
        if (!IsSafeProfileName(series)) continue;
        const int answer = ShowBox("T_ATTENZIONE", SubstituteTexts("%s %s?", {MsgString("M_IMPORTA_SERIE"), series}),
                                   BoxButtons::YesNoCancel, BoxIcon::Question);
        if (answer == IDCANCEL) break;
        if (answer != IDYES) continue;
        DefproImport result;
        {
            const WaitCursor wait;
            result = ImportDefproSeries(series, dxfDir, defpro, s, MachineVariant);
        }
        written = written || !result.written.empty();
        for (const std::string& code : result.skipped) skipped += "\n" + series + " " + code;
    }
    // A profile whose drawing could not be measured gets no set: the operator is told which.
    if (!skipped.empty())
        ShowBox("T_ATTENZIONE", std::string(MsgString("M_DEFPRO_NO_DXF")) + skipped, BoxButtons::Ok, BoxIcon::Warning);
    return written;
}

} // namespace ui
