#include "ui/EditFilters.h"

#include <QLineEdit>
#include <algorithm>

#include "machine/edit_filters.h"
#include "ui/qt_text.h"

namespace ui {

namespace {

// Selection as the filters see it: start and end in single-byte characters, start <= end.
EditState ReadEdit(const QLineEdit* edit) {
    const QString text = edit->text();
    int start = edit->cursorPosition();
    int end = start;
    if (edit->hasSelectedText()) {
        start = edit->selectionStart();
        end = edit->selectionEnd();
    }
    EditState s;
    s.text = FromQt(text);
    // Positions counted in the converted text, so a character outside the code page (which
    // may take two UTF-16 units) moves nothing.
    s.selStart = static_cast<int>(FromQt(text.left(start)).size());
    s.selEnd = static_cast<int>(FromQt(text.left(end)).size());
    return s;
}

void WriteEdit(QLineEdit* edit, const EditState& s) {
    const int len = static_cast<int>(s.text.size());
    const int startBytes = std::clamp(s.selStart, 0, len);
    const int endBytes = std::clamp(s.selEnd, startBytes, len);
    const QString text = ToQt(s.text);
    const int start = static_cast<int>(ToQt(std::string_view(s.text).substr(0, static_cast<size_t>(startBytes))).size());
    const int end = static_cast<int>(ToQt(std::string_view(s.text).substr(0, static_cast<size_t>(endBytes))).size());
    edit->setText(text);
    if (start == end)
        edit->setCursorPosition(start);   // also scrolls the caret into view
    else
        edit->setSelection(start, end - start);
}

template <typename Filter>
bool Apply(QLineEdit* edit, Filter filter) {
    if (edit == nullptr) return false;
    EditState s = ReadEdit(edit);
    const bool changed = filter(s);
    if (changed) WriteEdit(edit, s);
    return changed;
}

} // namespace

bool FilterRealEdit(QLineEdit* edit, bool minusAllowed) {
    return Apply(edit, [minusAllowed](EditState& s) { return ::FilterRealEdit(s, minusAllowed); });
}

bool FilterIntegerEdit(QLineEdit* edit, bool minusAllowed) {
    return Apply(edit, [minusAllowed](EditState& s) { return ::FilterIntegerEdit(s, minusAllowed); });
}

bool FilterTextEdit(QLineEdit* edit, int limit, bool upperCase) {
    return Apply(edit, [limit, upperCase](EditState& s) { return ::FilterTextEdit(s, limit, upperCase); });
}

bool FilterWholeNumberEdit(QLineEdit* edit) {
    return Apply(edit, [](EditState& s) { return ::FilterWholeNumberEdit(s); });
}

void ConnectEditFilter(QLineEdit* edit, std::function<void(QLineEdit*)> filter) {
    if (edit == nullptr || !filter) return;
    // textEdited fires for the user's changes only, so writing the filtered text back does
    // not call the filter again.
    QObject::connect(edit, &QLineEdit::textEdited, edit, [edit, filter](const QString&) { filter(edit); });
}

void ConnectRealFilter(QLineEdit* edit, bool minusAllowed) {
    ConnectEditFilter(edit, [minusAllowed](QLineEdit* e) { FilterRealEdit(e, minusAllowed); });
}

void ConnectIntegerFilter(QLineEdit* edit, bool minusAllowed) {
    ConnectEditFilter(edit, [minusAllowed](QLineEdit* e) { FilterIntegerEdit(e, minusAllowed); });
}

void ConnectWholeNumberFilter(QLineEdit* edit) {
    ConnectEditFilter(edit, [](QLineEdit* e) { FilterWholeNumberEdit(e); });
}

void ConnectTextFilter(QLineEdit* edit, int limit, bool upperCase) {
    ConnectEditFilter(edit, [limit, upperCase](QLineEdit* e) { FilterTextEdit(e, limit, upperCase); });
}

} // namespace ui
