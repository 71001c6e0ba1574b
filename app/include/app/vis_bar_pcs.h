#pragma once
// CVisBarPcs: a computed bar's pieces, cuts, machinings and the rest of the bar (modal,
// read-only). The bar is the current bar of the open list, computed before the view opens.
#include <cstdint>
#include <vector>

#include "ui/ResizeDialog.h"

struct BarRecord;
struct WorkingPiece;
namespace ui {
class MViewDXFStatic;
class CColorLabel;
}
namespace app {
class ViewsReportList;
}

class CVisBarPcs : public ui::CResizeDialog {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 813;
    // Control ids of the template.
    static constexpr int kIdOk = 1;
    static constexpr int kIdPieceLines = 1043;
    static constexpr int kIdDrawing = 1044;
    static constexpr int kIdSeries = 1045;
    static constexpr int kIdCode = 1046;
    static constexpr int kIdColour = 1047;
    static constexpr int kIdLength = 1048;
    static constexpr int kIdRepetitions = 1050;
    static constexpr int kIdRest = 1052;
    static constexpr int kIdMachiningLines = 1054;

    CVisBarPcs(QWidget* parent, BarRecord* bar);
    ~CVisBarPcs() override;

    void OnInitDialog() override;

    app::ViewsReportList* PieceLines() const { return m_pieceList; }
    app::ViewsReportList* MachiningLines() const { return m_machiningList; }
    ui::MViewDXFStatic* Drawing() const { return m_drawing; }
    int32_t Rest() const { return m_rest; }
    int PieceCount() const { return m_pieceCount; }
    int ChosenPiece() const { return m_chosenPiece; }
    // Fills the machining lines of the chosen piece.
    void ShowMachinings();

private:
    void FillPieces();
    void SetValue(int id, const QString& text);

    app::ViewsReportList* m_machiningList = nullptr;
    ui::MViewDXFStatic* m_drawing = nullptr;
    app::ViewsReportList* m_pieceList = nullptr;
    int32_t m_rest = 0;
    int m_pieceCount = 0;
    BarRecord* m_bar;
    int m_chosenPiece = -1;
    std::vector<WorkingPiece*> m_pieces;   // the computation's pieces of the bar (not owned)
};
