#pragma once
// The one-field input box and the two-level password prompt. Both are modal, start hidden
// behind the show gate, and are scaled and centred over the main window before they show.
#include <cstdint>
#include <string>

#include "ui/ResizeDialog.h"
#include "ui/input_checks.h"

class QLineEdit;

namespace ui {

// Filter modes of the input box's entry.
constexpr int kInputFilterText = 1;     // text, cut to the buffer size, upper-cased
constexpr int kInputFilterReal = 3;     // decimal number, minus sign allowed
constexpr int kInputFilterInteger = 4;  // whole number, no minus sign

// Control ids of the two dialogs.
constexpr int kIdEntry = 133;
constexpr int kIdPrompt = 282;
constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;

class CInputDialog : public CResizeDialog {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 281;

    // text is the caller's text, in and out; bufferSize the size of the caller's field in
    // bytes (the entry keeps at most bufferSize - 1 characters; 0 or less: no limit).
    // With lengthConversion the text holds millimetres and the entry shows display units.
    // exec() gives IDOK (text holds the accepted entry) or IDCANCEL.
    CInputDialog(QWidget* parent, const std::string& title, const std::string& prompt, std::string& text,
                 int bufferSize, int filterMode, bool lengthConversion, bool numericCheck, int32_t minimum,
                 int32_t maximum);

    void OnInitDialog() override;
    QLineEdit* Entry() const;

public slots:
    void OnOK();
    void OnCancel();
    void reject() override { OnCancel(); }

private:
    void OnEntryChanged();

    std::string m_title;
    std::string m_prompt;
    std::string* m_text;
    int m_bufferSize;
    int m_filterMode;
    bool m_lengthConversion;
    bool m_numericCheck;
    int32_t m_minimum;
    int32_t m_maximum;
};

class CPasswordDialog : public CResizeDialog {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 134;

    // exec() gives kPasswordLevel2 (136), kPasswordLevel1 (135) or IDCANCEL (2).
    CPasswordDialog(QWidget* parent, const std::string& level1, const std::string& level2);

    void OnInitDialog() override;
    QLineEdit* Entry() const;

public slots:
    void OnOK();
    void OnCancel();
    void reject() override { OnCancel(); }

private:
    std::string m_level1;
    std::string m_level2;
};

// Centres a dialog over the main window (its parent's top-level window, else the active
// window, else the primary screen).
void CentreOverMainWindow(QWidget* dialog);

} // namespace ui
