// The table-driven machine-parameter dialogs and their entry point.
#include "ui/ParamBaseDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <memory>

#include "machine/error_text.h"
#include "machine/file_routines.h"
#include "machine/globals.h"
// Qt's "slots" keyword macro would swallow the path table's member of that name.
#pragma push_macro("slots")
#undef slots
#include "machine/path_table.h"
#pragma pop_macro("slots")
#include "machine/ralla_tools.h"
#include "machine/settings.h"
#include "machine/settings_support.h"
#include "machine/tool_table.h"
#include "machine/ui_services.h"
#include "machine/units.h"
#include "machine/window_scale.h"
#include "platform/profile.h"
#include "platform/text.h"
#include "ui/EditFilters.h"
#include "ui/InputDialog.h"
#include "ui/ParamDialogs.h"
#include "ui/param_pictures.h"
#include "ui/qt_text.h"

namespace ui {

namespace {

// Template geometry of the rows (dialog units before ScaleToScreen enlarges them).
constexpr int kMargin = 12;
constexpr int kColumnGap = 20;
constexpr int kRowPitch = 30;
constexpr int kRowHeight = 24;
constexpr int kValueWidth = 84;
constexpr int kGap = 4;
constexpr int kRowsOneColumn = 12;   // more visible rows than this take two columns
constexpr int kButtonWidth = 96;
constexpr int kButtonHeight = 28;
constexpr int kBoxWidth = 50;        // the position enable boxes
constexpr double kPictureScale = 0.8; // pictures wider than 300 are shown at this share


std::string Converted(const std::string& text, char* (*convert)(char*)) {
    char buffer[kDisplayTextSize] = {};
    std::strncpy(buffer, text.c_str(), kDisplayTextSize - 1);
    convert(buffer);
    return std::string(buffer);
}

// Whether the text is one decimal number (a final line feed allowed), as the loaders read it.
bool IsNumberText(const std::string& text) {
    if (text.empty()) return false;
    const char* end = nullptr;
    const double v = plat::StrtodC(text.c_str(), &end);
    return end != text.c_str() && (*end == '\0' || (*end == '\n' && end[1] == '\0')) && std::isfinite(v);
}

void AttentionBox(const char* text) { ShowBox("T_ATTENZIONE", text, BoxButtons::Ok, BoxIcon::Warning); }

void ClearSettingOf(const ParamDef& row) {
    if (std::strcmp(row.key, "MORSE_SUPP") == 0) g_pSettings->MORSE_SUPP = 0;
    if (std::strcmp(row.key, "RIF_BARR_CH") == 0) g_pSettings->RIF_BARR_CH = 0;
}

const char* const kPositionTexts[4] = {"S_MAND5", "S_MAND6", "S_MAND7", "S_MAND8"};

QString ChoiceText(const ChoiceEntry& e) { return ToQt(e.literal ? e.text : MsgString(e.text)); }

} // namespace

// ---------------------------------------------------------------- CParamBaseDialog

CParamBaseDialog::CParamBaseDialog(QWidget* parent, const ParamDialogSpec& spec, bool listOpen)
    : CResizeDialog(parent), m_spec(spec), m_listOpen(listOpen) {
    setObjectName(spec.className);
    BuildRows();
    setModal(true);
    EnableShowGate();
    connect(qobject_cast<QPushButton*>(Control(IDOK)), &QPushButton::clicked, this, &CParamBaseDialog::OnOK);
    connect(qobject_cast<QPushButton*>(Control(IDCANCEL)), &QPushButton::clicked, this, &CParamBaseDialog::OnCancel);
}

void CParamBaseDialog::BuildRows() {
    const ParamDef* table = ParamTable(m_spec.group);
    const int count = CountParamRows(table);
    const MachineOptions& options = g_pSettings->options;
    int visible = 0;
    for (int i = 0; i < count; ++i) {
        Row r;
        r.def = &table[i];
        r.layout = DecideRow(m_spec, table[i], MachineVariant, options.BARR_SX, options.MORSE_SUPP);
        if (!r.layout.hidden) ++visible;
        m_rows.push_back(r);
    }
    // Visible rows fill one column, or two when there are many and no picture beside them.
    const bool picture = m_spec.picture.bitmap != 0;
    int columns = (!picture && visible > kRowsOneColumn) ? 2 : 1;
    int perColumn = (visible + columns - 1) / columns;
    RowWidths wid = MeasureRows(columns, perColumn);
    // Two columns or one: the arrangement that the screen shows larger, that is the one shrunk
    // least to fit the screen (wide screens keep two columns, tall ones may take one).
    if (columns == 2) {
        const auto fitted = [](const RowWidths& w, int rows) {
            int width = 2 * kMargin + static_cast<int>(w.label.size() - 1) * kColumnGap;
            for (std::size_t c = 0; c < w.label.size(); ++c) width += w.label[c] + kGap + w.value[c];
            const int height = kMargin + rows * kRowPitch + kGap + kButtonHeight + kMargin;
            return FittedScaleFactor(width, height, ScreenWidth(), ScreenHeight());
        };
        const RowWidths one = MeasureRows(1, visible);
        if (fitted(one, visible) > fitted(wid, perColumn)) {
            columns = 1;
            perColumn = visible;
            wid = one;
        }
    }
    std::vector<int> columnX(1, kMargin);
    for (std::size_t c = 0; c < wid.label.size(); ++c)
        columnX.push_back(columnX.back() + wid.label[c] + kGap + wid.value[c] + kColumnGap);
    std::vector<DialogControl> controls;
    int slot = 0;
    for (int i = 0; i < count; ++i) {
        const Row& r = m_rows[static_cast<std::size_t>(i)];
        int x = 0, y = 0, label = wid.label[0], value = wid.value[0];
        if (!r.layout.hidden) {
            const std::size_t column = static_cast<std::size_t>(slot / perColumn);
            x = columnX[column];
            label = wid.label[column];
            value = wid.value[column];
            y = kMargin + (slot % perColumn) * kRowPitch;
            ++slot;
        }
        const bool choice = r.def->kind == kParamChoice;
        const int valueX = x + label + kGap;
        controls.push_back({kParamLabelId + i, ControlKind::Static, x, y + 3, label, kRowHeight - 4, ""});
        controls.push_back({kParamValueId + i, choice ? ControlKind::ComboBox : ControlKind::Edit, valueX, y,
                            choice ? value : kValueWidth, kRowHeight, ""});
        controls.push_back({kParamUnitId + i, ControlKind::Static, valueX + kValueWidth + kGap, y + 3, wid.unit,
                            kRowHeight - 4, ""});
    }
    int width = columnX.back() - kColumnGap + kMargin;
    int bottom = kMargin + perColumn * kRowPitch;
    if (picture) {
        const PictureSpec& p = m_spec.picture;
        const double share = p.width > 300 ? kPictureScale : 1.0;
        const int pw = static_cast<int>(p.width * share), ph = static_cast<int>(p.height * share);
        const int px = width + kMargin;
        controls.push_back({p.controlId, ControlKind::Static, px, kMargin, pw, ph, ""});
        int pictureBottom = kMargin + ph;
        if (m_spec.positionBoxes) {
            const int bx = px + (pw - 4 * kBoxWidth) / 2;
            for (int k = 0; k < 4; ++k)
                controls.push_back({CConfOffsetRallaDlg2::kEnableBoxIds[k], ControlKind::CheckBox,
                                    bx + k * kBoxWidth, pictureBottom + kGap, kBoxWidth, kRowHeight, kPositionTexts[k]});
            pictureBottom += kGap + kRowHeight;
        }
        width = px + pw + kMargin;
        bottom = std::max(bottom, pictureBottom + kMargin);
    }
    const int buttonsY = bottom + kGap;
    controls.push_back({IDOK, ControlKind::DefPushButton, width - 2 * (kButtonWidth + kMargin), buttonsY, kButtonWidth,
                        kButtonHeight, "B_OK"});
    controls.push_back({IDCANCEL, ControlKind::PushButton, width - kButtonWidth - kMargin, buttonsY, kButtonWidth,
                        kButtonHeight, "B_ANNULLA"});
    BuildControls(width, buttonsY + kButtonHeight + kMargin, controls);
    for (int i = 0; i < count; ++i) {
        Row& r = m_rows[static_cast<std::size_t>(i)];
        for (int id : {kParamLabelId + i, kParamValueId + i, kParamUnitId + i})
            if (r.layout.hidden) Control(id)->hide();
        if (auto* edit = qobject_cast<QLineEdit*>(Control(kParamValueId + i)))
            ConnectEditFilter(edit, [this, i](QLineEdit*) { OnNumberEdited(i); });
    }
}

RowWidths CParamBaseDialog::MeasureRows(int columns, int perColumn) const {
    const int screen = ScreenWidth();
    const double factor = DialogScaleFactor(screen);
    const QFontMetrics fm(DialogFontFor(screen));
    auto templateWidth = [&](const char* text) {
        return static_cast<int>(std::ceil(fm.horizontalAdvance(ToQt(text)) / factor)) + 2 * kGap;
    };
    const bool inches = GetUnitSystem() == kUnitInches;
    RowWidths w;
    std::vector<int> choice(static_cast<std::size_t>(columns), 0);
    w.label.assign(static_cast<std::size_t>(columns), 120);
    int slot = 0;
    for (const Row& r : m_rows) {
        if (r.layout.hidden) continue;
        const std::size_t column = static_cast<std::size_t>(slot++ / perColumn);
        w.label[column] = std::max(w.label[column], templateWidth(MsgString(r.layout.labelKey)));
        const char* unit = (inches && r.def->unitKeyInch != nullptr) ? r.def->unitKeyInch : r.def->unitKeyMetric;
        if (unit != nullptr) w.unit = std::max(w.unit, templateWidth(MsgString(unit)));
        for (const ChoiceEntry& e : ChoicesOf(m_spec, r.def->key, MachineVariant))
            choice[column] = std::max(choice[column], templateWidth(e.literal ? e.text : MsgString(e.text)) + 24);
    }
    const int numberWidth = kValueWidth + kGap + w.unit;
    for (int c : choice) w.value.push_back(std::max(numberWidth, c));
    return w;
}

void CParamBaseDialog::OnInitDialog() {
    CResizeDialog::OnInitDialog();
    const bool variant2Title = MachineVariant == 2 && m_spec.titleKeyVariant2 != nullptr;
    setWindowTitle(ToQt(MsgString(variant2Title ? m_spec.titleKeyVariant2 : m_spec.titleKey)));
    const bool inches = GetUnitSystem() == kUnitInches;
    for (int i = 0; i < RowCount(); ++i) {
        const Row& r = m_rows[static_cast<std::size_t>(i)];
        qobject_cast<QLabel*>(Control(kParamLabelId + i))->setText(ToQt(MsgString(r.layout.labelKey)));
        const char* unit = (inches && r.def->unitKeyInch != nullptr) ? r.def->unitKeyInch : r.def->unitKeyMetric;
        if (unit != nullptr) qobject_cast<QLabel*>(Control(kParamUnitId + i))->setText(ToQt(MsgString(unit)));
        if (auto* combo = qobject_cast<QComboBox*>(Control(kParamValueId + i)))
            for (const ChoiceEntry& e : ChoicesOf(m_spec, r.def->key, MachineVariant)) combo->addItem(ChoiceText(e));
    }
    qobject_cast<QPushButton*>(Control(IDOK))->setText(ToQt(MsgString("B_OK")));
    qobject_cast<QPushButton*>(Control(IDCANCEL))->setText(ToQt(MsgString("B_ANNULLA")));
    if (m_spec.picture.bitmap != 0) {
        auto* picture = qobject_cast<QLabel*>(Control(m_spec.picture.controlId));
        picture->setText(QString());
        picture->setScaledContents(true);
        picture->setPixmap(KeyedPixmap(ParamPicture(m_spec.picture.bitmap)));
    }
    if (m_spec.positionBoxes)
        for (int k = 0; k < 4; ++k)
            qobject_cast<QCheckBox*>(Control(CConfOffsetRallaDlg2::kEnableBoxIds[k]))
                ->setText(ToQt(MsgString(kPositionTexts[k])));
    LoadValues();
    OnValuesLoaded();
    ScaleToScreen();
    // A choice list keeps its height through the layout: it must still show its text.
    for (int i = 0; i < RowCount(); ++i)
        if (auto* combo = qobject_cast<QComboBox*>(Control(kParamValueId + i)))
            combo->resize(combo->width(), std::max(combo->height(), combo->sizeHint().height()));
    CentreOverMainWindow(this);
    OpenShowGate();
}

void CParamBaseDialog::LoadValues() {
    const int bit = VariantBit(MachineVariant);
    for (int i = 0; i < RowCount(); ++i) {
        Row& r = m_rows[static_cast<std::size_t>(i)];
        char text[kParamTextSize] = {};
        ReadParamText(m_spec.group, i, text, sizeof text);
        r.storedText = text;
        if (r.def->kind == kParamChoice) {
            const bool none = r.storedText == kParamNoDefault;
            r.storedValue = none ? -1 : std::atoi(text);
            auto* combo = qobject_cast<QComboBox*>(Control(kParamValueId + i));
            combo->setCurrentIndex(none ? 0 : r.storedValue);
            if (r.layout.forcedChoice >= 0) combo->setCurrentIndex(r.layout.forcedChoice);
            if (r.layout.clearSetting) ClearSettingOf(*r.def);
        } else {
            // The whole stored text is kept; only typing is limited to ten characters.
            const std::string shown = r.def->unitKeyInch != nullptr ? Converted(r.storedText, MetricTextForDisplay)
                                                                    : r.storedText;
            r.shownText = r.lastTyped = ToQt(shown);
            qobject_cast<QLineEdit*>(Control(kParamValueId + i))->setText(r.shownText);
        }
        if ((r.def->variantMask & bit) == 0) SetRowEnabled(i, false);
    }
}

void CParamBaseDialog::SetRowEnabled(int row, bool enabled) {
    const bool number = m_rows[static_cast<std::size_t>(row)].def->kind == kParamNumber;
    Control(kParamLabelId + row)->setEnabled(enabled);
    Control(kParamValueId + row)->setEnabled(enabled);
    if (number) Control(kParamUnitId + row)->setEnabled(enabled);
}

void CParamBaseDialog::OnNumberEdited(int row) {
    Row& r = m_rows[static_cast<std::size_t>(row)];
    auto* edit = qobject_cast<QLineEdit*>(Control(kParamValueId + row));
    switch (r.layout.filter) {
    // A minus stays for OK to refuse where the row takes none: dropped, "-3" reads 3.
    case ParamFilter::Real: FilterRealEdit(edit, true); break;
    case ParamFilter::RealMinus: FilterRealEdit(edit, true); break;
    // A whole-number row keeps a typed point and minus, so that OK refuses "2.5" and "-3"
    // instead of the filter turning them into 25 and 3.
    case ParamFilter::Integer: FilterWholeNumberEdit(edit); break;
    case ParamFilter::None: break;
    }
    // Typing stops at ten characters; a longer stored value may still be shortened.
    const QString now = edit->text();
    if (now.size() > kParamTypedLimit && now.size() > r.lastTyped.size()) {
        const int caret = edit->cursorPosition() - static_cast<int>(now.size() - r.lastTyped.size());
        edit->setText(r.lastTyped);
        edit->setCursorPosition(std::max(caret, 0));
    }
    r.lastTyped = edit->text();
}

int CParamBaseDialog::RowIndex(const char* key) const {
    for (int i = 0; i < RowCount(); ++i)
        if (std::strcmp(m_rows[static_cast<std::size_t>(i)].def->key, key) == 0) return i;
    return -1;
}

QWidget* CParamBaseDialog::ValueControl(int row) const { return Control(kParamValueId + row); }

bool CParamBaseDialog::RowHidden(int row) const { return m_rows[static_cast<std::size_t>(row)].layout.hidden; }

bool CParamBaseDialog::Editable(int row) const {
    return !RowHidden(row) && ValueControl(row)->isEnabled();
}

int CParamBaseDialog::ChoiceValue(int row) const {
    const Row& r = m_rows[static_cast<std::size_t>(row)];
    if (!Editable(row) && r.layout.forcedChoice >= 0) return r.layout.forcedChoice;
    const int selected = qobject_cast<QComboBox*>(ValueControl(row))->currentIndex();
    // A stored index the list does not offer stays as it is; "??" shows the first entry.
    if (selected < 0 || (!Editable(row) && r.storedValue >= 0)) return r.storedValue >= 0 ? r.storedValue : 0;
    return selected;
}

std::string CParamBaseDialog::RowTextToWrite(int row) const {
    const Row& r = m_rows[static_cast<std::size_t>(row)];
    if (r.def->kind == kParamChoice) return plat::StrFormatC("%d", ChoiceValue(row));
    // Rows the operator cannot edit, and rows left as shown, keep their stored text whole.
    if (!Editable(row)) return r.storedText;
    std::string typed = FromQt(qobject_cast<QLineEdit*>(ValueControl(row))->text());
    if (typed.size() > kParamTextSize - 1) typed.resize(kParamTextSize - 1);
    if (ToQt(typed).compare(r.shownText, Qt::CaseInsensitive) == 0 && IsNumberText(r.storedText)) return r.storedText;
    return r.def->unitKeyInch != nullptr ? Converted(typed, DisplayTextToMetric) : typed;
}

bool CParamBaseDialog::RowChanged(int row) const {
    const Row& r = m_rows[static_cast<std::size_t>(row)];
    if (r.def->kind == kParamChoice) return ChoiceValue(row) != r.storedValue;
    if (!Editable(row)) return false;
    const QString typed = qobject_cast<QLineEdit*>(ValueControl(row))->text();
    return typed.compare(r.shownText, Qt::CaseInsensitive) != 0 || !IsNumberText(r.storedText);
}

int CParamBaseDialog::ValidateValues() {
    bool changed = false;
    for (int i = 0; i < RowCount(); ++i) {
        const Row& r = m_rows[static_cast<std::size_t>(i)];
        // Only rows the operator can reach are checked: a hidden or disabled row keeps its value.
        if (Editable(i) && r.def->kind == kParamNumber) {
            ParamDef shown = *r.def;
            shown.labelKey = r.layout.labelKey;
            double value = 0.0;
            bool refused = ParseParamValue(*g_pSettings, RowTextToWrite(i).c_str(), shown, &value, -1) != kParamOk;
            double fieldMinimum = 0.0, fieldMaximum = 0.0;
            if (!refused && ParamFieldBounds(shown.key, &fieldMinimum, &fieldMaximum) &&
                (value < fieldMinimum || value > fieldMaximum)) {
                // Beyond what its settings field holds (CK_LIMITS 0): stored, the value would be
                // cut to the field's limit while the file keeps what was typed.
                ParamDef held = shown;
                held.minimum = static_cast<int>(fieldMinimum);
                held.maximum = static_cast<int>(fieldMaximum);
                SetParamRowRefusal(held, "LIMIT_ERROR");
                refused = true;
            }
            if (!refused && r.layout.filter == ParamFilter::Real && value < 0 && shown.minimum >= 0) {
                // A row typed without a minus takes no negative value, whatever CK_LIMITS says.
                SetParamRowRefusal(shown, "LIMIT_ERROR");
                refused = true;
            }
            if (!refused && r.layout.filter == ParamFilter::Integer) {
                // A whole-number row takes neither a fraction nor, whatever CK_LIMITS says, a
                // negative value.
                if (value != std::trunc(value)) {
                    SetParamWholeNumberError(shown);
                    refused = true;
                } else if (value < 0 && shown.minimum >= 0) {
                    SetParamRowRefusal(shown, "LIMIT_ERROR");
                    refused = true;
                }
            }
            if (refused) {
                AttentionBox(g_errorText);
                ValueControl(i)->setFocus();
                return -1;
            }
        }
        if (RowChanged(i)) changed = true;
    }
    return changed ? 1 : 0;
}

void CParamBaseDialog::BeforeSave() {
    if (m_spec.flag == ChangeFlag::Param)
        g_pSettings->ParamChanged = 1;
    else
        g_pSettings->ConfigChanged = 1;
}

bool CParamBaseDialog::SaveValues() {
    m_fileFaultShown = false;
    BeforeSave();
    int writeError = 0; // the first refused write's reason
    for (int i = 0; i < RowCount(); ++i) {
        const std::string text = RowTextToWrite(i);
        // A row that cannot be edited and has no value has nothing to keep.
        if (!Editable(i) && text == kParamNoDefault) continue;
        errno = 0;
        if (!WriteParamText(m_spec.group, i, text.c_str()) && writeError == 0) writeError = errno != 0 ? errno : EIO;
    }
    if (writeError != 0 && !m_fileFaultShown)
        ShowBox("T_ERRORE", FileFaultText(true, ParamGroupFile(m_spec.group), writeError), BoxButtons::Ok,
                BoxIcon::Warning);
    if (m_listOpen && !m_tabNoticeShown) {
        AttentionBox(MsgString("M_TAB_CHANGED"));
        m_tabNoticeShown = true;
    }
    LoadBaseParameters(*g_pSettings);
    return writeError == 0;
}

void CParamBaseDialog::OnOK() {
    const int result = ValidateValues();
    if (result < 0) return;
    if (result > 0) {
        const bool saved = SaveValues();
        if (LoadAllParameters(*g_pSettings) != 0) {
            g_pSettings->ConfigChanged = 1;
            AttentionBox(g_errorText);
        }
        if (LoadBaseParameters(*g_pSettings) != 0) {
            g_pSettings->ParamChanged = 1;
            AttentionBox(g_errorText);
        }
        // A refused write stays open with the operator's values, to retry or cancel.
        if (!saved) return;
    }
    done(IDOK);
}

void CParamBaseDialog::OnCancel() { done(IDCANCEL); }

// ---------------------------------------------------------------- CConfLamaDlg

CConfLamaDlg::CConfLamaDlg(QWidget* parent, bool listOpen)
    : CParamBaseDialog(parent, ParamDialogSpecs()[kConfLama], listOpen) {}

void CConfLamaDlg::BeforeSave() {
    CParamBaseDialog::BeforeSave();
    if (MachineVariant != 1) return;
    // A parameter file that cannot be read gave the rows their defaults, not the blade, and
    // refuses their writes: the blade records stay as they are and the operator is told.
    const char* file = ParamGroupFile(Spec().group);
    if (const int err = plat::ProfileReadError(file); err != 0) {
        ShowBox("T_ERRORE", FileFaultText(false, file, err), BoxButtons::Ok, BoxIcon::Warning);
        m_fileFaultShown = true;
        return;
    }
    auto value = [this](const char* key) {
        const int row = RowIndex(key);
        return row < 0 ? 0.0 : plat::StrtodC(RowTextToWrite(row).c_str(), nullptr);
    };
    BladeDimensions blade;
    blade.diameter = value("DIAM_LAMA");
    blade.thickness = value("SPESS_LAMA");
    blade.flangeThickness = value("SPESS_FLANGIA_LAMA");
    blade.flangeDiameter = value("DIAM_FLANGIA_LAMA");
    blade.armHeight = value("H_BRACCIO");
    blade.armLength = value("L_BRACCIO");
    const int header = g_pRallaTools != nullptr ? g_pRallaTools->headerNumber : kToolHeaderDefault;
    // The rows are saved whatever happens to the tool table; its failure is shown.
    if (RewriteBladeRecords(blade, header) != 0) ShowBox("T_ERRORE", g_errorText, BoxButtons::Ok, BoxIcon::Warning);
}

// ---------------------------------------------------------------- CConfOffsetRallaDlg2

CConfOffsetRallaDlg2::CConfOffsetRallaDlg2(QWidget* parent, bool listOpen)
    : CParamBaseDialog(parent, ParamDialogSpecs()[kConfOffsetRalla2], listOpen) {
    for (int k = 0; k < 4; ++k)
        connect(qobject_cast<QCheckBox*>(Control(kEnableBoxIds[k])), &QCheckBox::clicked, this,
                [this, k] { OnEnableBox(k); });
}

void CConfOffsetRallaDlg2::OnValuesLoaded() {
    for (int k = 0; k < 4; ++k) {
        qobject_cast<QCheckBox*>(Control(kEnableBoxIds[k]))->setChecked(g_extraPositionOn[k] != 0);
        EnableRowsOf(k);
    }
}

void CConfOffsetRallaDlg2::EnableRowsOf(int position) {
    const bool on = qobject_cast<QCheckBox*>(Control(kEnableBoxIds[position]))->isChecked();
    for (const char* axis : {"OFFX_T%d", "OFFY_T%d", "OFFZ_T%d"}) {
        const int row = RowIndex(plat::StrFormatC(axis, 5 + position).c_str());
        if (row >= 0) SetRowEnabled(row, on);
    }
}

void CConfOffsetRallaDlg2::OnEnableBox(int position) {
    auto* box = qobject_cast<QCheckBox*>(Control(kEnableBoxIds[position]));
    const bool on = box->isChecked();
    // The position's key is written at once: Cancel does not take it back. A write that fails
    // is told, naming the file, and the box goes back to what the file still holds.
    static bool (*const kSetters[4])(int) = {SetT5On, SetT6On, SetT7On, SetT8On};
    errno = 0;
    if (!kSetters[position](on ? 1 : 0)) {
        const int error = errno != 0 ? errno : EIO;
        box->setChecked(!on);
        ShowBox("T_ERRORE", FileFaultText(true, PathSlot(PathTable::kConfigPar), error), BoxButtons::Ok,
                BoxIcon::Warning);
        return;
    }
    g_extraPositionOn[position] = on ? 1 : 0;
    EnableRowsOf(position);
    update();
}

void CConfOffsetRallaDlg2::OnOK() {
    // A set-up that could not be recorded is told, naming the file, and the dialog stays open
    // with its values: nothing more is written until the operator retries or cancels.
    if (g_pRallaTools != nullptr && g_pRallaTools->SaveConfig() != 0) {
        ShowBox("T_ERRORE", g_errorText, BoxButtons::Ok, BoxIcon::Warning);
        return;
    }
    CParamBaseDialog::OnOK();
}

// ---------------------------------------------------------------- entry point

std::unique_ptr<CParamBaseDialog> MakeParameterDialog(int commandId, QWidget* parent, bool listOpen) {
    const ParamDialogSpec* spec = ParamDialogForCommand(commandId);
    // The dialogs edit the parameters of the program's settings record.
    if (spec == nullptr || g_pSettings == nullptr) return nullptr;
    if (spec == &ParamDialogSpecs()[kConfLama]) return std::make_unique<CConfLamaDlg>(parent, listOpen);
    if (spec == &ParamDialogSpecs()[kConfOffsetRalla2]) return std::make_unique<CConfOffsetRallaDlg2>(parent, listOpen);
    return std::make_unique<CParamBaseDialog>(parent, *spec, listOpen);
}

int RunParameterDialog(int commandId, QWidget* parent, bool listOpen) {
    std::unique_ptr<CParamBaseDialog> dialog = MakeParameterDialog(commandId, parent, listOpen);
    return dialog != nullptr ? dialog->exec() : -1;
}

int RunParameterDialog(int commandId, QWidget* parent) { return RunParameterDialog(commandId, parent, false); }

} // namespace ui
