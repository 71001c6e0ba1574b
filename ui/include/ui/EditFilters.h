#pragma once
// The edit filters of numeric and text entries on a QLineEdit: the entry's text and
// selection go through the filter logic of the machine layer and come back filtered, the
// caret kept in view. ConnectEditFilter runs a filter on every change the user makes.
#include <functional>

class QLineEdit;

namespace ui {

// One pass of a filter over the entry (text and selection read, filtered, written back when
// changed). They return whether the text changed.
bool FilterRealEdit(QLineEdit* edit, bool minusAllowed);
bool FilterIntegerEdit(QLineEdit* edit, bool minusAllowed);
bool FilterTextEdit(QLineEdit* edit, int limit, bool upperCase);
// The filter of a whole-number field (::FilterWholeNumberEdit): a typed point and a leading
// minus stay for the field's check on OK to refuse.
bool FilterWholeNumberEdit(QLineEdit* edit);

// Runs filter on the entry after every change typed, pasted or cut by the user.
void ConnectEditFilter(QLineEdit* edit, std::function<void(QLineEdit*)> filter);
// Conveniences: the decimal, integer and text filters on every change.
void ConnectRealFilter(QLineEdit* edit, bool minusAllowed);
void ConnectIntegerFilter(QLineEdit* edit, bool minusAllowed);
void ConnectTextFilter(QLineEdit* edit, int limit, bool upperCase);
void ConnectWholeNumberFilter(QLineEdit* edit);

} // namespace ui
