// CStaticEx.
#include "static_ex.h"

#include <QApplication>
#include <QDesktopServices>
#include <QMouseEvent>
#include <QPalette>
#include <QUrl>

#include "labelprint/library.h"
#include "labelprint/message_sink.h"

CStaticEx::CStaticEx(QWidget* parent) : QLabel(parent) {
    background_ = palette().color(QPalette::Button);
    text_ = palette().color(QPalette::WindowText);
    setAutoFillBackground(true);
    ApplyColours();
}

QColor CStaticEx::SetBkColor(const QColor& colour) {
    const QColor previous = background_;
    background_ = colour;
    ApplyColours();
    return previous;
}

void CStaticEx::SetTextColor(const QColor& colour) {
    text_ = colour;
    ApplyColours();
}

void CStaticEx::SetFont(const QFont& font) { setFont(font); }

void CStaticEx::SetLink(const std::string& target) {
    link_ = target;
    setCursor(link_.empty() ? Qt::ArrowCursor : Qt::PointingHandCursor);
    ApplyColours();
}

void CStaticEx::ApplyColours() {
    QPalette pal = palette();
    pal.setColor(QPalette::Window, background_);
    pal.setColor(QPalette::WindowText, link_.empty() ? text_ : linkColour_);
    setPalette(pal);
    update();
}

void CStaticEx::mousePressEvent(QMouseEvent* event) {
    if (associated_) associated_->setVisible(!associated_->isVisible());
    if (!link_.empty()) {
        if (QDesktopServices::openUrl(QUrl::fromUserInput(QString::fromStdString(link_)))) {
            visited_ = true;
            update();
        } else {
            QApplication::beep();
            const std::string text = "Unable to open " + link_ + ".";
            labelprint::ShowMessage(text.c_str(), "", tagrix::kBoxPlain);
        }
    }
    QLabel::mousePressEvent(event);
}
