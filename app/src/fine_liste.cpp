#include "app/fine_liste.h"

#include <QLabel>
#include <QPushButton>

#include "app/main_frame.h"
#include "app/views_place.h"
#include "machine/file_routines.h"
#include "machine/settings_support.h"
#include "machine/ui_services.h"
#include "ui/qt_text.h"

using ui::ControlKind;
using ui::ToQt;

namespace {
QString Key(const char* key) { return ToQt(MsgString(key)); }
} // namespace

FineListe::FineListe(QWidget* parent) : ui::CResizeDialog(parent) {
    BuildControls(420, 150,
                  {
                      {kIdMessage, ControlKind::Static, 14, 10, 392, 30, "S_END_LIST_MSG"},
                      {kIdQuestion, ControlKind::Static, 14, 42, 392, 48, "S_CAN_VIS_REP"},
                      {kIdReport, ControlKind::DefPushButton, 60, 104, 140, 34, "S_VIS_REP"},
                      {kIdClose, ControlKind::PushButton, 220, 104, 140, 34, "B_CLOSEWIN"},
                  });
    if (auto* q = qobject_cast<QLabel*>(Control(kIdQuestion))) {
        q->setWordWrap(true);
        q->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    }
    setModal(true);
    EnableShowGate();
    connect(qobject_cast<QPushButton*>(Control(kIdReport)), &QPushButton::clicked, this, &FineListe::OnReport);
    connect(qobject_cast<QPushButton*>(Control(kIdClose)), &QPushButton::clicked, this, [this] { done(kResultClosed); });
}

FineListe::~FineListe() = default;

void FineListe::OnInitDialog() {
    CResizeDialog::OnInitDialog();
    app::CentreOverMainFrame(this);
    setWindowTitle(Key("ID_END_EXEC"));
    if (auto* l = qobject_cast<QLabel*>(Control(kIdMessage))) l->setText(Key("S_END_LIST_MSG"));
    if (auto* l = qobject_cast<QLabel*>(Control(kIdQuestion))) l->setText(Key("S_CAN_VIS_REP"));
    if (auto* b = qobject_cast<QPushButton*>(Control(kIdReport))) b->setText(Key("S_VIS_REP"));
    if (auto* b = qobject_cast<QPushButton*>(Control(kIdClose))) b->setText(Key("B_CLOSEWIN"));
    ScaleToScreen();
    app::CentreOverMainFrame(this);
    OpenShowGate();
}

void FineListe::OnReport() {
    const char* log = MainFrame != nullptr ? MainFrame->timeLogPath : "";
    // The time log opens in the desktop's text viewer, started detached with the file as its one
    // argument and no shell: BRELON_TEXT_VIEWER (a command, optionally with its own arguments),
    // else $VISUAL, else $EDITOR, else xdg-open (see OpenInNotepad).
    if (IsFileReadable(log) != 0 && OpenInNotepad(log)) {
        done(kResultReport);
        return;
    }
    // A log that cannot be read, or a viewer that does not start: the operator is told and the
    // box stays open.
    MessageBoxRequest r;
    r.title = "T_ATTENZIONE";
    r.text = MsgString("M_NO_BARLOG");
    r.icon = BoxIcon::Warning;
    r.taskModal = false;
    Ui().ShowMessageBox(r);
}

void FineListe::reject() { done(kResultClosed); }
