// The About box and the "?" command that shows it.
#include "app/about_dialog.h"

#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <cstring>

#include "app/dialog_pictures.h"
#include "app/views_place.h"
#include "app/main_frame.h"
#include "app/velmo_app.h"
#include "machine/cnc_state.h"
#include "machine/globals.h"
#include "machine/settings_support.h"
#include "platform/text.h"
#include "ui/qt_text.h"

namespace app {

std::string AboutTitleText(int variant, const char* programVersion, const char* vlkVersion) {
    const char* machine = variant == 2 ? "Brelon V1" : variant == 1 ? "Brelon3 L1" : "Brelon2";
    char title[100];
    plat::FormatC(title, sizeof title, "Velmo for %s %s - Vlk %s", machine,
                  programVersion != nullptr ? programVersion : "", vlkVersion != nullptr ? vlkVersion : "");
    return title;
}

std::string AboutVersionText(bool online, CStatoCnc* cnc) {
    if (!online || cnc == nullptr) return "Office Version";
    char text[100];
    plat::FormatC(text, sizeof text, "Plc: v%.3f  -  Cnc: v%.3f  -  OS Cnc: v%.3f",
                  static_cast<double>(cnc->GetPlcVersion()), static_cast<double>(cnc->GetCncVersion()),
                  static_cast<double>(cnc->GetCncOsVersion()));
    return text;
}

std::string ShapeCompilerVersion() {
    if (GetVlkVersion == nullptr) return {};
    char version[20] = {};
    GetVlkVersion(version, 8);
    version[sizeof version - 1] = '\0';   // the library copies at most 8 characters, maybe unended
    return version;
}

void ShowAboutBox() {
    CAboutDialog about(nullptr);
    about.exec();
}

} // namespace app

CAboutDialog::CAboutDialog(QWidget* parent) : ui::CResizeDialog(parent) {
    // The template: pictures at the left, the title and version lines framed at the right,
    // the rights and contact lines framed below them, OK at the bottom.
    BuildControls(530, 250,
                  {
                      {kIdPicture1, ui::ControlKind::Static, 14, 16, 78, 78, ""},
                      {kIdPicture2, ui::ControlKind::Static, 14, 118, 78, 78, ""},
                      {kIdTitle, ui::ControlKind::Static, 116, 22, 398, 24, ""},
                      {kIdVersion, ui::ControlKind::Static, 116, 58, 398, 24, ""},
                      {115, ui::ControlKind::Static, 116, 118, 398, 22, "Copyright (C) Nortavelli s.r.l."},
                      {116, ui::ControlKind::Static, 116, 142, 398, 22, "All rights reserved."},
                      {117, ui::ControlKind::Static, 116, 166, 398, 22, "Service: contact your machine supplier."},
                      {kIdOk, ui::ControlKind::DefPushButton, 223, 210, 84, 28, "OK"},
                  });
    // Three black frames around the picture column, the program lines and the rights lines.
    const struct {
        int id, x, y, w, h;
    } frames[] = {{109, 6, 8, 94, 196}, {110, 108, 12, 414, 80}, {114, 108, 108, 414, 88}};
    for (const auto& f : frames) {
        auto* frame = new QFrame(this);
        frame->setObjectName(QStringLiteral("id_%1").arg(f.id));
        frame->setFrameStyle(QFrame::Box | QFrame::Plain);
        frame->setLineWidth(1);
        QPalette pal = frame->palette();
        pal.setColor(QPalette::WindowText, Qt::black);
        frame->setPalette(pal);
        frame->setGeometry(f.x, f.y, f.w, f.h);
        frame->lower();
    }
    for (int id : {kIdTitle, kIdVersion})
        if (auto* l = qobject_cast<QLabel*>(Control(id))) l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setWindowTitle(QStringLiteral("About VELMO"));
    setModal(true);
    EnableShowGate();
    connect(qobject_cast<QPushButton*>(Control(kIdOk)), &QPushButton::clicked, this, &QDialog::accept);
}

CAboutDialog::~CAboutDialog() = default;

void CAboutDialog::OnInitDialog() {
    ui::CResizeDialog::OnInitDialog();
    const std::string vlk = app::ShapeCompilerVersion();
    char programVersion[20];
    plat::FormatC(programVersion, sizeof programVersion, "%s", g_programVersion);
    m_titleText = app::AboutTitleText(MachineVariant, programVersion, vlk.c_str());
    m_versionText = app::AboutVersionText(g_machineConnected == 1, g_pCncState);
    for (int id : {kIdPicture1, kIdPicture2})
        if (auto* l = qobject_cast<QLabel*>(Control(id))) l->clear();
    m_bitmap1 = app::AboutProfilePicture();
    m_bitmap2 = app::AboutToolPicture();
    ScaleToScreen();
    app::CentreOverMainFrame(this);
    OpenShowGate();
    if (auto* l = qobject_cast<QLabel*>(Control(kIdTitle))) l->setText(ui::ToQt(m_titleText));
    if (auto* l = qobject_cast<QLabel*>(Control(kIdVersion))) l->setText(ui::ToQt(m_versionText));
}

void CAboutDialog::paintEvent(QPaintEvent* event) {
    ui::CResizeDialog::paintEvent(event);
    QPainter painter(this);
    if (QWidget* w = Control(kIdPicture1)) app::DrawKeyedPicture(painter, w->geometry(), m_bitmap1);
    if (QWidget* w = Control(kIdPicture2)) app::DrawKeyedPicture(painter, w->geometry(), m_bitmap2);
}
