#include "par_prof_layout.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <algorithm>

#include "machine/globals.h"
#include "machine/settings.h"
#include "machine/settings_support.h"
#include "machine/units.h"
#include "ui/ParProfDialog.h"
#include "ui/par_prof_logic.h"
#include "ui/qt_text.h"

namespace ui {

namespace {

constexpr int kRowStep = 23;
constexpr int kUnitWidth = 80;   // the unit beside a value ("mm/min" the longest)

// The value rows from (x, y): label and value, a check box across both; the heading of the
// blade group before the feed on the variants that have it. Returns the bottom of the rows.
int AddRows(std::vector<DialogControl>& table, int variant, int x, int y, int labelWidth, int valueWidth,
            bool editable) {
    using namespace parprof;
    const std::vector<ProfileSetField>& fields = ProfileSetFields();
    int row = y;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const ProfileSetField& f = fields[i];
        const bool shown = f.OnVariant(variant);
        if (shown && std::string(f.key) == "VELH_CUT") {
            table.push_back({kGroupBlade, ControlKind::Static, x, row, labelWidth + valueWidth, 21, "S_ST_LAMA"});
            row += kRowStep;
        }
        const int top = shown ? row : y;   // hidden rows lie under the first one
        const int label = kLabelBase + static_cast<int>(i);
        if (f.kind == SetValueKind::Check) {
            table.push_back({f.controlId, ControlKind::CheckBox, x, top, labelWidth + valueWidth, 21, f.labelKey});
        } else {
            table.push_back({label, ControlKind::Static, x, top + 2, labelWidth - 4, 20, f.Label(variant)});
            const bool combo = editable && (f.kind == SetValueKind::Index || f.kind == SetValueKind::IndexPlus1);
            table.push_back({f.controlId, combo ? ControlKind::ComboBox : ControlKind::Edit, x + labelWidth, top,
                             valueWidth, 22, ""});
            table.push_back({kUnitBase + static_cast<int>(i), ControlKind::Static, x + labelWidth + valueWidth + 4,
                             top + 2, kUnitWidth, 20, ""});
        }
        if (shown) row += kRowStep;
    }
    return row;
}

} // namespace

const MachineSettings& ProfileSettings() {
    static const MachineSettings empty;
    return g_pSettings != nullptr ? *g_pSettings : empty;
}

SetLayout EditDialogLayout(int variant) {
    using namespace parprof;
    SetLayout l;
    for (int i = 0; i < 6; ++i) l.pictures.push_back({kPictures[i], 12 + (i % 2) * 80, 8 + (i / 2) * 76, 70, 70});
    const int bottom = AddRows(l.controls, variant, 180, 10, 222, 150, true);
    l.controls.push_back({kNotInForce, ControlKind::Static, 180, bottom + 2, 440, 40, "S_PROF_NOT_IN_FORCE"});
    l.width = 180 + 222 + 150 + 4 + kUnitWidth + 8;
    l.height = std::max(bottom + 50, 400);
    l.controls.push_back({kTakePliers, ControlKind::PushButton, 8, 246, 164, 28, "B_ACQ_PAR"});
    l.controls.push_back({kTakeVices, ControlKind::PushButton, 8, 280, 164, 28, "B_MOTCLAMPS"});
    l.controls.push_back({kOk, ControlKind::DefPushButton, 8, l.height - 70, 164, 28, "B_OK"});
    l.controls.push_back({kCancel, ControlKind::PushButton, 8, l.height - 36, 164, 28, "B_ANNULLA"});
    return l;
}

SetLayout SetsDialogLayout(int variant) {
    using namespace parprof;
    SetLayout l;
    l.controls = {
        {kLabelSeries, ControlKind::Static, 8, 8, 140, 20, "S_SERIE"},
        {kSeries, ControlKind::ComboBox, 8, 30, 140, 24, ""},
        {kLabelCode, ControlKind::Static, 8, 60, 140, 20, "S_CODICE"},
        {kCodes, ControlKind::ListBox, 8, 82, 140, 300, ""},
        {kNew, ControlKind::PushButton, 156, 280, 106, 28, "B_NEW"},
        {kEdit, ControlKind::PushButton, 270, 280, 106, 28, "B_EDIT"},
        {kCopy, ControlKind::PushButton, 156, 314, 106, 28, "B_COPY"},
        {kDelete, ControlKind::PushButton, 270, 314, 106, 28, "B_DEL"},
        {kImport, ControlKind::PushButton, 156, 354, 220, 28, "B_IMPORTA_DEFPRO"},
        {kOk, ControlKind::DefPushButton, 156, 394, 220, 28, "B_OK"},
    };
    for (int i = 0; i < 6; ++i) l.pictures.push_back({kPictures[i], 156 + i * 37, 236, 34, 34});
    const int bottom = AddRows(l.controls, variant, 388, 10, 226, 150, false);
    l.controls.push_back({kNotInForce, ControlKind::Static, 388, bottom + 2, 440, 40, "S_PROF_NOT_IN_FORCE"});
    l.width = 388 + 226 + 150 + 4 + kUnitWidth + 8;
    l.height = std::max(bottom + 50, 432);
    return l;
}

void MatchComboHeights(CResizeDialog* dialog) {
    const QWidget* edit = dialog->Control(ProfileSetFields().front().controlId);
    if (edit == nullptr) return;
    for (QComboBox* combo : dialog->findChildren<QComboBox*>(Qt::FindDirectChildrenOnly))
        combo->resize(combo->width(), edit->height());
}

void AddPictures(CResizeDialog* dialog, const std::vector<PicturePlace>& places, int variant) {
    for (std::size_t i = 0; i < places.size(); ++i) {
        const PicturePlace& p = places[i];
        auto* picture = new CPictureStatic(dialog, ProfileSetPicture(static_cast<int>(i)));
        picture->setObjectName(QStringLiteral("id_%1").arg(p.id));
        picture->setGeometry(p.x, p.y, p.width, p.height);
        if (i == 5 && variant == 0) picture->hide();
    }
}

void FillSetLabels(CResizeDialog* dialog, int variant) {
    using namespace parprof;
    const std::vector<ProfileSetField>& fields = ProfileSetFields();
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const ProfileSetField& f = fields[i];
        const bool shown = f.OnVariant(variant);
        QWidget* value = dialog->Control(f.controlId);
        QWidget* label = dialog->Control(kLabelBase + static_cast<int>(i));
        if (auto* check = qobject_cast<QAbstractButton*>(value)) check->setText(ToQt(MsgString(f.labelKey)));
        if (auto* text = qobject_cast<QLabel*>(label)) text->setText(ToQt(MsgString(f.Label(variant))));
        QWidget* unit = dialog->Control(kUnitBase + static_cast<int>(i));
        const char* unitKey = SetFieldUnitKey(f, GetUnitSystem());
        if (auto* text = qobject_cast<QLabel*>(unit)) text->setText(unitKey != nullptr ? ToQt(MsgString(unitKey)) : QString());
        if (value != nullptr) value->setVisible(shown);
        if (label != nullptr) label->setVisible(shown);
        if (unit != nullptr) unit->setVisible(shown && unitKey != nullptr);
    }
    const int keyed[] = {kLabelSeries, kLabelCode, kGroupBlade, kNew, kEdit, kCopy, kDelete, kImport, kOk, kCancel,
                         kTakePliers, kTakeVices, kNotInForce};
    for (int id : keyed) {
        QWidget* w = dialog->Control(id);
        if (w == nullptr) continue;
        const std::string key = FromQt(w->property("text").toString());
        w->setProperty("text", ToQt(MsgString(key.c_str())));
    }
    if (auto* notice = qobject_cast<QLabel*>(dialog->Control(kNotInForce))) {
        notice->setWordWrap(true);
        notice->hide();
    }
    if (QWidget* w = dialog->Control(kTakePliers)) w->setVisible(variant != 0);
    if (QWidget* w = dialog->Control(kTakeVices)) w->setVisible(variant == 2);
}

} // namespace ui
