#pragma once
// CAboutDialog: the program's About box. It names the program with the machine variant, the
// program's version and the shape compiler's version and, on-line, the versions the controller
// reports ("Office Version" in office mode).
#include <QImage>
#include <string>

#include "ui/ResizeDialog.h"

class CStatoCnc;

namespace app {
// The title line for a machine variant, the program's version and the shape compiler's
// version (either may be empty); at most 99 characters.
std::string AboutTitleText(int variant, const char* programVersion, const char* vlkVersion);
// The version line: the controller's versions on-line, "Office Version" in office mode.
std::string AboutVersionText(bool online, CStatoCnc* cnc);
// The shape compiler's version through its bound entry point; empty when it is not bound.
std::string ShapeCompilerVersion();
// The "?" command: the About box, modal and without a parent window.
void ShowAboutBox();
} // namespace app

class CAboutDialog : public ui::CResizeDialog {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 100;
    static constexpr int kIdOk = 1;
    static constexpr int kIdTitle = 102;
    static constexpr int kIdVersion = 113;
    static constexpr int kIdPicture1 = 1078;
    static constexpr int kIdPicture2 = 1079;

    explicit CAboutDialog(QWidget* parent);
    ~CAboutDialog() override;

    void OnInitDialog() override;

    const std::string& TitleText() const { return m_titleText; }
    const std::string& VersionText() const { return m_versionText; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::string m_titleText;
    std::string m_versionText;
    QImage m_bitmap1;   // 832, painted into picture 1078
    QImage m_bitmap2;   // 831, painted into picture 1079
};
