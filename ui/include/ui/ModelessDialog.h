#pragma once
// The modeless host: runs a dialog modelessly while the calling code waits for its result.
// The owner is disabled for the run (its other windows keep working); a nested event loop
// keeps every timer and posted message of the program flowing until the hosted dialog posts
// UWM_MODELESS_RESULT with its result, the dialog goes away without posting one, or the
// application quits.
#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <memory>

#include "ui/window_message.h"

class QDialog;

namespace ui {

constexpr unsigned UWM_MODELESS_RESULT = kWmUser + 0x70;

// Result of a run that has none yet (also: no dialog, or the application quit first).
constexpr int32_t kModelessNoResult = -1;
// Result of a hosted dialog closed without posting one (Esc, close box, destroyed): the
// value the execution monitor posts for an aborted bar, so callers treat it the same way.
constexpr int32_t kModelessAborted = 2;

// Posts UWM_MODELESS_RESULT with result to the dialog's parent window (its host).
void PostModelessResult(QWidget* dialog, int32_t result);

class CModelessDialog : public QWidget {
    Q_OBJECT
public:
    // A hidden child of the owner, over the owner's rectangle. Hosted dialogs are built with
    // the host as their parent.
    explicit CModelessDialog(QWidget* owner);
    ~CModelessDialog() override;

    // Shows the dialog modelessly with the owner disabled and waits; returns the posted
    // result, kModelessAborted when the dialog closed without one, kModelessNoResult without a
    // dialog or when the application quit before a result. The owner is enabled again on
    // every way out. templateId names the dialog's template (the dialog built itself).
    int32_t RunDialog(QDialog* dialog, int templateId);

    int32_t Result() const;
    bool Running() const;

    // The message handler: stores the first parameter as the result.
    void OnModelessResult(uintptr_t wParam);

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct RunState;
    void CheckDialogGone();

    QPointer<QWidget> m_owner;
    // Watched as a plain object: its hide and destroy notices come while it is half destroyed.
    QPointer<QObject> m_dialog;
    std::shared_ptr<RunState> m_run;
};

} // namespace ui
