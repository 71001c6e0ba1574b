#pragma once
// The control tables of the two profile set dialogs, built per machine variant from the rows
// of ProfileSetFields(): the variant's rows one under the other, the others hidden.
#include <vector>

#include "ui/ResizeDialog.h"

class MachineSettings;

namespace ui {

struct PicturePlace {
    int id, x, y, width, height;
};

struct SetLayout {
    int width = 0, height = 0;
    std::vector<DialogControl> controls;
    std::vector<PicturePlace> pictures;
};

// The settings record the sets are read with (an empty record before any is loaded).
const MachineSettings& ProfileSettings();

SetLayout EditDialogLayout(int variant);
SetLayout SetsDialogLayout(int variant);

// Combo boxes keep their template height through a layout: after scaling they take the
// height of the scaled edits, so a row reads as one line at the dialog's font.
void MatchComboHeights(CResizeDialog* dialog);

// The six picture statics (the sixth, the clamp rotation, is hidden on variant 0).
void AddPictures(CResizeDialog* dialog, const std::vector<PicturePlace>& places, int variant);
// Label, check box and button texts from the message table; rows and buttons the variant does
// not have are hidden.
void FillSetLabels(CResizeDialog* dialog, int variant);

} // namespace ui
