#include "ui/Pickers.h"

#include <QFileSystemModel>
#include <algorithm>

#include "machine/file_routines.h"
#include "machine/ui_services.h"
#include "platform/paths.h"
#include "ui/picker_paths.h"
#include "ui/qt_text.h"

namespace ui {

namespace {

// The existing folder a stored path names (matched ignoring case), else its mapped path.
QString NativeFolder(const std::string& stored) {
    std::string native = plat::FindExisting(stored);
    if (native.empty()) native = plat::NativePath(stored);
    return ToQt(native);
}

} // namespace

// ---------------------------------------------------------------- CFolderPicker

CFolderPicker::CFolderPicker(QWidget* owner, const std::string& title, unsigned flags)
    : m_owner(owner), m_title(title), m_flags(flags) {}

CFolderPicker::~CFolderPicker() = default;

void CFolderPicker::SetOwner(QWidget* owner) {
    if (!m_window) m_owner = owner;
}
void CFolderPicker::SetTitle(const std::string& title) {
    if (!m_window) m_title = title;
}
void CFolderPicker::SetFlags(unsigned flags) {
    if (!m_window) m_flags = flags;
}
void CFolderPicker::SetRoot(const std::string& root) {
    if (!m_window) m_root = root;
}
void CFolderPicker::SetInitialPath(const std::string& path) { m_initialPath = path; }
void CFolderPicker::SetInitialSpecialFolder(int csidl) { m_initialSpecial = csidl; }

void CFolderPicker::OnInitialized() {
    if (!m_window) return;
    if (!m_initialPath.empty())
        m_window->setDirectory(NativeFolder(m_initialPath));
    else if (m_initialSpecial == kCsidlDrives)
        m_window->setDirectory(ToQt(plat::DrivesRoot()));
}

void CFolderPicker::OnSelChanged(const std::string&) {}

int CFolderPicker::Browse() {
    QFileDialog dlg(m_owner, ToQt(m_title));
    dlg.setOption(QFileDialog::DontUseNativeDialog, true);
    dlg.setFileMode(QFileDialog::Directory);
    dlg.setOption(QFileDialog::ShowDirsOnly, (m_flags & kBifReturnOnlyFsDirs) != 0);
    dlg.setViewMode(QFileDialog::Detail);
    m_window = &dlg;
    OnInitialized();
    QObject::connect(&dlg, &QFileDialog::currentChanged, &dlg,
                     [this](const QString& p) { OnSelChanged(StoredPathFromNative(FromQt(p))); });
    const int answer = dlg.exec();
    m_window = nullptr;
    if (answer != QDialog::Accepted) return 0;
    const QStringList chosen = dlg.selectedFiles();
    m_path = chosen.isEmpty() ? std::string() : StoredPathFromNative(FromQt(chosen.front()));
    return 1;
}

int BrowseForFolderDlg(QWidget* dialog, std::string& path, const std::string& title) {
    CFolderPicker picker(dialog, title, kBifReturnOnlyFsDirs);
    path = StripTrailingBackslash(path);
    if (!path.empty() && DirectoryExists(path.c_str()))
        picker.SetInitialPath(path);
    else
        picker.SetInitialSpecialFolder(kCsidlDrives);
    if (picker.Browse() == 0) return 0;
    path = picker.Path();
    return 1;
}

// ---------------------------------------------------------------- file dialog

CDetailFileDialog::CDetailFileDialog(QWidget* parent, const QString& directory, const QStringList& nameFilters)
    : QFileDialog(parent, QString(), directory) {
    setOption(QFileDialog::DontUseNativeDialog, true);
    setAcceptMode(QFileDialog::AcceptOpen);
    setFileMode(QFileDialog::ExistingFile);
    setViewMode(QFileDialog::Detail);
    if (!nameFilters.isEmpty()) setNameFilters(nameFilters);
}

int RunFileDialog(const std::string& filter, std::string& folder, const std::string& pattern, std::string& result,
                  const char* title) {
    folder = CombineFolderPattern(folder, pattern);

    std::vector<FileFilter> filters = FileFiltersOf(filter, pattern);
    const std::string native = NativeWildcard(pattern);
    const bool wildcard = pattern.find_first_of("*?") != std::string::npos;
    const auto holdsPattern = [&native](const FileFilter& f) {
        return std::find(f.patterns.begin(), f.patterns.end(), native) != f.patterns.end();
    };
    // The list opens filtered by the pattern, as the initial name asks.
    if (wildcard && std::none_of(filters.begin(), filters.end(), holdsPattern))
        filters.insert(filters.begin(), FileFilter{pattern, {native}});

    const std::string folderPart = FolderOfCombined(folder);
    QStringList shown;
    for (const FileFilter& f : filters) shown << ToQt(f.shown);
    CDetailFileDialog dlg(nullptr, folderPart.empty() ? QString() : NativeFolder(folderPart), shown);
    // The toolkit reads the patterns out of the shown text; the platform's own patterns replace
    // them each time a filter is chosen ("Files ISO (*.*)" lists names without an extension too).
    auto* model = dlg.findChild<QFileSystemModel*>(QStringLiteral("qt_filesystem_model"));
    const auto usePatterns = [model, filters](const QString& chosenFilter) {
        if (model == nullptr) return;
        for (const FileFilter& f : filters)
            if (ToQt(f.shown) == chosenFilter) {
                QStringList patterns;
                for (const std::string& p : f.patterns) patterns << ToQt(p);
                model->setNameFilters(patterns);
                return;
            }
    };
    QObject::connect(&dlg, &QFileDialog::filterSelected, &dlg, usePatterns);
    for (const FileFilter& f : filters)
        if (wildcard && holdsPattern(f)) {
            dlg.selectNameFilter(ToQt(f.shown));
            break;
        }
    usePatterns(dlg.selectedNameFilter());
    if (pattern.size() > 2 && pattern.compare(0, 2, "*.") == 0 && pattern.find_first_of("*?", 2) == std::string::npos)
        dlg.setDefaultSuffix(ToQt(pattern.substr(2)));
    else if (!wildcard && !pattern.empty())
        dlg.selectFile(ToQt(native));
    if (title != nullptr) dlg.setWindowTitle(ToQt(title));

    const int answer = dlg.exec() == QDialog::Accepted ? IDOK : IDCANCEL;
    const QStringList chosen = dlg.selectedFiles();
    if (answer == IDOK && !chosen.isEmpty())
        result = StoredPathFromNative(FromQt(chosen.front()));
    else
        result = folder;
    return answer;
}

} // namespace ui
