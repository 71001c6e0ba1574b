#pragma once
// The preferences dialog of the main window (label printing, working directories, switches,
// sort and confirmation types, unit system) and the supervisor log dialog opened from it.
// Both write every setting through the settings record's accessors.
#include <memory>
#include <string>

#include "ui/ResizeDialog.h"

namespace ui {

class ConfigBinder;
class QtBinderForm;

// Control ids of the preferences dialog.
namespace opt {
constexpr int kLabelPrint = 196;
constexpr int kNoShort = 436;
constexpr int kDirLda = 152, kDirIso = 167, kDirUten = 153, kDirDxf = 404, kDirVlk = 405;
constexpr int kBrowseLda = 172, kBrowseIso = 173, kBrowseUten = 174, kBrowseDxf = 175, kBrowseVlk = 176;
constexpr int kChangeRalla = 182;
constexpr int kChangeRip = 171;
constexpr int kTypeOttim = 168;
constexpr int kTypeExec = 161;
constexpr int kTipoSelez = 180;
constexpr int kBcFamily = 156;
constexpr int kMillimetres = 164, kInches = 165;
constexpr int kSupervisor = 170;
constexpr int kTestAutoConfirm = 177, kTestHidePopups = 178;
} // namespace opt

// Control ids of the supervisor dialog.
namespace sup {
constexpr int kLogOn = 186;
constexpr int kDaily = 188, kMonthly = 189;
constexpr int kMachineName = 191;
constexpr int kDirLog = 187;
constexpr int kBrowse = 194;
constexpr int kPort = 192;
} // namespace sup

// A typed directory as it is stored: blanks around it removed, a final backslash added.
std::string NormaliseDirectory(const std::string& typed);
// Whether a stored directory leaves room in a 260-character path for a file name of
// fileNameChars characters (the refusal test of the directory entries).
bool DirectoryFits(const std::string& dir, int fileNameChars);

class COptionDialog : public CResizeDialog {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 179;
    explicit COptionDialog(QWidget* parent);
    ~COptionDialog() override;

    void OnInitDialog() override;

public slots:
    void OnOK();
    void OnCancel();
    void reject() override { OnCancel(); }

private:
    void OnLabelPrintClicked();
    void OnBrowse(int editId, int labelId);
    void OnSupervisor();
    void OnSelezChanged();
    bool CheckDirectories();

    std::unique_ptr<QtBinderForm> m_form;
    std::unique_ptr<ConfigBinder> m_binder;
    bool m_labelPrint = false;   // the states shown at initialisation
    bool m_noShort = false;
};

class CSupervisorDialog : public CResizeDialog {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 183;
    explicit CSupervisorDialog(QWidget* parent);

    void OnInitDialog() override;

public slots:
    void OnOK();
    void OnCancel();
    void reject() override { OnCancel(); }

private:
    void OnLogOnClicked();
};

} // namespace ui
