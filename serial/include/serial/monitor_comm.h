#pragma once
// The link monitor (Qt side of the serial library, target Porvl4Monitor): MMonitorComm, a
// modeless dialog with two rows of four LEDs (send row, receive row) and one step counter
// shared by both rows; and QtCommWindow, which lets a widget own a serial link (message
// pump and monitor).
#include <QDialog>
#include <QPointer>
#include <map>

#include "serial/comm_window.h"

class QLabel;

namespace porvl4 {

class MMonitorComm : public QDialog {
public:
    static constexpr int kTemplateId = 7005;
    // Bitmaps of the LEDs.
    static constexpr int kBitmapRed = 5001;
    static constexpr int kBitmapSend = 5002;
    static constexpr int kBitmapOff = 5003;
    static constexpr int kBitmapReceive = 5004;
    static constexpr int kSendRow = 0;
    static constexpr int kReceiveRow = 1;

    explicit MMonitorComm(QWidget* parent);

    // Queues one of the WM_MONITOR_* messages; it is handled by the event loop.
    void PostMonitorMessage(uint32_t message);

    int Step() const { return step_; }
    int LedBitmap(int row, int index) const; // one of the kBitmap* values
    QLabel* Led(int row, int index) const;

    // The monitor dialog behind a link's monitor object (null when none).
    static MMonitorComm* FromMonitor(CommMonitor* monitor);

protected:
    bool event(QEvent* e) override;

private:
    void OnInitDialog();
    void RunningLight(int row, int light);
    void AllRed();
    void SetLed(int row, int index, int bitmap);

    std::map<int, QLabel*> controls_; // control id -> LED
    int step_ = 0;
    int bitmaps_[2][4] = {};
};

// A widget as the owner window of a serial link.
class QtCommWindow : public CommWindow {
public:
    explicit QtCommWindow(QWidget* widget) : widget_(widget) {}
    void PumpMessages() override;
    CommMonitor* CreateMonitor() override;
    QWidget* Widget() const { return widget_; }

private:
    QPointer<QWidget> widget_;
};

} // namespace porvl4

using porvl4::MMonitorComm;
