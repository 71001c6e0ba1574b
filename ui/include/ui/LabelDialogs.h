#pragma once
// The two label settings dialogs of section LABEL of "CONFIG.PAR": the layout of the label of
// the directly driven printer (CParLabelDialog) and the label content of the "PRN" printer
// kind (CParEtichetteDialog).
#include <memory>
#include <string>
#include <vector>

#include "ui/ResizeDialog.h"

namespace ui {

class ConfigBinder;
class QtBinderForm;

// The twelve field types of every type and information list, in stored order: the texts of
// C_NIENTE .. C_ANGOLI, then the text of C_ADDINFO followed by 1 .. 4. Each is at most
// 99 characters.
std::vector<std::string> LabelFieldNames();

// Control ids of CParLabelDialog.
namespace lab {
constexpr int kHeadType = 232;
constexpr int kHeadText = 206;
constexpr int kLenStr = 234;
constexpr int kBcType = 156;
constexpr int kBcHeight = 243;
constexpr int kHeadFont = 239;
constexpr int kFont = 241;
constexpr int kFirstStr = 207;    // 207..214: caption text of lines 1..8
constexpr int kFirstType = 223;   // 223..230: field type of lines 1..8
} // namespace lab

// Control ids of CParEtichetteDialog.
namespace eti {
constexpr int kBarcode1 = 1146;
constexpr int kBarcode2 = 1261;
constexpr int kFirstHead = 207;   // 207..210: heading lines 1..4
constexpr int kFirstInfo = 1167;  // 1167..1170: information fields 1..4
} // namespace eti

class CParLabelDialog : public CResizeDialog {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 195;
    explicit CParLabelDialog(QWidget* parent);
    ~CParLabelDialog() override;

    void OnInitDialog() override;

public slots:
    void OnOK();
    void OnCancel();
    void reject() override { OnCancel(); }

private:
    void OnHeadTypeChanged();
    void OnBarcodeTypeChanged();

    std::unique_ptr<QtBinderForm> m_form;
    std::unique_ptr<ConfigBinder> m_binder;
};

class CParEtichetteDialog : public CResizeDialog {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 513;
    explicit CParEtichetteDialog(QWidget* parent);
    ~CParEtichetteDialog() override;

    void OnInitDialog() override;

public slots:
    void OnOK();
    void OnCancel();
    void reject() override { OnCancel(); }

private:
    std::unique_ptr<QtBinderForm> m_form;
    std::unique_ptr<ConfigBinder> m_binder;
};

} // namespace ui
