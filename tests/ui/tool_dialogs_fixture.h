#pragma once
// The tool table dialogs on the scratch installation of the parameter dialogs, and a script
// that answers the modal dialogs a command opens (password, input box, new tool, tool values),
// one step per dialog in the order they open.
#include "param_dialogs_fixture.h"

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QTimer>
#include <deque>
#include <functional>
#include <sys/stat.h>
#include <utility>
#include <vector>

#include "test_support/qt_modal.h"
#include "ui/InputDialog.h"
#include "ui/ToolTableDialogs.h"

namespace tooltest {

using paramtest::Child;
using paramtest::ClickIn;
using paramtest::ReadFile;
using paramtest::TypeInto;
using paramtest::WriteFile;

inline QString TextOf(QWidget* dialog, int id) {
    QWidget* w = Child(dialog, id);
    if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
    if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text();
    return {};
}

// Answers the modal dialogs that open over base, each with the next step; a dialog that
// opens when no step is left is cancelled and counted, so a test never hangs.
// A step goes only to a dialog that opened after the previous step ran, or to the previous
// step's own dialog when that step left it open (a refused value, a wrong password): between
// one dialog closing and the next opening, the dialog underneath is the active modal widget
// for a moment, and it must not take the next dialog's step. A step meant for a dialog answered
// earlier, once the dialogs over it have closed, names that dialog's class (ThenOn).
class ModalScript {
public:
    using Step = std::function<void(QWidget*)>;
    explicit ModalScript(QWidget* base) : base_(base), since_(modal_clock::Now()) {
        QObject::connect(&poll_, &QTimer::timeout, [this] { Poll(); });
        poll_.start(5);
    }
    ModalScript& Then(Step step) {
        steps_.push_back({std::string(), std::move(step)});
        return *this;
    }
    ModalScript& ThenOn(const char* className, Step step) {
        steps_.push_back({className, std::move(step)});
        return *this;
    }
    bool Done() const { return steps_.empty(); }

    std::vector<std::string> seen; // class names of the dialogs answered, in order
    int unexpected = 0;

private:
    struct Entry {
        std::string className; // empty: the next dialog, whatever its class
        Step step;
    };

    // The active modal dialog when the next step (or the unexpected-dialog rule) may take it.
    QWidget* Next() const {
        QWidget* w = QApplication::activeModalWidget();
        if (w == nullptr || w == base_ || !w->isVisible()) return nullptr;
        if (!steps_.empty() && !steps_.front().className.empty() &&
            steps_.front().className == w->metaObject()->className())
            return w;
        if (modal_clock::ShowClock::ShownAt(w) > since_ || w == last_) return w;
        return nullptr;
    }

    void Poll() {
        QWidget* w = Next();
        if (pending_ || w == nullptr) return;
        // The step runs from its own timer, so that a step that opens a dialog does not stop this poll.
        pending_ = true;
        QTimer::singleShot(0, [this, dialog = QPointer<QWidget>(w)] {
            pending_ = false;
            if (!dialog || dialog != Next()) return;
            // Whatever opens from here on opened after this step.
            since_ = modal_clock::Now();
            last_ = dialog;
            const std::string name = dialog->metaObject()->className();
            seen.push_back(name);
            if (steps_.empty() || (!steps_.front().className.empty() && steps_.front().className != name)) {
                ++unexpected;
                QMetaObject::invokeMethod(dialog, "reject");
                return;
            }
            Step step = std::move(steps_.front().step);
            steps_.pop_front();
            step(dialog);
        });
    }

    QWidget* base_;
    uint64_t since_;
    QPointer<QWidget> last_;
    QTimer poll_;
    std::deque<Entry> steps_;
    bool pending_ = false;
};

// Steps.
inline ModalScript::Step Password(const char* word = ui::kToolPassword) {
    return [word](QWidget* d) {
        TypeInto(d, ui::kIdEntry, word);
        ClickIn(d, IDOK);
    };
}
inline ModalScript::Step Input(const char* text) {
    return [text](QWidget* d) {
        TypeInto(d, ui::kIdEntry, text);
        ClickIn(d, IDOK);
    };
}
inline ModalScript::Step Cancel() {
    return [](QWidget* d) { QMetaObject::invokeMethod(d, "reject"); };
}
inline ModalScript::Step Ok() {
    return [](QWidget* d) { ClickIn(d, IDOK); };
}
inline ModalScript::Step NewTool(const char* name, int kind) {
    return [name, kind](QWidget* d) {
        TypeInto(d, ui::CToolNewDialog::kNameId, name);
        qobject_cast<QComboBox*>(Child(d, ui::CToolNewDialog::kKindId))->setCurrentIndex(kind);
        ClickIn(d, IDOK);
    };
}
// Types the given cells of the tool edit dialog, then presses OK.
inline ModalScript::Step EditTool(std::vector<std::pair<int, const char*>> cells) {
    return [cells](QWidget* d) {
        for (const auto& [cell, text] : cells) TypeInto(d, ui::kToolCellValueId + cell, text);
        ClickIn(d, IDOK);
    };
}
// The values of a valid boring bit of diameter 7.
inline std::vector<std::pair<int, const char*>> Bit7() {
    return {{ui::kCellSpeed, "2000"}, {ui::kCellCoolant, "10"}, {ui::kCellFeed, "1.5"},
            {ui::kCellSecond, "2"},   {ui::kCellDiam1, "7"},    {ui::kCellLen1, "40"},
            {ui::kCellHolderDiam, "7"}, {ui::kCellHolderLen, "10"}, {ui::kCellTotal, "60"}};
}

class ToolDialogTest : public paramtest::ParamDialogTest {
protected:
    void SetUp() override {
        ParamDialogTest::SetUp();
        g_machineConnected = 1;
    }
    void TearDown() override {
        tool_.reset();
        ParamDialogTest::TearDown();
    }
    // Opens the tool table as the main window does and lets its start run.
    ui::CToolDialog& OpenTools(bool listOpen = false) {
        tool_ = std::make_unique<ui::CToolDialog>(nullptr, listOpen);
        tool_->show();
        QApplication::processEvents();
        return *tool_;
    }
    // Clicks a command of the table with the script answering the dialogs it opens.
    void Command(int id, ModalScript& script) {
        ClickIn(tool_.get(), id);
        EXPECT_TRUE(script.Done()) << "steps left after command " << id;
        EXPECT_EQ(script.unexpected, 0) << "dialogs nobody answered after command " << id;
    }
    QListWidget* List() const { return tool_->List(); }
    QStringList Names() const {
        QStringList out;
        for (int i = 0; i < List()->count(); ++i) out << List()->item(i)->text();
        return out;
    }
    void Select(const char* name) {
        List()->setCurrentItem(List()->findItems(QString::fromLatin1(name), Qt::MatchExactly).value(0));
    }
    ino_t ToolsInode() const {
        struct stat st{};
        ::stat(ToolsTxt().c_str(), &st);
        return st.st_ino;
    }

    std::unique_ptr<ui::CToolDialog> tool_;
};

} // namespace tooltest
