#pragma once
// Texts of the settings dialogs: every text is a message key looked up in the text table.
#include <QComboBox>
#include <QString>
#include <initializer_list>
#include <string>
#include <vector>

#include "ui/ResizeDialog.h"

namespace ui {

// Height of a combo box on the settings templates. A combo box keeps its template height on
// every screen (only its place is scaled), so it is made tall enough for the largest font.
constexpr int kComboHeight = 36;

// The text of a key of "STRING.MSG" as a QString.
QString Msg(const char* key);
// Gives each button, check box, label and group box of the table the text of its key.
void SetControlTexts(CResizeDialog* dialog, const std::vector<DialogControl>& table);
// Fills a combo box with the texts of the keys (or literal items) in order.
void FillCombo(CResizeDialog* dialog, int id, std::initializer_list<const char*> keys);
void FillComboTexts(CResizeDialog* dialog, int id, const std::vector<std::string>& items);
// Enables or disables a control of the dialog (missing ids are ignored).
void EnableControl(CResizeDialog* dialog, int id, bool enable);
void HideControl(CResizeDialog* dialog, int id);

} // namespace ui
