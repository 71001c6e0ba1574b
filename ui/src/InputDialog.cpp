#include "ui/InputDialog.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <algorithm>
#include <cstring>

#include "machine/number_entry.h"
#include "machine/settings_support.h"
#include "machine/ui_services.h"
#include "machine/units.h"
#include "machine/window_scale.h"
#include "ui/EditFilters.h"
#include "ui/qt_text.h"

namespace ui {

namespace {

// A display-text conversion on a copy of the text in a buffer of the converter's own size,
// so a conversion that lengthens the text never writes past the caller's field.
std::string Convert(const std::string& text, char* (*convert)(char*)) {
    char buffer[kDisplayTextSize] = {};
    std::strncpy(buffer, text.c_str(), kDisplayTextSize - 1);
    convert(buffer);
    return std::string(buffer);
}

// A refused entry: the reason and, for a number out of its range or not whole, the range the
// entry takes (in the display unit when the entry is a length).
void Refuse(const char* reasonKey, bool lengthConversion, int32_t minimum, int32_t maximum) {
    std::string text = MsgError(reasonKey);
    const bool inches = lengthConversion && GetUnitSystem() == kUnitInches;
    const char* unit = lengthConversion ? (inches ? "P_IN" : "P_MM") : nullptr;
    text += "\n" + RangeText(minimum, maximum, unit, inches);
    ShowBox("T_ERRORE", text, BoxButtons::Ok, BoxIcon::Warning);
}

void SetButtonText(CResizeDialog* dlg, int id, const char* key) {
    if (auto* b = qobject_cast<QPushButton*>(dlg->Control(id))) b->setText(ToQt(MsgString(key)));
}

} // namespace

void CentreOverMainWindow(QWidget* dialog) {
    QWidget* main = dialog->parentWidget() != nullptr ? dialog->parentWidget()->window() : QApplication::activeWindow();
    if (main == dialog) main = nullptr;
    QRect ref;
    if (main != nullptr)
        ref = main->frameGeometry();
    else if (QScreen* screen = QGuiApplication::primaryScreen())
        ref = screen->availableGeometry();
    else
        return;
    const WinRect reference{ref.left(), ref.top(), ref.left() + ref.width(), ref.top() + ref.height()};
    const QRect g = dialog->geometry();
    WinRect window{g.left(), g.top(), g.left() + g.width(), g.top() + g.height()};
    if (!PlaceOverWindow(reference, window, 2)) return;
    // Centred over the main window, and wholly on the screen.
    window = KeepOnScreen(window, ScreenWidth(), ScreenHeight());
    dialog->setGeometry(window.left, window.top, window.Width(), window.Height());
}

// ---------------------------------------------------------------- CInputDialog

CInputDialog::CInputDialog(QWidget* parent, const std::string& title, const std::string& prompt, std::string& text,
                           int bufferSize, int filterMode, bool lengthConversion, bool numericCheck, int32_t minimum,
                           int32_t maximum)
    : CResizeDialog(parent), m_title(title), m_prompt(prompt), m_text(&text), m_bufferSize(bufferSize),
      m_filterMode(filterMode), m_lengthConversion(lengthConversion), m_numericCheck(numericCheck),
      m_minimum(minimum), m_maximum(maximum) {
    BuildControls(330, 132,
                  {
                      {kIdPrompt, ControlKind::Static, 14, 6, 302, 40, ""},
                      {kIdEntry, ControlKind::Edit, 14, 52, 302, 26, ""},
                      {kIdOk, ControlKind::DefPushButton, 75, 92, 84, 28, "B_OK"},
                      {kIdCancel, ControlKind::PushButton, 171, 92, 84, 28, "B_ANNULLA"},
                  });
    // A prompt longer than the dialog is wide takes a second line above the entry.
    if (auto* prompt = qobject_cast<QLabel*>(Control(kIdPrompt))) {
        prompt->setWordWrap(true);
        prompt->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
    }
    setModal(true);
    EnableShowGate();
    connect(qobject_cast<QPushButton*>(Control(kIdOk)), &QPushButton::clicked, this, &CInputDialog::OnOK);
    connect(qobject_cast<QPushButton*>(Control(kIdCancel)), &QPushButton::clicked, this, &CInputDialog::OnCancel);
    ConnectEditFilter(Entry(), [this](QLineEdit*) { OnEntryChanged(); });
    // Typing stops where the caller's field ends: what the entry shows is what OK takes.
    if (m_bufferSize > 1 && !m_lengthConversion) Entry()->setMaxLength(m_bufferSize - 1);
}

QLineEdit* CInputDialog::Entry() const { return qobject_cast<QLineEdit*>(Control(kIdEntry)); }

void CInputDialog::OnInitDialog() {
    CResizeDialog::OnInitDialog();
    setWindowTitle(ToQt(m_title));
    if (auto* prompt = qobject_cast<QLabel*>(Control(kIdPrompt))) prompt->setText(ToQt(m_prompt));
    SetButtonText(this, kIdOk, "B_OK");
    SetButtonText(this, kIdCancel, "B_ANNULLA");
    if (m_lengthConversion) *m_text = Convert(*m_text, MetricTextForDisplay);
    Entry()->setText(ToQt(*m_text));
    Entry()->selectAll();
    Entry()->setFocus();
    ScaleToScreen();
    CentreOverMainWindow(this);
    OpenShowGate();
}

void CInputDialog::OnEntryChanged() {
    switch (m_filterMode) {
    case kInputFilterText: FilterTextEdit(Entry(), m_bufferSize > 0 ? m_bufferSize : -1, true); break;
    case kInputFilterReal: FilterRealEdit(Entry(), true); break;
    // A whole number keeps a typed point and minus for OK to refuse (never 2.5 as 25).
    case kInputFilterInteger: FilterWholeNumberEdit(Entry()); break;
    default: break;
    }
}

void CInputDialog::OnOK() {
    std::string typed = FromQt(Entry()->text());
    if (m_bufferSize > 0 && typed.size() > static_cast<size_t>(m_bufferSize - 1))
        typed.resize(static_cast<size_t>(m_bufferSize - 1));
    *m_text = typed;
    if (typed.empty()) {
        ShowBox("T_ERRORE", MsgError("ERR_SYNTAX"), BoxButtons::Ok, BoxIcon::Warning);
        return;
    }
    if (m_lengthConversion) *m_text = Convert(*m_text, DisplayTextToMetric);
    if (m_filterMode == kInputFilterInteger) {
        // A whole number, never negative (the mode takes no minus sign), within the range when
        // the numeric check asks for one.
        const int32_t low = m_numericCheck ? std::max<int32_t>(m_minimum, 0) : 0;
        const int32_t high = m_numericCheck ? m_maximum : INT32_MAX;
        switch (CheckWholeEntry(*m_text, low, high)) {
        case WholeEntry::Ok: done(IDOK); return;
        case WholeEntry::Syntax: Refuse("ERR_SYNTAX", false, low, high); return;
        case WholeEntry::NotWhole: Refuse("WHOLE_NUMBER_ERROR", false, low, high); return;
        case WholeEntry::Limit: Refuse("ERR_LIMIT", false, low, high); return;
        }
    }
    switch (CheckInputText(*m_text, m_numericCheck, m_minimum, m_maximum)) {
    case InputCheck::Ok: done(IDOK); return;
    case InputCheck::Syntax: ShowBox("T_ERRORE", MsgError("ERR_SYNTAX"), BoxButtons::Ok, BoxIcon::Warning); return;
    case InputCheck::Limit: Refuse("ERR_LIMIT", m_lengthConversion, m_minimum, m_maximum); return;
    }
}

void CInputDialog::OnCancel() { done(IDCANCEL); }

// ---------------------------------------------------------------- CPasswordDialog

CPasswordDialog::CPasswordDialog(QWidget* parent, const std::string& level1, const std::string& level2)
    : CResizeDialog(parent), m_level1(level1), m_level2(level2) {
    BuildControls(280, 96,
                  {
                      {kIdEntry, ControlKind::Edit, 14, 16, 252, 26, ""},
                      {kIdOk, ControlKind::DefPushButton, 50, 56, 84, 28, "B_OK"},
                      {kIdCancel, ControlKind::PushButton, 146, 56, 84, 28, "B_ANNULLA"},
                  });
    Entry()->setEchoMode(QLineEdit::Password);
    setModal(true);
    EnableShowGate();
    connect(qobject_cast<QPushButton*>(Control(kIdOk)), &QPushButton::clicked, this, &CPasswordDialog::OnOK);
    connect(qobject_cast<QPushButton*>(Control(kIdCancel)), &QPushButton::clicked, this, &CPasswordDialog::OnCancel);
}

QLineEdit* CPasswordDialog::Entry() const { return qobject_cast<QLineEdit*>(Control(kIdEntry)); }

void CPasswordDialog::OnInitDialog() {
    CResizeDialog::OnInitDialog();
    setWindowTitle(ToQt(MsgString("T_PASSWORD")));
    SetButtonText(this, kIdOk, "B_OK");
    SetButtonText(this, kIdCancel, "B_ANNULLA");
    Entry()->setFocus();
    ScaleToScreen();
    CentreOverMainWindow(this);
    OpenShowGate();
}

void CPasswordDialog::OnOK() {
    const int level = PasswordLevel(FromQt(Entry()->text()), m_level1, m_level2);
    if (level != 0) {
        done(level);
        return;
    }
    ShowBox("T_ERRORE", MsgString("M_WRONG_PASS"), BoxButtons::Ok, BoxIcon::Warning);
    Entry()->clear();
    Entry()->setFocus();
}

void CPasswordDialog::OnCancel() { done(IDCANCEL); }

} // namespace ui
