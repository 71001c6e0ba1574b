// Every entry of the menu bar and the tool bar, walked as the operator walks them on each demo
// configuration: an entry either opens its window (answered by cancelling it, the configuration
// entries after the password) or is disabled by its rule. With BRELON_GRAB_DIR set, every window is grabbed there for a look.
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <functional>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "app/app_ids.h"
#include "app/config_commands.h"
#include "app/main_frame.h"
#include "app/qt_ui_services.h"
#include "app_fixture.h"
#include "machine/globals.h"
#include "machine/params.h"
#pragma push_macro("slots")
#undef slots
#include "machine/path_table.h"
#pragma pop_macro("slots")
#include "machine/settings.h"
#include "machine/settings_support.h"
#include "machine/ui_services.h"
#include "machine/window_scale.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "test_support/qt_modal.h"
#include "ui/InputDialog.h"
#include "machine/tool_table.h"
#include "ui/ParProfDialog.h"
#include "ui/ToolTableDialogs.h"
#include "ui/tool_table_model.h"
#include "ui/param_dialog_tables.h"

namespace fs = std::filesystem;

namespace {

// A demo configuration: its folder, the office machine description that makes its variant
// with or without the machine options of the extractor axis and the support vices, and the
// label output mode (PARAM CONF_FILE_OTT) that routes the label settings.
struct Installation {
    const char* conf;
    int variant;
    int options; // ASSEC and MORSE_SUPP
    int labelMode;
};
const Installation kInstallations[] = {
    {"CONF-V0", 0, 0, 0},
    {"CONF", 1, 0, 2},
    {"CONF", 1, 1, 1},
    {"CONF-V2", 2, 0, 2},
};

// What an entry does on each installation of kInstallations: the window it opens (the
// dialog's object name, or its class when it has none), "" when disabled by its rule.
struct Entry {
    int id;
    const char* window[std::size(kInstallations)];
};
constexpr const char* kOff = "";
const Entry kEntries[] = {
    {ID_OPEN_LIST, {"QFileDialog", "QFileDialog", "QFileDialog", "QFileDialog"}},
    {ID_OPEN_ISO, {"QFileDialog", "QFileDialog", "QFileDialog", "QFileDialog"}},
    {ID_TOOLS, {"CToolDialog", "CToolDialog", "CToolDialog", "CToolDialog"}},
    {ID_PAR_FRESA, {"CParFresaDialog", "CParFresaDialog", "CParFresaDialog", "CParFresaDialog"}},
    {ID_PAR_TRONCA, {"CParTroncaDialog", "CParTroncaDialog", "CParTroncaDialog", "CParTroncaDialog"}},
    {ID_PROFILO, {"CParProfDialog", "CParProfDialog", "CParProfDialog", "CParProfDialog"}},
    {ID_STATUS, {kOff, kOff, kOff, kOff}},
    {ID_SHOW_LAV, {"box M_NO_INFO", "box M_NO_INFO", "box M_NO_INFO", "box M_NO_INFO"}},
    {ID_PREFER, {"COptionDialog", "COptionDialog", "COptionDialog", "COptionDialog"}},
    {ID_LABEL, {"CParLabelDialog", "CParEtichetteDialog", "MMainPag", "CParLabelDialog"}},
    {ID_MSG, {"CMessageDialog", "CMessageDialog", "CMessageDialog", "CMessageDialog"}},
    {ID_CONF_GEN1, {"CConfFresa1_Dialog", "CConfFresa1_Dialog", "CConfFresa1_Dialog", "CConfFresa1_Dialog"}},
    {ID_CONF_GEN2, {"CConfFresa2_Dialog", kOff, "CConfFresa2_Dialog", kOff}},
    {ID_OFFSET_RALLA,
     {"CConfOffsetRallaDialog", "CConfOffsetRallaDialog", "CConfOffsetRallaDialog",
      "CConfOffsetRallaDialog"}},
    {ID_OFFSET_RALLA2, {kOff, "CConfOffsetRallaDlg2", "CConfOffsetRallaDlg2", "CConfOffsetRallaDlg2"}},
    {ID_PAR_TRONCA1, {"CConfTroncaDialog", "CConfTroncaDialog", "CConfTroncaDialog", "CConfTroncaDialog"}},
    {ID_PAR_TRONCA2, {kOff, kOff, kOff, "CConfTroncaDlg2"}},
    {ID_PAR_TRONCA3, {"CConfLamaDlg", "CConfLamaDlg", "CConfLamaDlg", "CConfLamaDlg"}},
    {ID_PAR_TRONCA4, {kOff, "CConfMorsaDlg", "CConfMorsaDlg", kOff}},
    {ID_PAR_TRONCA5, {kOff, kOff, "CConfExtractor", kOff}},
    {ID_CONF_LINK, {"CConfLinkDialog", "CConfLinkDialog", "CConfLinkDialog", "CConfLinkDialog"}},
    {ID_APP_ABOUT, {"CAboutDialog", "CAboutDialog", "CAboutDialog", "CAboutDialog"}},
    {ID_APP_EXIT, {"closed", "closed", "closed", "closed"}},
};

// A text that is a message key rather than a text of the tables.
bool LooksLikeKey(const QString& text) {
    static const QRegularExpression key(QStringLiteral("^(M|T|S|C|B|L|E|ERR|P|TT)_[A-Z0-9_]+$"));
    return key.match(text.trimmed()).hasMatch();
}

QString WindowName(const QWidget* w) {
    const QString name = w->objectName();
    if (!name.isEmpty() && !name.startsWith(QLatin1String("id_")) && !name.startsWith(QLatin1String("qt_")))
        return name;
    QString cls = QString::fromLatin1(w->metaObject()->className());
    return cls.mid(cls.lastIndexOf(QLatin1Char(':')) + 1);
}

// Answers every modal window as the operator would: the configuration password with the
// one-command password, any other window by cancelling it after looking at it.
class Operator {
  public:
    explicit Operator(std::string grabPrefix) : m_grabPrefix(std::move(grabPrefix)) {
        QObject::connect(&m_poll, &QTimer::timeout, [this] { Answer(); });
        m_poll.start(20);
    }
    std::vector<std::string> seen;     // the windows opened, in order
    std::vector<std::string> problems; // what the operator would not accept
    QStringList fileFilters;           // the filters of the last file picker, as it shows them

  private:
    void Answer() {
        // Only a window that opened after the previous answer: never the one being answered,
        // nor one under it that shows for a moment between two windows.
        QWidget* w = modal_clock::ModalOpenedAfter(m_since);
        if (w == nullptr || w == m_answering) return;
        m_since = modal_clock::Now();
        m_answering = w;
        if (auto* pass = qobject_cast<ui::CPasswordDialog*>(w)) {
            seen.push_back("password");
            QTest::keyClicks(pass->Entry(), QStringLiteral("TVKRO"));
            qobject_cast<QPushButton*>(pass->Control(ui::kIdOk))->click();
            m_answering = nullptr;
            return;
        }
        const std::string name = WindowName(w).toStdString();
        seen.push_back(name);
        Look(w, name);
        if (auto* file = qobject_cast<QFileDialog*>(w)) {
            fileFilters = file->nameFilters();
            file->reject();
        } else if (auto* cancel = w->findChild<QPushButton*>(QStringLiteral("id_%1").arg(IDCANCEL))) {
            cancel->click();
        } else {
            QTest::keyClick(w, Qt::Key_Escape);
            if (w->isVisible()) qobject_cast<QDialog*>(w)->reject();
        }
        m_answering = nullptr;
    }

  public:
    // What the operator checks of every window and box: wholly on the screen, no key shown in
    // place of a text, no text cut.
    void Look(QWidget* w, const std::string& name) {
        const QRect frame = w->frameGeometry();
        if (!QRect(0, 0, ScreenWidth(), ScreenHeight()).contains(frame))
            problems.push_back(name + " not wholly on the " + std::to_string(ScreenWidth()) + "x" +
                               std::to_string(ScreenHeight()) + " screen: " + std::to_string(frame.x()) + "," +
                               std::to_string(frame.y()) + " " + std::to_string(frame.width()) + "x" +
                               std::to_string(frame.height()));
        if (LooksLikeKey(w->windowTitle()))
            problems.push_back(name + " title " + w->windowTitle().toStdString());
        for (QWidget* c : w->findChildren<QWidget*>()) {
            if (!c->isVisibleTo(w)) continue;
            QStringList texts;
            if (auto* l = qobject_cast<QLabel*>(c)) texts << l->text();
            if (auto* b = qobject_cast<QAbstractButton*>(c)) texts << b->text();
            if (auto* g = qobject_cast<QGroupBox*>(c)) texts << g->title();
            if (auto* box = qobject_cast<QComboBox*>(c))
                for (int i = 0; i < box->count(); ++i)
                    texts << box->itemText(i);
            for (const QString& t : texts)
                if (LooksLikeKey(t)) problems.push_back(name + " shows " + t.toStdString());
            // A text must show whole: labels, buttons and choice lists at least as wide as their
            // texts need (the file picker is the toolkit's own and shortens long folders itself).
            const auto* l = qobject_cast<QLabel*>(c);
            const bool textLabel =
                l != nullptr && !l->wordWrap() && !l->text().isEmpty() && l->pixmap().isNull();
            const bool sized = textLabel || qobject_cast<QAbstractButton*>(c) != nullptr ||
                               qobject_cast<QComboBox*>(c) != nullptr;
            // A push button's size hint never goes below the toolkit's minimum button width, so
            // a button is measured by its text and the frame around it.
            // A mnemonic's "&" is not drawn.
            QString drawn = texts.isEmpty() ? QString() : texts.front();
            drawn.replace(QRegularExpression(QStringLiteral("&(.)")), QStringLiteral("\\1"));
            // A button as wide as its size hint shows its text whole: the toolkit's hint is the
            // text and the style's margins (and never less than its minimum button width).
            const int needed = qobject_cast<QPushButton*>(c) != nullptr && !texts.isEmpty()
                                   ? std::min(c->fontMetrics().horizontalAdvance(drawn) + 12, c->sizeHint().width())
                                   : c->sizeHint().width();
            if (sized && qobject_cast<QFileDialog*>(w) == nullptr && !texts.isEmpty() &&
                !texts.front().isEmpty() && needed > c->width())
                problems.push_back(name + " cuts " + texts.front().toStdString() + " (" +
                                   std::to_string(needed) + " > " + std::to_string(c->width()) + ")");
        }
        if (!m_grabPrefix.empty()) w->grab().save(QString::fromStdString(m_grabPrefix + name + ".png"));
    }

  private:

    QTimer m_poll;
    QWidget* m_answering = nullptr;
    uint64_t m_since = modal_clock::Now();
    std::string m_grabPrefix;
};

// Counts the moves and resizes of a window once it is shown.
class PlacementWatch : public QObject {
  public:
    explicit PlacementWatch(QWidget* w) : m_window(w) { w->installEventFilter(this); }
    int changes = 0;
    QRect shownAt;

  protected:
    bool eventFilter(QObject* o, QEvent* e) override {
        if (o == m_window && m_window->isVisible() &&
            (e->type() == QEvent::Move || e->type() == QEvent::Resize) && shownAt.isValid() &&
            m_window->frameGeometry() != shownAt)
            ++changes;
        return false;
    }

  private:
    QWidget* m_window;
};

// Shows a box as the program shows it (the recording UI stands in for it during the walk) and
// lets the operator look at it once it has taken its size and place: a box is placed before it
// is shown, so the place it shows at is its place, wholly on the screen.
void LookAtBox(Operator& op, const MessageBoxRequest& request, const std::string& name) {
    app::ScaledMessageBox box;
    app::PrepareMessageBox(box, request);
    if (request.scaled) box.SetEnlargement(ScreenScalePercent());
    box.setWindowModality(Qt::NonModal);
    PlacementWatch watch(&box);
    box.show();
    watch.shownAt = box.frameGeometry();
    const QRect firstShown = box.frameGeometry();
    QTest::qWait(50);
    op.Look(&box, name);
    if (watch.changes != 0 || box.frameGeometry() != firstShown)
        op.problems.push_back(name + " moved after it was shown: from " + std::to_string(firstShown.x()) + "," +
                              std::to_string(firstShown.y()) + " " + std::to_string(firstShown.width()) + "x" +
                              std::to_string(firstShown.height()) + " (" + std::to_string(watch.changes) +
                              " changes)");
    box.close();
}

class ConfigWalkTest : public AppFixture {
  protected:
    // The demo installation of one configuration, laid out as the demo lays it out: the
    // configuration's three files, the office machine description of its variant, and the
    // drawings and the CAM description where the configuration's folders point.
    void Install(const Installation& in) {
        const fs::path demo = fs::path(BRELON_SOURCE_DIR) / "demo";
        for (const char* name : {"CONFIG.PAR", "CONFIG.X_", "PARAM.PAR"})
            fs::copy_file(demo / in.conf / name, program_ + "CONF/" + name,
                          fs::copy_options::overwrite_existing);
        const int assex = in.variant != 2, axes = in.variant != 0;
        WriteFile(program_ + "ConfMac.dbg",
                  "[GENERAL]\r\nASSEX=" + std::to_string(assex) + "\r\nASSEH=" + std::to_string(axes) +
                      "\r\nASSEP=" + std::to_string(axes) + "\r\nASSEC=" + std::to_string(in.options) +
                      "\r\nMORSE_SUPP=" + std::to_string(in.options) + "\r\n");
        plat::WriteProfileString("PARAM", "CONF_FILE_OTT", std::to_string(in.labelMode).c_str(),
                                 (program_ + "CONF/PARAM.PAR").c_str());
        const std::string config = program_ + "CONF/CONFIG.PAR";
        for (const char* key : {"DIR_LDA", "DIR_ISO", "DIR_DXF", "DIR_UTEN", "DIR_LOG"}) {
            char folder[260] = {};
            plat::GetProfileString("GENERAL", key, "", folder, sizeof folder, config.c_str());
            fs::create_directories(plat::NativePath(folder));
        }
        char dxf[260] = {}, uten[260] = {};
        plat::GetProfileString("GENERAL", "DIR_DXF", "", dxf, sizeof dxf, config.c_str());
        plat::GetProfileString("GENERAL", "DIR_UTEN", "", uten, sizeof uten, config.c_str());
        fs::copy(demo / "DXF", plat::NativePath(dxf),
                 fs::copy_options::recursive | fs::copy_options::overwrite_existing);
        for (const char* name : {"TOOLS.TXT", "DEFPRO.TXT"})
            fs::copy_file(demo / "UTEN" / name, fs::path(plat::NativePath(uten)) / name,
                          fs::copy_options::overwrite_existing);
    }
};

} // namespace

TEST_F(ConfigWalkTest, EveryMenuAndToolBarEntryOpensItsWindowOrIsDisabledByItsRule) {
    const char* grabDir = std::getenv("BRELON_GRAB_DIR");
    const std::pair<int, int> screens[] = {{1024, 768}, {1280, 800}, {1366, 768}, {1920, 1080}};
    for (std::size_t run = 0; run < std::size(kInstallations) * std::size(screens); ++run) {
        const std::size_t v = run / std::size(screens);
        const Installation& in = kInstallations[v];
        const auto [screenWidth, screenHeight] = screens[run % std::size(screens)];
        SCOPED_TRACE(std::string(in.conf) + " variant " + std::to_string(in.variant) + " options " +
                     std::to_string(in.options) + " labels " + std::to_string(in.labelMode) + " screen " +
                     std::to_string(screenWidth));
        if (run > 0) {
            TearDown();
            SetUp();
        }
        Install(in);
        ASSERT_EQ(Start("OFFICE"), CVelmoApp::kStarted);
        ASSERT_NE(MainFrame, nullptr);
        // The dialogs take their fonts and sizes from the screen the program recorded.
        SetScreenSize(screenWidth, screenHeight);
        ASSERT_EQ(MachineVariant, in.variant);
        EXPECT_TRUE(QTest::qWaitForWindowExposed(MainFrame));
        QTest::qWait(50); // the maximized geometry arrives
        EXPECT_TRUE(ui_->boxes.empty()) << ui_->boxes.front().text;
        const std::string prefix =
            grabDir != nullptr
                ? std::string(grabDir) + "/" + in.conf + "-v" + std::to_string(in.variant) + "-opt" +
                      std::to_string(in.options) + "-" + std::to_string(ScreenWidth()) + "-"
                : std::string();
        if (!prefix.empty()) MainFrame->grab().save(QString::fromStdString(prefix + "main.png"));

        // The entries as the operator finds them: the menus' entries (each menu asks its rules as
        // it opens) and the tool bar's buttons.
        std::vector<QAction*> entries;
        const QList<QMenu*> menus = MainFrame->menuBar()->findChildren<QMenu*>();
        for (QMenu* menu : menus)
            emit menu->aboutToShow();
        for (QAction* a : MainFrame->menuBar()->actions())
            if (a->menu() == nullptr) entries.push_back(a);
        for (QMenu* menu : menus)
            for (QAction* a : menu->actions())
                if (a->menu() == nullptr && !a->isSeparator()) entries.push_back(a);
        auto* toolBar = MainFrame->findChild<QToolBar*>(QStringLiteral("id_129"));
        ASSERT_NE(toolBar, nullptr);
        for (QAction* a : toolBar->actions())
            if (!a->isSeparator()) entries.push_back(a);
        // Exit last: it closes the window.
        std::stable_partition(entries.begin(), entries.end(),
                              [](QAction* a) { return a->data().toInt() != ID_APP_EXIT; });

        std::map<int, int> walked;
        for (QAction* a : entries) {
            const int id = a->data().toInt();
            const auto* entry = std::find_if(std::begin(kEntries), std::end(kEntries),
                                             [id](const Entry& e) { return e.id == id; });
            ASSERT_NE(entry, std::end(kEntries)) << "entry " << id << " " << a->text().toStdString();
            const std::string expected = entry->window[v];
            const bool onToolBar = a->parent() == toolBar;
            SCOPED_TRACE("entry " + std::to_string(id) + (onToolBar ? " (tool bar) " : " ") +
                         a->text().toStdString());
            ++walked[id];
            EXPECT_FALSE(LooksLikeKey(a->text())) << a->text().toStdString();

            if (expected == kOff) {
                EXPECT_FALSE(a->isEnabled());
                continue;
            }
            ASSERT_TRUE(a->isEnabled());
            MainFrame->configUnlocked = 0;
            const std::size_t boxesBefore = ui_->boxes.size();
            Operator op(prefix.empty() ? std::string() : prefix + std::to_string(id) + "-");
            if (onToolBar)
                qobject_cast<QToolButton*>(toolBar->widgetForAction(a))->click();
            else
                a->trigger();
            // Posted commands open their window when the message arrives.
            for (int i = 0;
                 i < 500 && op.seen.empty() && ui_->boxes.size() == boxesBefore && MainFrame->isVisible();
                 ++i)
                QTest::qWait(10);
            for (const std::string& p : op.problems)
                ADD_FAILURE() << p;
            std::vector<std::string> windows = op.seen;
            if (app::IsGatedCommand(id)) {
                ASSERT_FALSE(windows.empty());
                EXPECT_EQ(windows.front(), "password");
                windows.erase(windows.begin());
            }
            for (std::size_t b = boxesBefore; b < ui_->boxes.size(); ++b) {
                const std::string& text = ui_->boxes[b].text;
                LookAtBox(op, ui_->boxes[b], "box " + text);
                windows.push_back("box " +
                                  (text == MsgString("M_NO_INFO") ? std::string("M_NO_INFO") : text));
            }
            // The ISO program picker shows the system's own filter text.
            if (id == ID_OPEN_ISO) {
                EXPECT_EQ(op.fileFilters, QStringList{QStringLiteral("Files ISO (*.*)")});
            }
            if (expected == "closed") {
                EXPECT_FALSE(MainFrame->isVisible());
                EXPECT_TRUE(windows.empty());
            } else {
                EXPECT_EQ(windows, std::vector<std::string>{expected});
            }
        }
        // A box with a long text, as the operator meets one, must fit the screen too.
        {
            Operator op{prefix};
            MessageBoxRequest request;
            request.title = "T_ATTENZIONE";
            request.text = std::string(MsgError("ERR_READ")) + " (C:\\BRELON3\\VELMO\\CONF\\" +
                           std::string(60, 'X') + ".CP [" + std::string(40, 'Y') + "] OFFY/OFFZ)";
            request.buttons = BoxButtons::YesNoCancel;
            LookAtBox(op, request, "long box");
            for (const std::string& p : op.problems)
                ADD_FAILURE() << p;
        }
        // Every entry of the table was found once in the menus, and on the tool bar when it has a button.
        for (const Entry& e : kEntries)
            EXPECT_GE(walked[e.id], 1) << "entry " << e.id << " not found";
        EXPECT_EQ(walked.size(), std::size(kEntries));
    }
}

namespace {

// The operator of the value walk: each window, as it opens, is handed the next action written
// for it (by its name, "password" for the configuration password); a window without one is
// cancelled as the plain walk cancels it.
class Typist {
  public:
    using Action = std::function<void(QWidget*)>;
    Typist() {
        QObject::connect(&m_poll, &QTimer::timeout, [this] { Answer(); });
        m_poll.start(20);
    }
    std::map<std::string, std::deque<Action>> actions;
    std::vector<std::string> seen;
    QString password = QStringLiteral("TVKRO"); // the configuration's; the tool table has its own

  private:
    void Answer() {
        QWidget* w = modal_clock::ModalOpenedAfter(m_since);
        if (w == nullptr || std::find(m_answering.begin(), m_answering.end(), w) != m_answering.end()) return;
        m_since = modal_clock::Now();
        m_answering.push_back(w);
        std::string name = WindowName(w).toStdString();
        if (qobject_cast<ui::CPasswordDialog*>(w) != nullptr) name = "password";
        seen.push_back(name);
        std::deque<Action>& queue = actions[name];
        if (name == "password") {
            auto* pass = qobject_cast<ui::CPasswordDialog*>(w);
            QTest::keyClicks(pass->Entry(), password);
            qobject_cast<QPushButton*>(pass->Control(ui::kIdOk))->click();
        } else if (!queue.empty()) {
            // Run from the event loop, not from the poll: a window the action opens (and waits
            // for) is then answered by the poll, which does not fire inside its own handler.
            const Action act = queue.front();
            queue.pop_front();
            QTimer::singleShot(0, w, [this, w, act] {
                act(w);
                m_answering.erase(std::find(m_answering.begin(), m_answering.end(), w));
            });
            return;
        } else if (auto* file = qobject_cast<QFileDialog*>(w)) {
            file->reject();
        } else if (auto* cancel = w->findChild<QPushButton*>(QStringLiteral("id_%1").arg(IDCANCEL))) {
            cancel->click();
        } else {
            qobject_cast<QDialog*>(w)->reject();
        }
        m_answering.erase(std::find(m_answering.begin(), m_answering.end(), w));
    }
    QTimer m_poll;
    std::vector<QWidget*> m_answering;
    uint64_t m_since = modal_clock::Now();
};

// The value edit or choice of a parameter row in the window of a parameter command, by the
// row's object name (value controls are id_727 onwards, in table order).
QWidget* RowControl(QWidget* w, int command, const char* key) {
    const ui::ParamDialogSpec* spec = ui::ParamDialogForCommand(command);
    if (spec == nullptr) return nullptr;
    const ParamDef* table = ParamTable(spec->group);
    for (int i = 0; i < CountParamRows(table); ++i)
        if (std::strcmp(table[i].key, key) == 0) return w->findChild<QWidget*>(QStringLiteral("id_%1").arg(727 + i));
    return nullptr;
}

// With BRELON_SHOT_DIR set (and a display), the whole screen is taken there as the operator
// sees it ("import -window root"), for a look at the windows of the value walk.
void Shoot(const std::string& name) {
    const char* dir = std::getenv("BRELON_SHOT_DIR");
    if (dir == nullptr) return;
    QTest::qWait(300);
    const std::string command = "import -window root '" + std::string(dir) + "/" + name + "-" +
                                std::to_string(ScreenWidth()) + ".png'";
    if (std::system(command.c_str()) != 0) ADD_FAILURE() << command;
}

// The boxes recorded since count, shown one by one as the program shows them and taken.
void ShootBoxes(const std::vector<MessageBoxRequest>& boxes, std::size_t from, const std::string& name) {
    if (std::getenv("BRELON_SHOT_DIR") == nullptr) return;
    for (std::size_t i = from; i < boxes.size(); ++i) {
        app::ScaledMessageBox box;
        app::PrepareMessageBox(box, boxes[i]);
        if (boxes[i].scaled) box.SetEnlargement(ScreenScalePercent());
        box.setWindowModality(Qt::NonModal);
        box.show();
        Shoot(name + "-box" + std::to_string(i));
        box.close();
    }
}

std::vector<MessageBoxRequest>* g_walkBoxes = nullptr; // the recording of the running case

// Types into a row as the operator does (the filters run), then presses OK; a window that
// refuses the value stays open and is then cancelled.
Typist::Action TypeAndConfirm(int command, const char* key, const char* typed, std::string* shown = nullptr) {
    return [=](QWidget* w) {
        auto* edit = qobject_cast<QLineEdit*>(RowControl(w, command, key));
        ASSERT_NE(edit, nullptr) << key;
        edit->setFocus();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, QString::fromLatin1(typed));
        if (shown != nullptr) *shown = edit->text().toStdString();
        Shoot(std::string(key) + "-typed");
        const std::size_t before = g_walkBoxes != nullptr ? g_walkBoxes->size() : 0;
        w->findChild<QPushButton*>(QStringLiteral("id_%1").arg(IDOK))->click();
        if (g_walkBoxes != nullptr) ShootBoxes(*g_walkBoxes, before, key);
        if (w->isVisible()) w->findChild<QPushButton*>(QStringLiteral("id_%1").arg(IDCANCEL))->click();
    };
}

// Moves a choice row one entry down with the keyboard, then presses OK.
Typist::Action ChooseNextAndConfirm(int command, const char* key) {
    return [=](QWidget* w) {
        auto* combo = qobject_cast<QComboBox*>(RowControl(w, command, key));
        ASSERT_NE(combo, nullptr) << key;
        combo->setFocus();
        QTest::keyClick(combo, Qt::Key_Down);
        Shoot(std::string(key) + "-chosen");
        w->findChild<QPushButton*>(QStringLiteral("id_%1").arg(IDOK))->click();
    };
}

std::string Range(const char* low, const char* high, const char* unitKey) {
    return std::string(MsgError("LIMIT_RANGE")) + " " + low + " .. " + high + " " + MsgString(unitKey);
}

} // namespace

// Values typed through the windows, as the operator types them, on the demo configurations:
// each is refused with its reason (the range it must lie in, in the unit shown), or taken as
// typed, and a change of the links blocks nothing that does not need a restart.
TEST_F(ConfigWalkTest, ValuesTypedThroughTheWindowsAreRefusedWithTheirReasonOrTakenAsTyped) {
    struct Step {
        int entry;
        std::string window;
        Typist::Action act;
    };
    struct Case {
        const char* what;
        int installation; // of kInstallations
        bool inches;
        std::function<std::vector<Step>()> steps;
        std::function<std::vector<std::string>()> boxes; // the boxes the steps give, in order
        std::function<void(const std::string& program)> check;
    };
    static std::string shown;
    const Case cases[] = {
        {"range named in millimetres", 1, false,
         [] { return std::vector<Step>{{ID_PAR_TRONCA, "CParTroncaDialog", TypeAndConfirm(ID_PAR_TRONCA, "SCARTO_TESTA", "12345")}}; },
         [] {
             return std::vector<std::string>{std::string(MsgString("P_SCARTO_TESTA")) + "\n" + MsgError("LIMIT_ERROR") +
                                             "\n" + Range("0", "9999", "P_MM")};
         },
         [](const std::string& program) {
             EXPECT_EQ(plat::ReadProfileString("PARAM", "SCARTO_TESTA", "", (program + "CONF/PARAM.PAR").c_str()),
                       "10.00");
         }},
        {"range named in inches", 1, true,
         [] { return std::vector<Step>{{ID_PAR_TRONCA, "CParTroncaDialog", TypeAndConfirm(ID_PAR_TRONCA, "SCARTO_TESTA", "400")}}; },
         [] {
             return std::vector<std::string>{std::string(MsgString("P_SCARTO_TESTA")) + "\n" + MsgError("LIMIT_ERROR") +
                                             "\n" + Range("0.0000", "393.6614", "P_IN")};
         },
         [](const std::string& program) {
             EXPECT_EQ(plat::ReadProfileString("PARAM", "SCARTO_TESTA", "", (program + "CONF/PARAM.PAR").c_str()),
                       "10.00");
         }},
        {"a decimal point in a whole-number row", 1, false,
         [] {
             return std::vector<Step>{
                 {ID_CONF_GEN1, "CConfFresa1_Dialog", TypeAndConfirm(ID_CONF_GEN1, "ROT_OLTRE_MAX", "2.5", &shown)}};
         },
         [] {
             return std::vector<std::string>{std::string(MsgString("P_R_OLTRE_MAX")) + "\n" +
                                             MsgError("WHOLE_NUMBER_ERROR") + "\n" + Range("0", "50", "P_GRADI")};
         },
         [](const std::string& program) {
             EXPECT_EQ(shown, "2.5");
             const std::string stored =
                 plat::ReadProfileString("PARAM", "ROT_OLTRE_MAX", "", (program + "CONF/PARAM.PAR").c_str());
             EXPECT_NE(stored, "25");
             EXPECT_NE(stored, "2.5");
         }},
        {"a decimal comma in a decimal row", 1, false,
         [] {
             return std::vector<Step>{
                 {ID_PAR_TRONCA, "CParTroncaDialog", TypeAndConfirm(ID_PAR_TRONCA, "SCARTO_TESTA", "2,5", &shown)}};
         },
         [] { return std::vector<std::string>{std::string(MsgString("P_SCARTO_TESTA")) + "\n" + MsgError("SYNTAX_ERROR")}; },
         [](const std::string& program) {
             EXPECT_EQ(shown, "2,5");
             EXPECT_EQ(plat::ReadProfileString("PARAM", "SCARTO_TESTA", "", (program + "CONF/PARAM.PAR").c_str()),
                       "10.00");
         }},
        {"a minus in a decimal row that takes none", 1, false,
         [] {
             return std::vector<Step>{
                 {ID_PAR_TRONCA, "CParTroncaDialog", TypeAndConfirm(ID_PAR_TRONCA, "SCARTO_TESTA", "-3", &shown)}};
         },
         [] {
             return std::vector<std::string>{std::string(MsgString("P_SCARTO_TESTA")) + "\n" + MsgError("LIMIT_ERROR") +
                                             "\n" + Range("0", "9999", "P_MM")};
         },
         [](const std::string& program) {
             EXPECT_EQ(shown, "-3");
             EXPECT_EQ(plat::ReadProfileString("PARAM", "SCARTO_TESTA", "", (program + "CONF/PARAM.PAR").c_str()),
                       "10.00");
         }},
        {"a negative Y size correction", 0, false,
         [] {
             return std::vector<Step>{
                 {ID_PAR_FRESA, "CParFresaDialog", TypeAndConfirm(ID_PAR_FRESA, "DELTA_DIM_Y", "-2.5", &shown)}};
         },
         [] { return std::vector<std::string>{}; },
         [](const std::string& program) {
             EXPECT_EQ(shown, "-2.5");
             EXPECT_EQ(plat::ReadProfileString("PARAM", "DELTA_DIM_Y", "", (program + "CONF/PARAM.PAR").c_str()),
                       "-2.5");
             EXPECT_EQ(g_pSettings->DELTA_DIM_Y, -2500);
         }},
        {"a change of the links (loading side, then print port)", 1, false,
         [] {
             return std::vector<Step>{
                 {ID_CONF_LINK, "CConfLinkDialog", ChooseNextAndConfirm(ID_CONF_LINK, "CONF_CARICO")},
                 {ID_CONF_LINK, "CConfLinkDialog", ChooseNextAndConfirm(ID_CONF_LINK, "PORT_PC_PRINT")},
                 // Every later save and the next list opening go on without a word on the ports.
                 {ID_PAR_TRONCA, "CParTroncaDialog", TypeAndConfirm(ID_PAR_TRONCA, "SCARTO_TESTA", "11")},
                 {ID_PAR_FRESA, "CParFresaDialog", TypeAndConfirm(ID_PAR_FRESA, "SGROSSATURA", "2")},
                 {ID_OPEN_LIST, "QFileDialog", nullptr},
             };
         },
         [] { return std::vector<std::string>{}; },
         [](const std::string& program) {
             const std::string param = program + "CONF/PARAM.PAR";
             EXPECT_EQ(plat::ReadProfileString("PARAM", "CONF_CARICO", "", param.c_str()), "1");
             EXPECT_EQ(plat::ReadProfileString("PARAM", "PORT_PC_PRINT", "", param.c_str()), "1");
             // Taken at once: the loading side by the next bar, the port by the next job (no
             // job has opened the print link yet).
             EXPECT_EQ(g_pSettings->CONF_CARICO, 1);
             EXPECT_EQ(g_pSettings->PORT_PC_PRINT, 1);
             EXPECT_EQ(g_pSettings->ConfigChanged, 0);
             EXPECT_EQ(plat::ReadProfileString("PARAM", "SCARTO_TESTA", "", param.c_str()), "11");
         }},
        {"two drawings whose folder names are longer than a series", 1, false,
         [] {
             // The drawings are chosen through the dialog's own chooser (the file picker's
             // answer), one in each long folder.
             return std::vector<Step>{{ID_PROFILO, "CParProfDialog", [](QWidget* w) {
                                           auto* sets = qobject_cast<ui::CParProfDialog*>(w);
                                           ASSERT_NE(sets, nullptr);
                                           Shoot("profile-sets");
                                           for (const char* folder : {"ALUMINIUM1", "ALUMINIUM2"}) {
                                               sets->SetDrawingChooser([folder](const std::string&, std::string& path) {
                                                   path = std::string("C:\\BRELON3\\VELMO\\DXF\\") + folder +
                                                          "\\A6010.dxf";
                                                   return IDOK;
                                               });
                                               const std::size_t before = g_walkBoxes->size();
                                               w->findChild<QPushButton*>(QStringLiteral("id_245"))->click();
                                               ShootBoxes(*g_walkBoxes, before, std::string("long-folder-") + folder);
                                           }
                                           w->findChild<QPushButton*>(QStringLiteral("id_1"))->click();
                                       }}};
         },
         [] {
             const std::string head = std::string(MsgString("M_PROF_NAME_LONG")) + "\n";
             return std::vector<std::string>{head + "ALUMINIUM1\\A6010", head + "ALUMINIUM2\\A6010"};
         },
         [](const std::string& program) {
             EXPECT_FALSE(fs::exists(program + "CONF/ALUMINIU.CP"));
             EXPECT_FALSE(fs::exists(program + "CONF/ALUMINIUM1.CP"));
         }},
    };
    bool first = true;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (!first) {
            TearDown();
            SetUp();
        }
        first = false;
        Install(kInstallations[c.installation]);
        if (c.inches) WriteConfig("GENERAL", "UN_MIS", "2");
        const std::string dxf = plat::NativePath("C:\\BRELON3\\VELMO\\DXF\\");
        for (const char* folder : {"ALUMINIUM1", "ALUMINIUM2"}) {
            fs::create_directories(dxf + folder);
            fs::copy_file(fs::path(BRELON_SOURCE_DIR) / "demo/DXF/ALU60/A6010.dxf", dxf + folder + "/A6010.dxf",
                          fs::copy_options::overwrite_existing);
        }
        ASSERT_EQ(Start("OFFICE"), CVelmoApp::kStarted);
        // Taken on a display, the windows take the display's size.
        const QSize screen = std::getenv("BRELON_SHOT_DIR") != nullptr ? QGuiApplication::primaryScreen()->size()
                                                                        : QSize(1024, 768);
        SetScreenSize(screen.width(), screen.height());
        ui_->boxes.clear();
        g_walkBoxes = &ui_->boxes;
        Typist typist;
        std::vector<Step> steps = c.steps();
        std::vector<std::string> expectedWindows;
        for (const Step& s : steps)
            if (s.act) typist.actions[s.window].push_back(s.act);
        for (const Step& s : steps) {
            if (s.entry == 0) continue;
            SCOPED_TRACE("entry " + std::to_string(s.entry));
            const std::size_t before = typist.seen.size();
            MainFrame->configUnlocked = 0;
            MainFrame->OnCommand(s.entry);
            for (int i = 0; i < 300 && typist.seen.size() == before; ++i)
                QTest::qWait(10);
            ASSERT_GT(typist.seen.size(), before);
            std::vector<std::string> opened(typist.seen.begin() + static_cast<std::ptrdiff_t>(before), typist.seen.end());
            if (app::IsGatedCommand(s.entry)) {
                EXPECT_EQ(opened.front(), "password");
                opened.erase(opened.begin());
            }
            ASSERT_FALSE(opened.empty());
            EXPECT_EQ(opened.front(), s.window);
        }
        std::vector<std::string> texts;
        for (const MessageBoxRequest& b : ui_->boxes)
            texts.push_back(b.text);
        EXPECT_EQ(texts, c.boxes());
        c.check(program_);
        g_walkBoxes = nullptr;
    }
}

namespace {

// What became of one value typed into a whole-number field and confirmed.
struct Typed {
    std::string before;    // the field's text once typed (the filters ran)
    std::string after;     // its text after OK, when the window stayed open
    bool stayedOpen = false;
    bool focused = false;  // the field held the focus after OK
};

Typist* g_typist = nullptr; // the operator of the running case

// Types into an entry as the operator does, presses OK, notes what the field shows and whether
// the window stayed open (it is then cancelled).
void EnterAndConfirm(QWidget* w, QLineEdit* edit, const char* typed, Typed* out) {
    ASSERT_NE(edit, nullptr);
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, QString::fromLatin1(typed));
    out->before = edit->text().toStdString();
    w->findChild<QPushButton*>(QStringLiteral("id_%1").arg(IDOK))->click();
    out->stayedOpen = w->isVisible();
    out->after = edit->text().toStdString();
    out->focused = edit->hasFocus();
    if (w->isVisible()) w->findChild<QPushButton*>(QStringLiteral("id_%1").arg(IDCANCEL))->click();
}

// The tool table with the selected tool, then one of its windows (the tool's edit window or
// the coolant box) handed the entry; the table is left with OK, which writes it when changed.
Typist::Action InToolTable(int button, const char* inner, std::function<void(QWidget*)> enter,
                           const char* tool = "PUNTA5") {
    return [=](QWidget* tools) {
        auto* list = tools->findChild<QListWidget*>(QStringLiteral("id_%1").arg(ui::CToolDialog::kListId));
        ASSERT_NE(list, nullptr);
        list->setCurrentItem(list->findItems(QString::fromLatin1(tool), Qt::MatchExactly).value(0));
        g_typist->actions[inner].push_back(enter);
        tools->findChild<QPushButton*>(QStringLiteral("id_%1").arg(button))->click();
        tools->findChild<QPushButton*>(QStringLiteral("id_%1").arg(IDOK))->click();
    };
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(plat::NativePath(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

ToolFileRecord ToolNamed(const char* name, int* coolant) {
    ToolTable table;
    EXPECT_EQ(ReadToolTable(table), 0);
    *coolant = table.headerNumber;
    const int slot = ui::FindToolByName(table, name);
    return slot >= 0 ? table.records[static_cast<std::size_t>(slot)] : ToolFileRecord{};
}

} // namespace

// The number fields of the windows, typed into as the operator types: a fraction in a whole
// number, a minus where the range has none, a decimal comma, a number too long for the field
// and an empty entry are refused with their reason, the field's name and its range in the unit
// shown, the typed text staying in the field with the focus and nothing written; letters cannot
// be typed; a good value (a minus where the range has one) is taken as typed.
TEST_F(ConfigWalkTest, EveryNumberFieldRefusesWhatItCannotHoldAndTakesAGoodValueAsTyped) {
    struct Row {
        const char* typed;
        std::string shown;  // the field once typed
        std::string box;    // the refusal, "" when taken
        std::string stored; // the value afterwards
        // The field's file afterwards: as before, with from replaced by to when given.
        const char* from = nullptr;
        const char* to = nullptr;
    };
    struct Field {
        const char* what;
        int installation;
        int entry;
        const char* window;
        std::function<Typist::Action(const char* typed, Typed* out)> act;
        std::function<std::string(const std::string& program)> stored; // null: the file alone
        std::vector<Row> rows;
        std::function<std::string(const std::string& program)> file = nullptr; // compared byte for byte
    };
    const auto param = [](const char* key) {
        return [key](const std::string& program) {
            return plat::ReadProfileString("PARAM", key, "", (program + "CONF/PARAM.PAR").c_str());
        };
    };
    const auto row = [](int command, const char* key) {
        return [command, key](const char* typed, Typed* out) -> Typist::Action {
            return [=](QWidget* w) { EnterAndConfirm(w, qobject_cast<QLineEdit*>(RowControl(w, command, key)), typed, out); };
        };
    };
    const auto toolCell = [](int cell, const char* tool = "PUNTA5") {
        return [cell, tool](const char* typed, Typed* out) {
            return InToolTable(
                ui::CToolDialog::kEditId, "CToolEditDialog",
                [=](QWidget* w) {
                    EnterAndConfirm(
                        w, w->findChild<QLineEdit*>(QStringLiteral("id_%1").arg(ui::kToolCellValueId + cell)), typed,
                        out);
                },
                tool);
        };
    };
    const auto setField = [](int id) {
        return [id](const char* typed, Typed* out) -> Typist::Action {
            return [=](QWidget* sets) {
                g_typist->actions["CParProfEditDialog"].push_back([=](QWidget* w) {
                    EnterAndConfirm(w, w->findChild<QLineEdit*>(QStringLiteral("id_%1").arg(id)), typed, out);
                });
                sets->findChild<QPushButton*>(QStringLiteral("id_%1").arg(ui::parprof::kEdit))->click();
                sets->findChild<QPushButton*>(QStringLiteral("id_%1").arg(ui::parprof::kOk))->click();
            };
        };
    };
    const auto toolsFile = [](const std::string&) { return std::string(PathSlot(PathTable::kToolsTxt)); };
    const auto setsFile = [](const std::string& program) { return program + "CONF/ALU72.CP"; };
    const auto refusal = [](const char* labelKey, const char* reason, const std::string& range) {
        return (labelKey != nullptr ? std::string(MsgString(labelKey)) + "\n" : std::string()) + MsgError(reason) +
               "\n" + range;
    };
    const auto plain = [](const char* low, const char* high) {
        return std::string(MsgError("LIMIT_RANGE")) + " " + low + " .. " + high;
    };
    // The texts are the message tables' of the running program: the table is made once it runs.
    const auto makeFields = [&] {
    const std::string rot = Range("0", "50", "P_GRADI"), vel = Range("0", "99999", "P_GIRI_MIN");
        const std::string speed = Range("0", "99999", "P_GIRI_MIN"), cool = Range("0", "999", "P_CICLI_MIN");
        const std::string box = plain("0", "999"), labels = plain("0", "2147483647");
        const std::string syntax = std::string(MsgString("P_R_OLTRE_MAX")) + "\n" + MsgError("SYNTAX_ERROR");
        const std::string above = std::string(MsgError("LIMIT_ABOVE")) + " 0 " + MsgError("LIMIT_AT_MOST") + " 999 " +
                                  MsgString("P_MM");
        const std::string feed = Range("0", "99", "P_CEN_GIRO"), pitch = Range("1", "9999", "P_CEN_GIRO");
        const std::string percent = plain("-100", "100");
        const char* punta5 = "* PUNTA5 1 10 \r\n3000 1 2\r\n5 0 0 0 5 0\r\n";
        const char* masch6 = "* MASCH6 4 10 \r\n400 1 0\r\n";
        const char* filled = "OFFZ_PINZA=0\r\n";
        const char* filledTo = "OFFZ_PINZA=0\r\nDELTA_DIMY=0.00\r\n";
        return std::vector<Field>{
        {"rotation beyond maximum", 1, ID_CONF_GEN1, "CConfFresa1_Dialog", row(ID_CONF_GEN1, "ROT_OLTRE_MAX"),
         param("ROT_OLTRE_MAX"),
         {{"2.5", "2.5", refusal("P_R_OLTRE_MAX", "WHOLE_NUMBER_ERROR", rot), "10.00"},
          {"12abc", "12", "", "12"},
          {"2,5", "2,5", syntax, "12"},
          {"99999999999", "9999999999", refusal("P_R_OLTRE_MAX", "LIMIT_ERROR", rot), "12"},
          {"-3", "-3", refusal("P_R_OLTRE_MAX", "LIMIT_ERROR", rot), "12"},
          {"", "", syntax, "12"},
          {"7", "7", "", "7"}}},
        {"maximum spindle speed", 1, ID_CONF_GEN1, "CConfFresa1_Dialog", row(ID_CONF_GEN1, "MAX_VEL_ROT"),
         param("MAX_VEL_ROT"),
         {{"2.5", "2.5", refusal("P_MAX_VEL_ROT", "WHOLE_NUMBER_ERROR", vel), "18000"},
          {"-3", "-3", refusal("P_MAX_VEL_ROT", "LIMIT_ERROR", vel), "18000"},
          {"99999999999", "9999999999", refusal("P_MAX_VEL_ROT", "LIMIT_ERROR", vel), "18000"},
          {"17000", "17000", "", "17000"}}},
        {"tool speed", 1, ID_TOOLS, "CToolDialog", toolCell(ui::kCellSpeed),
         [](const std::string&) {
             int coolant = 0;
             return std::to_string(ToolNamed("PUNTA5", &coolant).speed);
         },
         {{"2.5", "2.5", refusal("S_ROTAZ", "WHOLE_NUMBER_ERROR", speed), "3000"},
          {"12abc", "12", "", "12"},
          {"2,5", "2,5", refusal("S_ROTAZ", "SYNTAX_ERROR", speed), "12"},
          {"99999999999", "99999999999", refusal("S_ROTAZ", "LIMIT_ERROR", speed), "12"},
          {"-3", "-3", refusal("S_ROTAZ", "LIMIT_ERROR", speed), "12"},
          {"", "", refusal("S_ROTAZ", "T_INCOMPLETA", speed), "12"},
          {"2800", "2800", "", "2800"}}},
        {"tool coolant", 1, ID_TOOLS, "CToolDialog", toolCell(ui::kCellCoolant),
         [](const std::string&) {
             int coolant = 0;
             return std::to_string(ToolNamed("PUNTA5", &coolant).cooling);
         },
         {{"2.5", "2.5", refusal("S_FREFRIG", "WHOLE_NUMBER_ERROR", cool), "10"},
          {"1000", "1000", refusal("S_FREFRIG", "LIMIT_ERROR", cool), "10"},
          {"-3", "-3", refusal("S_FREFRIG", "LIMIT_ERROR", cool), "10"},
          {"", "", refusal("S_FREFRIG", "T_INCOMPLETA", cool), "10"},
          {"15", "15", "", "15"}}},
        {"tool diameter", 1, ID_TOOLS, "CToolDialog", toolCell(ui::kCellDiam1), nullptr,
         {{"-3", "-3", refusal("S_DIAM1", "LIMIT_ERROR", above), ""},
          {"2,5", "2,5", refusal("S_DIAM1", "SYNTAX_ERROR", above), ""},
          {"12abc", "12", "", "", punta5, "* PUNTA5 1 10 \r\n3000 1 2\r\n12 0 0 0 5 0\r\n"},
          {"99999999999", "99999999999", refusal("S_DIAM1", "LIMIT_ERROR", above), ""},
          {"", "", refusal("S_DIAM1", "T_INCOMPLETA", above), ""}},
         toolsFile},
        {"tool feed", 1, ID_TOOLS, "CToolDialog", toolCell(ui::kCellFeed), nullptr,
         {{"-3", "-3", refusal("S_ASPORT", "LIMIT_ERROR", feed), ""},
          {"2,5", "2,5", refusal("S_ASPORT", "SYNTAX_ERROR", feed), ""},
          {"12abc", "12", "", "", "\r\n3000 1 2\r\n", "\r\n3000 12 2\r\n"},
          {"99999999999", "99999999999", refusal("S_ASPORT", "LIMIT_ERROR", feed), ""},
          {"", "", refusal("S_ASPORT", "T_INCOMPLETA", feed), ""}},
         toolsFile},
        {"tap pitch", 1, ID_TOOLS, "CToolDialog", toolCell(ui::kCellFeed, "MASCH6"), nullptr,
         {{"-3", "-3", refusal("S_PASSO", "LIMIT_ERROR", pitch), ""},
          {"2,5", "2,5", refusal("S_PASSO", "SYNTAX_ERROR", pitch), ""},
          {"12abc", "12", "", "", masch6, "* MASCH6 4 10 \r\n400 12 0\r\n"},
          {"99999999999", "99999999999", refusal("S_PASSO", "LIMIT_ERROR", pitch), ""},
          {"", "", refusal("S_PASSO", "T_INCOMPLETA", pitch), ""}},
         toolsFile},
        {"tap reduction", 1, ID_TOOLS, "CToolDialog", toolCell(ui::kCellSecond, "MASCH6"), nullptr,
         {{"-150", "-150", refusal("S_PERCRID", "LIMIT_ERROR", percent), ""},
          {"-50", "-50", "", "", masch6, "* MASCH6 4 10 \r\n400 1 -50\r\n"}},
         toolsFile},
        {"head scrap of a profile set", 1, ID_PROFILO, "CParProfDialog", setField(1249), nullptr,
         // Opening a set fills a key it lacks with the machine's value (DELTA_DIMY here, once):
         // the refused value itself is never written.
         {{"-3", "-3", refusal("P_SCARTO_TESTA", "LIMIT_ERROR", Range("0", "9999", "P_MM")), "", filled, filledTo},
          {"2,5", "2,5", MsgError("ERR_SCARTO_TESTA"), ""}},
         setsFile},
        {"offset Y of a profile set", 1, ID_PROFILO, "CParProfDialog", setField(252), nullptr,
         {{"99999", "99999", refusal("P_OFFSET_Y", "LIMIT_ERROR", Range("-9999", "9999", "P_MM")), "", filled,
           filledTo}},
         setsFile},
        {"coolant of the table (input box)", 1, ID_TOOLS, "CToolDialog",
         [](const char* typed, Typed* out) {
             return InToolTable(ui::CToolDialog::kCoolantId, "CInputDialog", [=](QWidget* w) {
                 EnterAndConfirm(w, qobject_cast<ui::CInputDialog*>(w)->Entry(), typed, out);
             });
         },
         [](const std::string&) {
             int coolant = 0;
             ToolNamed("PUNTA5", &coolant);
             return std::to_string(coolant);
         },
         {{"2.5", "2.5", refusal(nullptr, "WHOLE_NUMBER_ERROR", box), "60"},
          {"2,5", "2,5", refusal(nullptr, "ERR_SYNTAX", box), "60"},
          {"99999999999", "999999999", refusal(nullptr, "ERR_LIMIT", box), "60"},
          {"-3", "-3", refusal(nullptr, "ERR_LIMIT", box), "60"},
          {"", "", MsgError("ERR_SYNTAX"), "60"},
          {"75", "75", "", "75"}}},
        {"labels per piece of a profile set", 1, ID_PROFILO, "CParProfDialog",
         [](const char* typed, Typed* out) -> Typist::Action {
             return [=](QWidget* sets) {
                 g_typist->actions["CParProfEditDialog"].push_back([=](QWidget* w) {
                     EnterAndConfirm(w, w->findChild<QLineEdit*>(QStringLiteral("id_1255")), typed, out);
                 });
                 sets->findChild<QPushButton*>(QStringLiteral("id_%1").arg(ui::parprof::kEdit))->click();
                 sets->findChild<QPushButton*>(QStringLiteral("id_%1").arg(ui::parprof::kOk))->click();
             };
         },
         [](const std::string& program) {
             return plat::ReadProfileString("Z7200", "NR_LABEL", "", (program + "CONF/ALU72.CP").c_str());
         },
         {{"2.5", "2.5", refusal("P_NR_LABEL", "WHOLE_NUMBER_ERROR", labels), ""},
          {"-3", "-3", refusal("P_NR_LABEL", "LIMIT_ERROR", labels), ""},
          {"99999999999", "99999999999", refusal("P_NR_LABEL", "LIMIT_ERROR", labels), ""},
          {"3", "3", "", "3"}}},
        };
    };
    const std::size_t count = makeFields().size();
    for (std::size_t i = 0; i < count; ++i) {
        TearDown();
        SetUp();
        Install(kInstallations[makeFields()[i].installation]);
        ASSERT_EQ(Start("OFFICE"), CVelmoApp::kStarted);
        const Field f = makeFields()[i];
        SCOPED_TRACE(f.what);
        SetScreenSize(1024, 768);
        for (const Row& r : f.rows) {
            SCOPED_TRACE(std::string("typed \"") + r.typed + "\"");
            ui_->boxes.clear();
            const std::string before = f.file ? ReadBytes(f.file(program_)) : std::string();
            Typist typist;
            g_typist = &typist;
            if (f.entry == ID_TOOLS) typist.password = QString::fromLatin1(ui::kToolPassword);
            Typed out;
            typist.actions[f.window].push_back(f.act(r.typed, &out));
            MainFrame->configUnlocked = 0;
            MainFrame->OnCommand(f.entry);
            for (int i = 0; i < 300 && typist.seen.empty(); ++i)
                QTest::qWait(10);
            for (int i = 0; i < 300 && QApplication::activeModalWidget() != nullptr; ++i)
                QTest::qWait(10);
            g_typist = nullptr;
            EXPECT_EQ(out.before, r.shown);
            std::vector<std::string> texts;
            for (const MessageBoxRequest& b : ui_->boxes)
                texts.push_back(b.text);
            EXPECT_EQ(texts, r.box.empty() ? std::vector<std::string>{} : std::vector<std::string>{r.box});
            // A refused value stays in the field as typed.
            EXPECT_EQ(out.stayedOpen, !r.box.empty());
            if (!r.box.empty()) {
                EXPECT_EQ(out.after, r.shown);
                EXPECT_TRUE(out.focused);
            }
            if (f.stored) {
                EXPECT_EQ(f.stored(program_), r.stored);
            }
            if (f.file) {
                std::string expected = before;
                if (r.from != nullptr) {
                    const std::size_t at = expected.find(r.from);
                    // Not fatal: the fields after this one are still typed into.
                    if (at == std::string::npos) {
                        ADD_FAILURE() << "not in the file before: " << r.from;
                        continue;
                    }
                    expected.replace(at, std::strlen(r.from), r.to);
                }
                EXPECT_EQ(ReadBytes(f.file(program_)), expected);
            }
        }
    }
}
