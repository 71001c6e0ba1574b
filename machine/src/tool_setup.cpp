// Tool-setup optimiser of the bar list (placeholder until the optimiser lands).
#include "machine/barlist.h"

void BarList::MarkBarSelected(int barIndex) {
    if (barIndex < 0) {
        for (auto& b : bars_) b->selectionMark = 1;
    } else if (barIndex < BarCount()) {
        bars_[static_cast<std::size_t>(barIndex)]->selectionMark = 1;
    }
}

void BarList::CollectSelectedBars() {
    int n = 0;
    for (auto& b : bars_)
        if (b->selectionMark != 0) ++n;
    selectedCount = n;
}

int BarList::OptimizeToolSetup() { return 0; }
