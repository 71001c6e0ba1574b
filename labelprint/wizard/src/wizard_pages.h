#pragma once
// The wizard sheet and its three pages: label size and place (MCfgPag), the layout
// (MCfgTmplLay), barcode, picture and text lines (MCfgTempInfoWiz).
#include <QWizard>
#include <QWizardPage>
#include <memory>
#include <string>

#include "dialog_controls.h"
#include "labelprint/layout.h"
#include "sample_label.h"
#include "wizard_logic.h"

class QLineEdit;

namespace labelprint::wizard {

class MCfgPag : public QWizardPage {
public:
    static constexpr int kTemplateId = 6028;
    MCfgPag(MConfigura& cfg, const SampleLabel& samples);
    void initializePage() override;
    bool validatePage() override; // takes the values; refuses a bad length with a message

private:
    struct LengthEntry {
        int id;
        const char* labelKey;
        double MConfigura::*field;
        std::string shown;
    };
    // Shows a refusal under the page and puts the focus on the entry it names.
    void Refuse(int editId, const QString& text);

    MConfigura& cfg_;
    const SampleLabel& samples_;
    Controls controls_;
    LengthEntry lengths_[4];
    int alignment_ = 1;
    bool orientationShown_ = false;
};

class MCfgTmplLay : public QWizardPage {
public:
    static constexpr int kTemplateId = 202;
    static constexpr int kFirstRadio = 1008; // layouts 0 to 7: 1008 to 1015
    MCfgTmplLay(MConfigura& cfg, const SampleLabel& samples);
    void initializePage() override;
    bool validatePage() override;

private:
    MConfigura& cfg_;
    const SampleLabel& samples_;
    Controls controls_;
};

class MCfgTempInfoWiz : public QWizardPage {
public:
    static constexpr int kTemplateId = 20006;
    MCfgTempInfoWiz(MConfigura& cfg, const SampleLabel& samples);
    void initializePage() override;
    bool validatePage() override; // Finish: every value of the page into the layout

    MListaRighe& Labels() { return labels_; }
    MListaRighe& Headers() { return headers_; }
    const Grid& GridNow() const { return grid_; }

private:
    void RedrawPreview();
    void OpenEditor();
    void FollowBarcode();
    // Every value of the page into c.
    void ApplyTo(MConfigura& c);

    MConfigura& cfg_;
    const SampleLabel& samples_;
    Controls controls_;
    bool initialised_ = false;
    Grid grid_;
    MListaRighe labels_;  // working copies
    MListaRighe headers_;
};

class MMainPag : public QWizard {
public:
    // Offers the field names, loads the layout from iniPath and builds the pages.
    MMainPag(MConfigura& cfg, const std::string& iniPath, QWidget* parent = nullptr);

    MCfgPag* SizePage() const { return size_; }
    MCfgTmplLay* LayoutPage() const { return layout_; }
    MCfgTempInfoWiz* InfoPage() const { return info_; }

private:
    SampleLabel samples_;
    MCfgPag* size_;
    MCfgTmplLay* layout_;
    MCfgTempInfoWiz* info_;
};

} // namespace labelprint::wizard
