#pragma once
// The layout wizard of the label library: three pages (label size and place, one of eight
// layouts, barcode, picture and text lines) over the layout in "TAGRIX.INI".
#include <string>

class MConfigura;

namespace labelprint {

enum class WizardResult {
    Unavailable, // no GUI in this process: nothing shown, nothing read or written
    Cancelled,   // the operator left without Finish: the file is untouched
    Finished,    // the edited layout was saved
};

// Whether the calling program runs a Qt widget application the wizard can show on.
bool WizardAvailable();

// Runs the wizard modally on cfg, whose field names are already added: offers the names to
// the label list, loads the layout from iniPath, and on Finish saves it there. After a
// finished wizard cfg's id and size slots hold the saved values; otherwise the loaded ones.
WizardResult RunLayoutWizard(MConfigura& cfg, const std::string& iniPath);

} // namespace labelprint
