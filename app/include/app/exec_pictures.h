#pragma once
// The six pictures of the execution monitor, drawn in code on a magenta background (the
// colour that is transparent when they are painted): the machine (120x153), the bar (150x130)
// and the three-lamp signal with its red, yellow or green lamp lit (150x142).
#include <QPixmap>
#include <QWidget>

namespace app {

// Bitmap numbers of the pictures.
enum ExecBitmap : int {
    kBitmapMachine = 818,
    kBitmapBar = 820,
    kBitmapLampYellow = 821,
    kBitmapLampRed = 822,
    kBitmapLampGreen = 823,
};

// The picture of a bitmap number at its source size; a null pixmap for any other number.
QPixmap MakeExecBitmap(int bitmap);

// A picture control: its bitmap stretched over the client area with magenta transparent;
// nothing is painted while its window is minimised.
class ExecPicture : public QWidget {
    Q_OBJECT
public:
    explicit ExecPicture(QWidget* parent = nullptr);
    void SetBitmap(const QPixmap& pixmap);   // a null pixmap empties the control
    const QPixmap& Bitmap() const { return m_pixmap; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap m_pixmap;
};

} // namespace app
