#pragma once
// The settings binder of the one-by-one settings dialogs: a list of bindings, each tying one
// control of a dialog to one INI key, loaded into the form, checked and saved in list order
// (the list order is the order in which the keys are written), with change tracking against
// what was loaded. Dialogs with rules of their own (immediate writes, notices, dependent
// controls) call the binder and keep those rules beside it.
//
// The binder sees the dialog only through BinderForm, so its logic runs without a window;
// QtBinderForm is the form of a dialog whose controls are named "id_<n>".
#include <functional>
#include <utility>
#include <string>
#include <vector>

class QWidget;

namespace ui {

// How a value is shown and stored.
enum class BindKind {
    Text,        // edit; stored as typed
    Int,         // edit; stored as decimal text
    Real,        // edit; stored with "%.2f" (a length in millimetres), shown the same way
    Check,       // check box; stored 0 or 1 (any non-zero value ticks it)
    ComboIndex,  // combo box; stored as the item's index, or as values[index] when values are given
};

// Typing filter of an edit, run on every change the user makes.
enum class BindFilter {
    None,
    Text,          // cut to limit - 1 characters
    UpperText,     // cut to limit - 1 characters and upper-cased
    Integer,       // a whole number: digits, and a point or leading minus kept for the check
    SignedInteger, // to refuse (FilterWholeNumberEdit)
    Real,          // digits and one point
    SignedReal,    // digits, one point, a leading minus
};

// One row of a binder's list. Built as Binding(id, section, key, kind, default) and refined
// with the setters below, e.g. Binding(206, "LABEL", "STR_HEAD", BindKind::Text).Filter(BindFilter::UpperText, 21).
struct Binding {
    Binding() = default;
    Binding(int id, std::string sec, std::string k, BindKind bindKind, std::string def = "0")
        : controlId(id), section(std::move(sec)), key(std::move(k)), kind(bindKind), defaultValue(std::move(def)) {}
    Binding& Filter(BindFilter f, int fieldSize = 0) { filter = f; limit = fieldSize; return *this; }
    Binding& Size(int fieldSize) { limit = fieldSize; return *this; }
    Binding& Range(double lo, double hi) { minimum = lo; maximum = hi; return *this; }
    Binding& MaxLength(int chars) { maximum = chars; return *this; }
    Binding& Values(std::vector<std::string> v) { values = std::move(v); return *this; }
    Binding& Read(std::function<std::string()> f) { read = std::move(f); return *this; }
    Binding& Write(std::function<void(const std::string&)> f) { write = std::move(f); return *this; }

    int controlId = 0;
    std::string section;
    std::string key;
    BindKind kind = BindKind::Text;
    std::string defaultValue;          // value of a missing key, as the file would hold it
    BindFilter filter = BindFilter::None;
    int limit = 0;                     // Text: size of the field with its terminator (typing keeps
                                       // limit - 1 characters, a read is cut to as many); 0 none
    double minimum = 0;                // Int, Real: the range Validate checks when minimum < maximum;
    double maximum = 0;                // Text: the longest text Validate accepts when maximum > 0
    std::vector<std::string> values;   // ComboIndex: the stored value of each item
    // Optional replacements of the INI read and write (for values kept in a settings record or
    // written through an accessor with side effects). read gives the stored text.
    std::function<std::string()> read;
    std::function<void(const std::string&)> write;
};

// What the binder needs of a dialog. Text: an edit's text. Index: a combo box's selection
// (-1 none) or a check box's state (0 or 1). Setting a value never counts as a user change.
class BinderForm {
public:
    virtual ~BinderForm() = default;
    virtual std::string Text(int controlId) const = 0;
    virtual void SetText(int controlId, const std::string& text) = 0;
    virtual int Index(int controlId) const = 0;
    virtual void SetIndex(int controlId, int index) = 0;
};

// Result of Validate: the first binding that failed (-1 when all passed).
struct BindCheck {
    enum Result { Ok, Syntax, Limit };
    Result result = Ok;
    int index = -1;       // position in the list
    int controlId = 0;
    explicit operator bool() const { return result == Ok; }
};

class ConfigBinder {
public:
    // file: the INI file of the bindings without their own read and write (Windows-style or
    // native path).
    ConfigBinder(BinderForm& form, std::string file, std::vector<Binding> bindings);

    const std::vector<Binding>& Bindings() const { return m_bindings; }
    const std::string& File() const { return m_file; }

    // Reads every value and shows it; what is shown becomes the unchanged state.
    void Load();
    // Checks the form's values in list order and stops at the first failure: Int and Real must
    // be whole numbers (an empty entry is a syntax error), within their range when one is
    // given; Text no longer than its maximum.
    BindCheck Validate() const;
    // Writes every value in list order (a combo box without selection writes nothing); what is
    // shown becomes the unchanged state. False when a write failed (the rest are still written).
    bool Save();

    // Whether any value, or the value of one control, differs from what was loaded.
    bool HasChanged() const;
    bool HasChanged(int controlId) const;

    // The value a control would store now, and the value loaded for it (stored form).
    std::string Current(int controlId) const;
    std::string Loaded(int controlId) const;

private:
    const Binding* Find(int controlId, std::size_t* pos) const;
    std::string ReadStored(const Binding& b) const;
    void Show(const Binding& b, const std::string& stored);
    std::string Shown(const Binding& b) const;   // the form's value: text, or index as text
    std::string ToStored(const Binding& b, const std::string& shown) const;

    BinderForm& m_form;
    std::string m_file;
    std::vector<Binding> m_bindings;
    std::vector<std::string> m_loaded;   // what Load showed, in the form's terms
};

// The form of a dialog whose controls are children named "id_<n>": QLineEdit (text),
// QComboBox (selection) and QAbstractButton (checked state). Missing controls read as empty.
class QtBinderForm : public BinderForm {
public:
    explicit QtBinderForm(QWidget* dialog) : m_dialog(dialog) {}
    std::string Text(int controlId) const override;
    void SetText(int controlId, const std::string& text) override;
    int Index(int controlId) const override;
    void SetIndex(int controlId, int index) override;

private:
    QWidget* m_dialog;
};

// Connects the typing filter of every binding whose control is an edit of dialog.
void ConnectBinderFilters(QWidget* dialog, const ConfigBinder& binder);

} // namespace ui
