#include "app/vis_bar_pcs.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>

#include "app/views_list.h"
#include "app/views_logic.h"
#include "app/views_place.h"
#include "engine/bar_computation.h"
#include "machine/globals.h"
#include "machine/ralla_tools.h"
#include "machine/settings.h"
#include "machine/settings_support.h"
#include "machine/units.h"
#include "ui/OwnControls.h"
#include "ui/ViewDxfStatic.h"
#include "ui/qt_text.h"

using ui::ControlKind;
using ui::ToQt;

namespace {
QString Key(const char* key) { return ToQt(MsgString(key)); }

// Captions of the bar's values.
constexpr int kIdSeriesCaption = 259;
constexpr int kIdCodeCaption = 260;
constexpr int kIdColourCaption = 383;
constexpr int kIdLengthCaption = 389;
constexpr int kIdRepetitionsCaption = 1049;
constexpr int kIdRestCaption = 1051;
} // namespace

CVisBarPcs::CVisBarPcs(QWidget* parent, BarRecord* bar) : ui::CResizeDialog(parent), m_bar(bar) {
    BuildControls(760, 540,
                  {
                      {kIdSeriesCaption, ControlKind::Static, 8, 12, 90, 28, "S_SERIE"},
                      {kIdSeries, ControlKind::ColorLabel, 100, 12, 162, 28, ""},
                      {kIdCodeCaption, ControlKind::Static, 8, 48, 90, 28, "S_CODICE"},
                      {kIdCode, ControlKind::ColorLabel, 100, 48, 162, 28, ""},
                      {kIdColourCaption, ControlKind::Static, 8, 84, 90, 28, "S_COLORE"},
                      {kIdColour, ControlKind::ColorLabel, 100, 84, 162, 28, ""},
                      {kIdLengthCaption, ControlKind::Static, 272, 12, 212, 28, "S_LUNG"},
                      {kIdLength, ControlKind::ColorLabel, 486, 12, 90, 28, ""},
                      {kIdRepetitionsCaption, ControlKind::Static, 272, 48, 212, 28, "S_RIPETIZ"},
                      {kIdRepetitions, ControlKind::ColorLabel, 486, 48, 90, 28, ""},
                      {kIdRestCaption, ControlKind::Static, 272, 84, 212, 28, "S_RESIDUO"},
                      {kIdRest, ControlKind::ColorLabel, 486, 84, 90, 28, ""},
                      {kIdOk, ControlKind::DefPushButton, 330, 502, 100, 32, "B_OK"},
                  });
    for (int id : {kIdSeries, kIdCode, kIdColour, kIdLength, kIdRepetitions, kIdRest})
        if (auto* l = qobject_cast<QLabel*>(Control(id))) l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_drawing = new ui::MViewDXFStatic(this);
    m_drawing->setObjectName(QStringLiteral("id_%1").arg(kIdDrawing));
    m_drawing->setGeometry(586, 6, 166, 150);
    m_pieceList = new app::ViewsReportList(this);
    m_pieceList->setObjectName(QStringLiteral("id_%1").arg(kIdPieceLines));
    m_pieceList->setGeometry(8, 164, 744, 196);
    m_machiningList = new app::ViewsReportList(this);
    m_machiningList->setObjectName(QStringLiteral("id_%1").arg(kIdMachiningLines));
    m_machiningList->setGeometry(8, 368, 744, 126);
    setModal(true);
    EnableShowGate();
    connect(qobject_cast<QPushButton*>(Control(kIdOk)), &QPushButton::clicked, this, [this] { done(1); });
    // A change of the selected piece makes it the chosen one; a click or a double click (and the
    // change itself) fills its machinings.
    connect(m_pieceList, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        m_chosenPiece = item != nullptr ? m_pieceList->indexOfTopLevelItem(item) : -1;
        ShowMachinings();
    });
    connect(m_pieceList, &QTreeWidget::itemClicked, this, [this] { ShowMachinings(); });
    connect(m_pieceList, &QTreeWidget::itemDoubleClicked, this, [this] { ShowMachinings(); });
}

CVisBarPcs::~CVisBarPcs() = default;

void CVisBarPcs::SetValue(int id, const QString& text) {
    if (auto* l = qobject_cast<QLabel*>(Control(id))) l->setText(text);
}

void CVisBarPcs::OnInitDialog() {
    CResizeDialog::OnInitDialog();
    // The computation's pieces belong to its current bar: the view shows them for that bar only.
    if (m_bar == nullptr && g_pBarList != nullptr) m_bar = g_pBarList->currentBar;
    if (g_pBarList != nullptr && m_bar != nullptr && g_pBarList->currentBar == m_bar) m_pieces = g_pBarList->pieces;

    // 1. Title, piece columns, captions and the bar's values.
    setWindowTitle(Key("T_VIS_BAR_PCS"));
    m_pieceList->SetColumns({Key("S_LIST_ID"), Key("S_LUNGVIS"), Key("S_CUT_TYPE_SX"), Key("S_ANG_PCS_SX1"),
                             Key("S_ANG_PCS_SX2"), Key("S_CUT_TYPE_DX"), Key("S_ANG_PCS_DX1"), Key("S_ANG_PCS_DX2"),
                             Key("S_LIST_RIPVIS"), Key("S_LAVORAZ"),
                             ToQt(MsgString("C_ADDINFO")) + QStringLiteral("1")});
    SetValue(kIdSeriesCaption, Key("S_SERIE"));
    SetValue(kIdCodeCaption, Key("S_CODICE"));
    SetValue(kIdColourCaption, Key("S_COLORE"));
    SetValue(kIdLengthCaption, Key("S_LUNG"));
    SetValue(kIdRepetitionsCaption, Key("S_RIPETIZ"));
    SetValue(kIdRestCaption, Key("S_RESIDUO"));
    if (auto* b = qobject_cast<QPushButton*>(Control(kIdOk))) b->setText(Key("B_OK"));
    if (m_bar != nullptr) {
        SetValue(kIdSeries, ToQt(m_bar->series));
        SetValue(kIdCode, ToQt(m_bar->code));
        SetValue(kIdColour, ToQt(app::BarColour(*m_bar)));
        SetValue(kIdLength, ToQt(app::LengthText(m_bar->length)));
        SetValue(kIdRepetitions, QString::number(m_bar->repetitionsLeft));
        // 2. The profile drawing.
        const std::string path = app::ProfileDrawingPath(g_pSettings != nullptr ? g_pSettings->DIR_DXF : "", *m_bar);
        const ui::PreviewBar preview = app::PreviewBarOf(*m_bar);
        m_drawing->SetDrawing(path.c_str(), 1, m_bar->offsetY, m_bar->offsetZ, false, 0.0, &preview, 0);
    }
    // 3. Pieces and rest, machining columns, scaled, centred, columns sized, shown.
    FillPieces();
    SetValue(kIdRest, m_bar != nullptr ? ToQt(app::LengthText(m_rest)) : QString());
    m_machiningList->SetColumns({Key("S_LIST_ID"), Key("S_TIPO_VIS"), Key("S_QUOTA_X"), Key("S_QUOTA_Y"),
                                 Key("S_QUOTA_Z"), Key("T_UTENSILE"), Key("S_LDT_NAME"), Key("S_ID_LDT")});
    ScaleToScreen();
    app::CentreOverMainFrame(this);
    m_pieceList->SizeColumns();
    m_machiningList->SizeColumns();
    OpenShowGate();
}

void CVisBarPcs::FillPieces() {
    m_pieceCount = 0;
    if (m_bar == nullptr || g_pSettings == nullptr) return;
    const app::RestParams params = app::RestParamsOf(*g_pSettings, MachineVariant);
    const bool barFlag = app::BarCutFlag(*m_bar);
    m_rest = app::StartingRest(*m_bar, params);
    for (const WorkingPiece* p : m_pieces) {
        if (p == nullptr) continue;
        const app::CutTexts left = app::PieceCutTexts(*p, app::kLeftEnd, MachineVariant, barFlag);
        const app::CutTexts right = app::PieceCutTexts(*p, app::kRightEnd, MachineVariant, barFlag);
        m_pieceList->AddRow({ToQt(p->Nome), ToQt(app::LengthText(p->Lung)), ToQt(left.type), ToQt(left.angle1),
                             ToQt(left.angle2), ToQt(right.type), ToQt(right.angle1), ToQt(right.angle2),
                             QString::number(m_bar->repetitionsLeft), QString::number(p->Lav), ToQt(p->ADDINFO)});
        m_rest = app::RestAfterPiece(m_rest, *m_bar, *p, params);
        ++m_pieceCount;
    }
}

void CVisBarPcs::ShowMachinings() {
    m_machiningList->clear();
    if (m_chosenPiece < 0 || m_chosenPiece >= static_cast<int>(m_pieces.size()) || g_pBarList == nullptr) {
        m_machiningList->SizeColumns();
        return;
    }
    const WorkingPiece& p = *m_pieces[static_cast<std::size_t>(m_chosenPiece)];
    const auto& records = g_pBarList->records;
    for (int i = p.FstLav; i < p.FstLav + p.Lav; ++i) {
        if (i < 0 || i >= static_cast<int>(records.size()) || records[static_cast<std::size_t>(i)] == nullptr) break;
        QStringList cells;
        for (const std::string& c : app::MachiningColumns(*records[static_cast<std::size_t>(i)], MachineVariant,
                                                          g_pRallaTools))
            cells << ToQt(c);
        m_machiningList->AddRow(cells);
    }
    m_machiningList->SizeColumns();
}
