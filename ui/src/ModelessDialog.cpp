#include "ui/ModelessDialog.h"

#include <QCoreApplication>
#include <QDialog>
#include <QEventLoop>
#include <vector>

#include "machine/ui_services.h"

namespace ui {

// State of one run, shared with the waiting RunDialog so that it survives the host being
// destroyed while the nested loop runs (its owner closed under it).
struct CModelessDialog::RunState {
    QEventLoop* loop = nullptr;
    int32_t result = kModelessNoResult;
    bool running = false;
    bool hostAlive = true;
};

void PostModelessResult(QWidget* dialog, int32_t result) {
    if (dialog == nullptr || dialog->parentWidget() == nullptr) return;
    QCoreApplication::postEvent(dialog->parentWidget(),
                                new WindowMessageEvent(UWM_MODELESS_RESULT, static_cast<uintptr_t>(result), 0));
}

CModelessDialog::CModelessDialog(QWidget* owner)
    : QWidget(owner), m_owner(owner), m_run(std::make_shared<RunState>()) {
    if (owner != nullptr) setGeometry(owner->rect());
    hide();
}

CModelessDialog::~CModelessDialog() {
    m_run->hostAlive = false;
    if (m_run->loop != nullptr) m_run->loop->exit(0);
}

int32_t CModelessDialog::Result() const { return m_run->result; }
bool CModelessDialog::Running() const { return m_run->running; }

void CModelessDialog::OnModelessResult(uintptr_t wParam) {
    // Signed 32-bit, as the dialog posted it.
    m_run->result = static_cast<int32_t>(static_cast<intptr_t>(wParam));
    if (m_run->running && m_run->result != kModelessNoResult && m_run->loop != nullptr) m_run->loop->exit(0);
}

bool CModelessDialog::event(QEvent* event) {
    if (event->type() == WindowMessageEvent::EventType()) {
        auto* m = static_cast<WindowMessageEvent*>(event);
        if (m->Msg() == UWM_MODELESS_RESULT) {
            OnModelessResult(m->WParam());
            return true;
        }
    }
    return QWidget::event(event);
}

bool CModelessDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_dialog && event->type() == QEvent::Hide && m_run->running) {
        // Looked at after the events already queued, so a result posted just before the
        // dialog closed itself is taken first.
        QMetaObject::invokeMethod(this, &CModelessDialog::CheckDialogGone, Qt::QueuedConnection);
    }
    return QWidget::eventFilter(watched, event);
}

void CModelessDialog::CheckDialogGone() {
    if (!m_run->running || m_run->result != kModelessNoResult) return;
    if (m_dialog && static_cast<QWidget*>(m_dialog.data())->isVisible()) return;   // shown again meanwhile
    m_run->result = kModelessAborted;
    if (m_run->loop != nullptr) m_run->loop->exit(0);
}

int32_t CModelessDialog::RunDialog(QDialog* dialog, int /*templateId*/) {
    m_run->result = kModelessNoResult;
    m_dialog = dialog;
    if (dialog == nullptr) {
        ShowBoxLiteralTitle("Brelon3", "Error Creating Dialog CodeWindow", BoxButtons::Ok, BoxIcon::None);
        return kModelessNoResult;
    }

    // The owner is disabled, not the windows it owns: Qt would disable its child windows too,
    // the hosted dialog among them, so those that were enabled are enabled again.
    QPointer<QWidget> owner = m_owner;
    if (owner) {
        std::vector<QPointer<QWidget>> ownedWindows;
        for (QWidget* w : owner->findChildren<QWidget*>())
            if (w->isWindow() && w->isEnabled()) ownedWindows.emplace_back(w);
        owner->setEnabled(false);
        for (auto& w : ownedWindows)
            if (w) w->setEnabled(true);
    }
    dialog->setEnabled(true);

    std::shared_ptr<RunState> run = m_run;
    QPointer<QObject> watched = dialog;
    dialog->installEventFilter(this);
    connect(dialog, &QObject::destroyed, this, &CModelessDialog::CheckDialogGone, Qt::QueuedConnection);
    dialog->setWindowModality(Qt::NonModal);
    run->running = true;
    dialog->show();

    QEventLoop loop;
    run->loop = &loop;
    // A dialog that did not show ends the run at once as aborted instead of leaving the owner
    // disabled. While the application quits, exec returns at once and the quit stays with
    // the outer loop, which ends in its turn.
    if (!watched || !dialog->isVisible())
        run->result = kModelessAborted;
    else if (run->result == kModelessNoResult)
        loop.exec();
    run->loop = nullptr;
    run->running = false;

    if (watched && run->hostAlive) {
        watched->removeEventFilter(this);
        disconnect(watched, &QObject::destroyed, this, nullptr);
    }
    if (owner) owner->setEnabled(true);
    const int32_t result = run->result;
    if (run->hostAlive) m_dialog = nullptr;
    return result;
}

} // namespace ui
