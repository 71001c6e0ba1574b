#include "ui/ConfigBinder.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QWidget>
#include <cstdlib>
#include <string_view>

#include "machine/ini_routines.h"
#include "platform/text.h"
#include "ui/EditFilters.h"
#include "ui/qt_text.h"

namespace ui {

namespace {

// Longest text a read without a field size keeps: a stored path.
constexpr std::size_t kDefaultTextChars = 259;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A whole decimal number in the C locale: optional leading minus, digits, and for reals one
// point; nothing else (no blanks, exponents, "inf" or "nan").
bool ParseNumber(std::string_view text, bool real, double& value) {
    std::size_t i = 0;
    if (i < text.size() && text[i] == '-') ++i;
    bool digits = false;
    bool point = false;
    for (; i < text.size(); ++i) {
        if (IsDigit(text[i])) {
            digits = true;
        } else if (real && text[i] == '.' && !point) {
            point = true;
        } else {
            return false;
        }
    }
    return digits && plat::ParseDouble(text, value);
}

bool IsEdit(BindKind kind) { return kind == BindKind::Text || kind == BindKind::Int || kind == BindKind::Real; }

} // namespace

ConfigBinder::ConfigBinder(BinderForm& form, std::string file, std::vector<Binding> bindings)
    : m_form(form), m_file(std::move(file)), m_bindings(std::move(bindings)), m_loaded(m_bindings.size()) {}

std::string ConfigBinder::ReadStored(const Binding& b) const {
    if (b.read) return b.read();
    const char* file = m_file.c_str();
    switch (b.kind) {
    case BindKind::Text: {
        const std::size_t chars = b.limit > 0 ? static_cast<std::size_t>(b.limit - 1) : kDefaultTextChars;
        return ReadIniString(b.section.c_str(), b.key.c_str(), b.defaultValue.c_str(), chars, file);
    }
    case BindKind::Real: {
        double def = 0;
        if (!ParseNumber(b.defaultValue, true, def)) def = 0;
        return plat::StrFormatC("%.2f", ReadIniDouble(b.section.c_str(), b.key.c_str(), def, file));
    }
    case BindKind::Int:
    case BindKind::Check:
    case BindKind::ComboIndex: {
        const int32_t def = static_cast<int32_t>(std::strtol(b.defaultValue.c_str(), nullptr, 10));
        return plat::StrFormatC("%d", static_cast<int>(ReadIniInt(b.section.c_str(), b.key.c_str(), def, file)));
    }
    }
    return std::string();
}

void ConfigBinder::Show(const Binding& b, const std::string& stored) {
    switch (b.kind) {
    case BindKind::Text:
    case BindKind::Int:
        m_form.SetText(b.controlId, stored);
        break;
    case BindKind::Real: {
        double v = 0;
        m_form.SetText(b.controlId, ParseNumber(stored, true, v) ? plat::StrFormatC("%.2f", v) : stored);
        break;
    }
    case BindKind::Check:
        m_form.SetIndex(b.controlId, std::strtol(stored.c_str(), nullptr, 10) != 0 ? 1 : 0);
        break;
    case BindKind::ComboIndex: {
        int index = -1;
        if (b.values.empty()) {
            char* end = nullptr;
            const long v = std::strtol(stored.c_str(), &end, 10);
            if (end != stored.c_str() && v >= 0 && v < 100000) index = static_cast<int>(v);
        } else {
            for (std::size_t i = 0; i < b.values.size(); ++i)
                if (b.values[i] == stored) index = static_cast<int>(i);
        }
        m_form.SetIndex(b.controlId, index);
        break;
    }
    }
}

std::string ConfigBinder::Shown(const Binding& b) const {
    if (IsEdit(b.kind)) return m_form.Text(b.controlId);
    return plat::StrFormatC("%d", m_form.Index(b.controlId));
}

std::string ConfigBinder::ToStored(const Binding& b, const std::string& shown) const {
    double v = 0;
    switch (b.kind) {
    case BindKind::Text:
        return shown;
    case BindKind::Int:
        return ParseNumber(shown, false, v) && v >= -2147483648.0 && v <= 2147483647.0
                   ? plat::StrFormatC("%d", static_cast<int>(v))
                   : shown;
    case BindKind::Real:
        return ParseNumber(shown, true, v) ? plat::StrFormatC("%.2f", v) : shown;
    case BindKind::Check:
        return shown == "0" ? "0" : "1";
    case BindKind::ComboIndex: {
        const long index = std::strtol(shown.c_str(), nullptr, 10);
        if (index < 0) return std::string();
        if (b.values.empty()) return shown;
        return static_cast<std::size_t>(index) < b.values.size() ? b.values[static_cast<std::size_t>(index)]
                                                                 : std::string();
    }
    }
    return shown;
}

void ConfigBinder::Load() {
    for (std::size_t i = 0; i < m_bindings.size(); ++i) {
        Show(m_bindings[i], ReadStored(m_bindings[i]));
        m_loaded[i] = Shown(m_bindings[i]);
    }
}

BindCheck ConfigBinder::Validate() const {
    for (std::size_t i = 0; i < m_bindings.size(); ++i) {
        const Binding& b = m_bindings[i];
        BindCheck check;
        check.index = static_cast<int>(i);
        check.controlId = b.controlId;
        const std::string shown = Shown(b);
        if (b.kind == BindKind::Int || b.kind == BindKind::Real) {
            double v = 0;
            if (!ParseNumber(shown, b.kind == BindKind::Real, v)) {
                check.result = BindCheck::Syntax;
                return check;
            }
            if (b.minimum < b.maximum && (v < b.minimum || v > b.maximum)) {
                check.result = BindCheck::Limit;
                return check;
            }
        } else if (b.kind == BindKind::Text && b.maximum > 0 && static_cast<double>(shown.size()) > b.maximum) {
            check.result = BindCheck::Limit;
            return check;
        }
    }
    return BindCheck{};
}

bool ConfigBinder::Save() {
    bool ok = true;
    for (std::size_t i = 0; i < m_bindings.size(); ++i) {
        const Binding& b = m_bindings[i];
        const std::string shown = Shown(b);
        if (b.kind == BindKind::ComboIndex && std::strtol(shown.c_str(), nullptr, 10) < 0) continue;
        const std::string stored = ToStored(b, shown);
        if (b.kind == BindKind::ComboIndex && stored.empty()) continue;
        if (b.write)
            b.write(stored);
        else if (!WriteIniString(b.section.c_str(), b.key.c_str(), stored.c_str(), m_file.c_str()))
            ok = false;
        m_loaded[i] = shown;
    }
    return ok;
}

const Binding* ConfigBinder::Find(int controlId, std::size_t* pos) const {
    for (std::size_t i = 0; i < m_bindings.size(); ++i) {
        if (m_bindings[i].controlId == controlId) {
            if (pos != nullptr) *pos = i;
            return &m_bindings[i];
        }
    }
    return nullptr;
}

bool ConfigBinder::HasChanged() const {
    for (std::size_t i = 0; i < m_bindings.size(); ++i)
        if (Shown(m_bindings[i]) != m_loaded[i]) return true;
    return false;
}

bool ConfigBinder::HasChanged(int controlId) const {
    std::size_t pos = 0;
    const Binding* b = Find(controlId, &pos);
    return b != nullptr && Shown(*b) != m_loaded[pos];
}

std::string ConfigBinder::Current(int controlId) const {
    const Binding* b = Find(controlId, nullptr);
    return b != nullptr ? ToStored(*b, Shown(*b)) : std::string();
}

std::string ConfigBinder::Loaded(int controlId) const {
    std::size_t pos = 0;
    const Binding* b = Find(controlId, &pos);
    return b != nullptr ? ToStored(*b, m_loaded[pos]) : std::string();
}

// ---- the Qt form ----

namespace {
QWidget* FindControl(QWidget* dialog, int controlId) {
    if (dialog == nullptr) return nullptr;
    return dialog->findChild<QWidget*>(QStringLiteral("id_%1").arg(controlId));
}
} // namespace

std::string QtBinderForm::Text(int controlId) const {
    if (auto* edit = qobject_cast<QLineEdit*>(FindControl(m_dialog, controlId))) return FromQt(edit->text());
    return std::string();
}

void QtBinderForm::SetText(int controlId, const std::string& text) {
    if (auto* edit = qobject_cast<QLineEdit*>(FindControl(m_dialog, controlId))) {
        const QSignalBlocker block(edit);
        edit->setText(ToQt(text));
        edit->setModified(false);
    }
}

int QtBinderForm::Index(int controlId) const {
    QWidget* w = FindControl(m_dialog, controlId);
    if (auto* combo = qobject_cast<QComboBox*>(w)) return combo->currentIndex();
    if (auto* button = qobject_cast<QAbstractButton*>(w)) return button->isChecked() ? 1 : 0;
    return -1;
}

void QtBinderForm::SetIndex(int controlId, int index) {
    QWidget* w = FindControl(m_dialog, controlId);
    if (auto* combo = qobject_cast<QComboBox*>(w)) {
        const QSignalBlocker block(combo);
        combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
    } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        const QSignalBlocker block(button);
        button->setChecked(index != 0);
    }
}

void ConnectBinderFilters(QWidget* dialog, const ConfigBinder& binder) {
    for (const Binding& b : binder.Bindings()) {
        auto* edit = qobject_cast<QLineEdit*>(FindControl(dialog, b.controlId));
        if (edit == nullptr) continue;
        const int limit = b.limit > 0 ? b.limit : -1;
        switch (b.filter) {
        case BindFilter::None: break;
        case BindFilter::Text: ConnectTextFilter(edit, limit, false); break;
        case BindFilter::UpperText: ConnectTextFilter(edit, limit, true); break;
        // A whole number keeps a typed point and minus for the check on OK to refuse.
        case BindFilter::Integer:
        case BindFilter::SignedInteger: ConnectWholeNumberFilter(edit); break;
        case BindFilter::Real: ConnectRealFilter(edit, false); break;
        case BindFilter::SignedReal: ConnectRealFilter(edit, true); break;
        }
    }
}

} // namespace ui
