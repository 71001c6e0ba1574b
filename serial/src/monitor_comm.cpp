// The link monitor dialog and the Qt owner window of a link.
#include "serial/monitor_comm.h"

#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QPainter>
#include <QPixmap>

namespace porvl4 {
namespace {

// Window messages travel as events of this type carrying the message number.
const QEvent::Type kMonitorEventType = static_cast<QEvent::Type>(QEvent::registerEventType());

class MonitorEvent : public QEvent {
public:
    explicit MonitorEvent(uint32_t message) : QEvent(kMonitorEventType), message_(message) {}
    uint32_t Message() const { return message_; }

private:
    uint32_t message_;
};

// Controls of dialog 7005: the LEDs, send row (ids 1001..1004) over receive row (1005..1008).
struct ControlDef {
    int id;
    int row;
    int index;
    QRect rect;
};
constexpr int kLedSize = 16;
const ControlDef kControls[] = {
    {1001, 0, 0, {12, 12, kLedSize, kLedSize}}, {1002, 0, 1, {36, 12, kLedSize, kLedSize}},
    {1003, 0, 2, {60, 12, kLedSize, kLedSize}}, {1004, 0, 3, {84, 12, kLedSize, kLedSize}},
    {1005, 1, 0, {12, 40, kLedSize, kLedSize}}, {1006, 1, 1, {36, 40, kLedSize, kLedSize}},
    {1007, 1, 2, {60, 40, kLedSize, kLedSize}}, {1008, 1, 3, {84, 40, kLedSize, kLedSize}},
};
constexpr QSize kDialogSize{108, 68};

// The four LED bitmaps, drawn once.
const QPixmap& Bitmap(int id) {
    static std::map<int, QPixmap> cache;
    auto it = cache.find(id);
    if (it != cache.end()) return it->second;
    QColor colour = id == MMonitorComm::kBitmapSend      ? QColor(0, 200, 0)
                    : id == MMonitorComm::kBitmapReceive ? QColor(255, 190, 0)
                    : id == MMonitorComm::kBitmapRed     ? QColor(220, 0, 0)
                                                         : QColor(70, 70, 70);
    QPixmap pm(kLedSize, kLedSize);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QColor(30, 30, 30));
    p.setBrush(colour);
    p.drawEllipse(1, 1, kLedSize - 2, kLedSize - 2);
    p.end();
    return cache.emplace(id, pm).first->second;
}

// The monitor object of a link: the dialog is created with OpenComm, as a child of the
// owner widget. Qt may delete the dialog with its parent; the guarded pointer notices.
class MonitorLink : public CommMonitor {
public:
    explicit MonitorLink(QWidget* parent) : parent_(parent) {}
    ~MonitorLink() override { MonitorLink::DestroyWindow(); }

    bool CreateWindow() override {
        if (!dialog_) {
            dialog_ = new MMonitorComm(parent_);
            dialog_->show();
        }
        return true;
    }
    void DestroyWindow() override { delete dialog_.data(); }
    void Show(bool show) override {
        if (dialog_) dialog_->setVisible(show);
    }
    void Post(uint32_t message) override {
        if (dialog_) dialog_->PostMonitorMessage(message);
    }
    MMonitorComm* Dialog() const { return dialog_.data(); }

private:
    QPointer<QWidget> parent_;
    QPointer<MMonitorComm> dialog_;
};

} // namespace

MMonitorComm::MMonitorComm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("id_%1").arg(kTemplateId));
    setModal(false);
    setFixedSize(kDialogSize);
    for (const ControlDef& c : kControls) {
        auto* led = new QLabel(this);
        led->setObjectName(QStringLiteral("id_%1").arg(c.id));
        led->setGeometry(c.rect);
        controls_[c.id] = led;
    }
    OnInitDialog();
}

void MMonitorComm::OnInitDialog() {
    step_ = 0;
    for (int row = 0; row < 2; ++row)
        for (int i = 0; i < 4; ++i) SetLed(row, i, kBitmapOff);
}

QLabel* MMonitorComm::Led(int row, int index) const {
    auto it = controls_.find(1001 + row * 4 + index);
    return it == controls_.end() ? nullptr : it->second;
}

int MMonitorComm::LedBitmap(int row, int index) const {
    if (row < 0 || row > 1 || index < 0 || index > 3) return 0;
    return bitmaps_[row][index];
}

void MMonitorComm::SetLed(int row, int index, int bitmap) {
    bitmaps_[row][index] = bitmap;
    if (QLabel* led = Led(row, index)) led->setPixmap(Bitmap(bitmap));
}

void MMonitorComm::RunningLight(int row, int light) {
    step_ = (step_ + 1) % 4;
    for (int i = 0; i < 4; ++i) SetLed(row, i, i == step_ ? light : kBitmapOff);
    update();
}

void MMonitorComm::AllRed() {
    for (int row = 0; row < 2; ++row)
        for (int i = 0; i < 4; ++i) SetLed(row, i, kBitmapRed);
    update();
}

void MMonitorComm::PostMonitorMessage(uint32_t message) {
    QCoreApplication::postEvent(this, new MonitorEvent(message));
}

bool MMonitorComm::event(QEvent* e) {
    if (e->type() != kMonitorEventType) return QDialog::event(e);
    switch (static_cast<MonitorEvent*>(e)->Message()) {
    case WM_MONITOR_SEND: RunningLight(kSendRow, kBitmapSend); break;
    case WM_MONITOR_RECEIVE: RunningLight(kReceiveRow, kBitmapReceive); break;
    case WM_MONITOR_ALL_RED: AllRed(); break;
    default: break;
    }
    return true;
}

MMonitorComm* MMonitorComm::FromMonitor(CommMonitor* monitor) {
    auto* link = dynamic_cast<MonitorLink*>(monitor);
    return link ? link->Dialog() : nullptr;
}

void QtCommWindow::PumpMessages() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

CommMonitor* QtCommWindow::CreateMonitor() { return new MonitorLink(widget_.data()); }

} // namespace porvl4
