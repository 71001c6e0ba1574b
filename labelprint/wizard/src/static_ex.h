#pragma once
// CStaticEx: a static text with its own background and text colours, font and an optional
// link that a click opens. The wizard uses the background and the font.
#include <QColor>
#include <QFont>
#include <QLabel>
#include <QPointer>
#include <string>

class CStaticEx : public QLabel {
public:
    explicit CStaticEx(QWidget* parent = nullptr);

    // Returns the previous background colour and repaints.
    QColor SetBkColor(const QColor& colour);
    QColor BkColor() const { return background_; }
    void SetTextColor(const QColor& colour);
    void SetFont(const QFont& font);
    // A link opened by a click ("open" through the desktop services).
    void SetLink(const std::string& target);
    // Shown or hidden by each click.
    void SetAssociatedWindow(QWidget* window) { associated_ = window; }
    bool Visited() const { return visited_; }

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    void ApplyColours();

    QPointer<QWidget> associated_;
    std::string link_;
    QColor background_;
    QColor text_;
    QColor linkColour_{0, 128, 192};
    bool visited_ = false;
};
