#include "dialog_texts.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>

#include "machine/settings_support.h"
#include "ui/qt_text.h"

namespace ui {

QString Msg(const char* key) { return ToQt(MsgString(key)); }

void SetControlTexts(CResizeDialog* dialog, const std::vector<DialogControl>& table) {
    for (const DialogControl& c : table) {
        if (c.textKey == nullptr || *c.textKey == '\0') continue;
        QWidget* w = dialog->Control(c.id);
        if (auto* b = qobject_cast<QAbstractButton*>(w)) b->setText(Msg(c.textKey));
        else if (auto* l = qobject_cast<QLabel*>(w)) l->setText(Msg(c.textKey));
        else if (auto* g = qobject_cast<QGroupBox*>(w)) g->setTitle(Msg(c.textKey));
    }
}

void FillCombo(CResizeDialog* dialog, int id, std::initializer_list<const char*> keys) {
    auto* combo = qobject_cast<QComboBox*>(dialog->Control(id));
    if (combo == nullptr) return;
    combo->clear();
    for (const char* key : keys) combo->addItem(Msg(key));
}

void FillComboTexts(CResizeDialog* dialog, int id, const std::vector<std::string>& items) {
    auto* combo = qobject_cast<QComboBox*>(dialog->Control(id));
    if (combo == nullptr) return;
    combo->clear();
    for (const std::string& item : items) combo->addItem(ToQt(item));
}

void EnableControl(CResizeDialog* dialog, int id, bool enable) {
    if (QWidget* w = dialog->Control(id)) w->setEnabled(enable);
}

void HideControl(CResizeDialog* dialog, int id) {
    if (QWidget* w = dialog->Control(id)) {
        w->setEnabled(false);
        w->hide();
    }
}

} // namespace ui
