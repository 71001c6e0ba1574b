// The CNC message list: active messages and alarms with their texts.
#include "app/message_dialog.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>
#include <QTimerEvent>
#include <cstring>

#include "app/dialog_pictures.h"
#include "app/views_place.h"
#include "app/path_table_qt.h"
#include "machine/cnc_state.h"
#include "machine/globals.h"
#include "machine/settings.h"
#include "machine/settings_support.h"
#include "platform/profile.h"
#include "platform/text.h"
#include "ui/OwnControls.h"
#include "ui/qt_text.h"

namespace app {

namespace {
constexpr std::size_t kLineSize = 200;   // a list line with its number, at most 199 characters
constexpr const char* kMissingText = "?????";
} // namespace

void ActiveNumbers::Update(int count, const int* numbers) {
    if (count == 0 && m_count == 0) return;
    if (count != m_count) {
        m_count = count;
        for (std::size_t i = 0; i < m_numbers.size(); ++i) m_numbers[i] = numbers[i];
        m_changed = true;
        return;
    }
    for (std::size_t i = 0; i < m_numbers.size(); ++i) {
        if (m_numbers[i] != numbers[i]) m_changed = true;
        m_numbers[i] = numbers[i];
    }
}

bool ActiveNumbers::TakeChange() {
    const bool changed = m_changed;
    m_changed = false;
    return changed;
}

std::vector<std::string> ActiveNumberLines(const ActiveNumbers& numbers, const char* section, const std::string& textFile) {
    std::vector<std::string> lines;
    if (numbers.Count() == 0) return lines;
    for (int n : numbers.Numbers()) {
        if (n == 0) continue;
        char line[kLineSize];
        const int used = plat::FormatC(line, sizeof line, "%d.", n);
        const std::size_t at = used > 0 ? static_cast<std::size_t>(used) : 0;
        char key[16];
        plat::FormatC(key, sizeof key, "%d", n);
        plat::GetProfileString(section, key, kMissingText, line + at, static_cast<uint32_t>(sizeof line - at),
                               textFile.c_str());
        lines.emplace_back(line);
    }
    return lines;
}

std::string CncMessageFilePath(const char* programDir) {
    return std::string(programDir != nullptr ? programDir : "") + "MSG\\CNC.MSG";
}

} // namespace app

CMessageDialog::CMessageDialog(QWidget* parent) : ui::CResizeDialog(parent) {
    // The message list shows its five lines without scrolling; the alarm list scrolls.
    BuildControls(520, 530,
                  {
                      {kIdMessageCount, ui::ControlKind::Static, 12, 8, 300, 22, ""},
                      {kIdMessages, ui::ControlKind::ListBox, 12, 32, 496, 164, ""},
                      {kIdAlarmCount, ui::ControlKind::Static, 12, 206, 300, 22, ""},
                      {kIdAlarms, ui::ControlKind::ListBox, 12, 230, 496, 246, ""},
                      {kIdReset, ui::ControlKind::PushButton, 292, 490, 96, 28, "B_RESET"},
                      {kIdOk, ui::ControlKind::DefPushButton, 212, 490, 96, 28, "B_OK"},
                  });
    setModal(true);
    EnableShowGate();
    connect(qobject_cast<QPushButton*>(Control(kIdOk)), &QPushButton::clicked, this, &QDialog::accept);
    // A selection change reads the controller too; the change it finds stays marked, so the
    // next tick still rebuilds the list.
    connect(MessageList(), &QListWidget::currentRowChanged, this, [this] { RefreshMessages(); });
    connect(AlarmList(), &QListWidget::currentRowChanged, this, [this] { RefreshAlarms(); });
}

CMessageDialog::~CMessageDialog() = default;

ui::CHorzListBox* CMessageDialog::MessageList() const { return qobject_cast<ui::CHorzListBox*>(Control(kIdMessages)); }
ui::CHorzListBox* CMessageDialog::AlarmList() const { return qobject_cast<ui::CHorzListBox*>(Control(kIdAlarms)); }

void CMessageDialog::SetCaption(int captionId, const char* captionKey, int count) {
    char text[200];
    plat::FormatC(text, sizeof text, "%s  %d", MsgString(captionKey), count);
    if (auto* l = qobject_cast<QLabel*>(Control(captionId))) l->setText(ui::ToQt(text));
}

void CMessageDialog::OnInitDialog() {
    ui::CResizeDialog::OnInitDialog();
    setWindowTitle(ui::ToQt(MsgString("T_LISTMSG")));
    if (auto* b = qobject_cast<QPushButton*>(Control(kIdOk))) b->setText(ui::ToQt(MsgString("B_OK")));
    if (auto* b = qobject_cast<QPushButton*>(Control(kIdReset))) {
        b->setText(ui::ToQt(MsgString("B_RESET")));
        b->hide();
    }
    m_textFile = app::CncMessageFilePath(g_pPathTable != nullptr ? (*g_pPathTable)[PathTable::kProgramDir] : "");
    SetCaption(kIdMessageCount, "T_NUMMSG", 0);
    SetCaption(kIdAlarmCount, "T_NUMALARM", 0);
    if (g_machineConnected == 1) m_timers.Set(kMsgTimerId, g_pSettings != nullptr ? g_pSettings->MSG_TIMER : 500);
    ScaleToScreen();
    app::CentreOverMainFrame(this);
    OpenShowGate();
}

void CMessageDialog::RefreshMessages() {
    if (g_pCncState == nullptr) return;
    int numbers[kMessageSlots] = {};
    const int count = g_pCncState->GetActiveMessages(numbers);
    m_messages.Update(count, numbers);
}

void CMessageDialog::RefreshAlarms() {
    if (g_pCncState == nullptr) return;
    int numbers[kAlarmSlots] = {};
    const int count = g_pCncState->GetActiveAlarms(numbers);
    m_alarms.Update(count, numbers);
}

void CMessageDialog::RebuildList(int listId, int captionId, const char* captionKey, const app::ActiveNumbers& numbers,
                                 const char* section) {
    auto* list = qobject_cast<ui::CHorzListBox*>(Control(listId));
    if (list == nullptr) return;
    // Rebuilding moves the selection: its change notices must not read the controller again.
    const QSignalBlocker block(list);
    list->clear();
    for (const std::string& line : app::ActiveNumberLines(numbers, section, m_textFile)) list->AddString(ui::ToQt(line));
    SetCaption(captionId, captionKey, numbers.Count());
}

void CMessageDialog::OnMsgTimer() {
    RefreshMessages();
    if (m_messages.TakeChange()) RebuildList(kIdMessages, kIdMessageCount, "T_NUMMSG", m_messages, "MSG");
    RefreshAlarms();
    if (m_alarms.TakeChange()) RebuildList(kIdAlarms, kIdAlarmCount, "T_NUMALARM", m_alarms, "ALARM");
}

void CMessageDialog::timerEvent(QTimerEvent* event) {
    if (m_timers.IdOf(event->timerId()) == kMsgTimerId) {
        OnMsgTimer();
        return;
    }
    ui::CResizeDialog::timerEvent(event);
}

void CMessageDialog::StopTimer() {
    if (g_machineConnected == 1) m_timers.Kill(kMsgTimerId);
}

void CMessageDialog::closeEvent(QCloseEvent* event) {
    StopTimer();
    ui::CResizeDialog::closeEvent(event);
}

void CMessageDialog::done(int result) {
    StopTimer();
    ui::CResizeDialog::done(result);
}

void app::ShowMessageList() {
    CMessageDialog dialog(nullptr);
    dialog.exec();
}
