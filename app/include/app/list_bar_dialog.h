#pragma once
// CListBarDialog: the bars still to come, from the current one to the end (modal, read-only).
// Consecutive bars of the same profile, colour and length make one line; the chosen line's
// profile section is drawn with its position in the machine.
#include <vector>

#include "app/views_logic.h"
#include "ui/ResizeDialog.h"

class QLabel;
namespace ui {
class MViewDXFStatic;
}
namespace app {
class ViewsReportList;
}

class CListBarDialog : public ui::CResizeDialog {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 406;
    // Control ids of the template.
    static constexpr int kIdOk = 1;
    static constexpr int kIdListGroup = 267;
    static constexpr int kIdDrawing = 407;
    static constexpr int kIdOffsetY = 408;
    static constexpr int kIdOffsetZ = 409;
    static constexpr int kIdPositionGroup = 410;
    static constexpr int kIdBarLines = 1081;

    // startIndex: the current bar among the confirmed bars.
    CListBarDialog(QWidget* parent, int startIndex);
    ~CListBarDialog() override;

    void OnInitDialog() override;

    // The lines shown (first bar and summed repetitions of each) and the chosen one.
    const std::vector<app::BarListLine>& Lines() const { return m_lines; }
    int ChosenLine() const { return m_chosenLine; }
    app::ViewsReportList* BarLines() const { return m_list; }
    ui::MViewDXFStatic* Drawing() const { return m_drawing; }
    // Shows the profile of a line (its first bar).
    void ShowLine(int line);

private:
    void FillLines();

    int m_startIndex;
    std::vector<app::BarListLine> m_lines;   // one entry per line, as many as the bars need
    int m_chosenLine = -1;
    app::ViewsReportList* m_list = nullptr;
    ui::MViewDXFStatic* m_drawing = nullptr;
    QLabel* m_offsetY = nullptr;
    QLabel* m_offsetZ = nullptr;
};
