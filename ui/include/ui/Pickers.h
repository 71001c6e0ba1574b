#pragma once
// Folder and file pickers: Qt file dialogs (the file list in its details view), with paths
// going in and out in the system's stored form ("C:\UVEN\LAV", see picker_paths.h).
#include <QFileDialog>
#include <QPointer>
#include <string>

namespace ui {

// Special folder of the initial selection: the computer's drives (the drives root here).
constexpr int kCsidlDrives = 17;
// Browse flag: file-system folders only (the only kind the pickers offer).
constexpr unsigned kBifReturnOnlyFsDirs = 0x0001;

class CFolderPicker {
public:
    CFolderPicker(QWidget* owner, const std::string& title, unsigned flags = kBifReturnOnlyFsDirs);
    virtual ~CFolderPicker();
    CFolderPicker(const CFolderPicker&) = delete;
    CFolderPicker& operator=(const CFolderPicker&) = delete;

    // Ignored while the browse window is shown.
    void SetOwner(QWidget* owner);
    void SetTitle(const std::string& title);
    void SetFlags(unsigned flags);
    void SetRoot(const std::string& root);

    // Initial selection: a path (precedes) or a special folder.
    void SetInitialPath(const std::string& path);
    void SetInitialSpecialFolder(int csidl);

    // Shows the picker; 1 when a folder was chosen (Path() holds it), 0 when cancelled.
    int Browse();
    const std::string& Path() const { return m_path; }
    QFileDialog* BrowseWindow() const { return m_window; }

protected:
    // Called once the browse window exists: selects the initial path or special folder.
    virtual void OnInitialized();
    // Called when the selection changes (stored path form); does nothing here.
    virtual void OnSelChanged(const std::string& path);

private:
    QPointer<QWidget> m_owner;
    std::string m_title;
    unsigned m_flags;
    std::string m_root;
    std::string m_initialPath;
    int m_initialSpecial = -1;
    std::string m_path;
    QPointer<QFileDialog> m_window;
};

// Folder picker over dialog; path in and out. One trailing backslash is removed from path
// first (also when the user cancels). Opens on path when it names a folder, else on the
// drives. Returns non-zero when a folder was chosen (path then holds it, no trailing
// backslash except for a drive root).
int BrowseForFolderDlg(QWidget* dialog, std::string& path, const std::string& title);

// Open-file dialog showing the file list in its details view.
class CDetailFileDialog : public QFileDialog {
    Q_OBJECT
public:
    CDetailFileDialog(QWidget* parent, const QString& directory, const QStringList& nameFilters);
};

// Open-file dialog. folder becomes folder + '\' (when missing) + pattern, and so it stays;
// filter is "description|pattern|...||". result receives the chosen file, or the combined
// text when cancelled. title may be null. Returns IDOK (1) or IDCANCEL (2).
int RunFileDialog(const std::string& filter, std::string& folder, const std::string& pattern, std::string& result,
                  const char* title);

} // namespace ui
