#include "app/list_bar_dialog.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include "app/views_list.h"
#include "app/views_place.h"
#include "engine/bar_computation.h"
#include "machine/settings.h"
#include "machine/settings_support.h"
#include "machine/globals.h"
#include "machine/units.h"
#include "ui/ViewDxfStatic.h"
#include "ui/qt_text.h"

using ui::ControlKind;
using ui::ToQt;

namespace {
QString Key(const char* key) { return ToQt(MsgString(key)); }

// The bars of the job in list order (their repetitions still to do come with them).
std::vector<const BarRecord*> JobBars() {
    std::vector<const BarRecord*> bars;
    if (g_pBarList == nullptr) return bars;
    const int count = app::JobBarCount(*g_pBarList);
    bars.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) bars.push_back(g_pBarList->Bar(i));
    return bars;
}
} // namespace

CListBarDialog::CListBarDialog(QWidget* parent, int startIndex) : ui::CResizeDialog(parent), m_startIndex(startIndex) {
    BuildControls(780, 430,
                  {
                      {kIdListGroup, ControlKind::GroupBox, 8, 6, 540, 374, "S_LISTA_CARICO"},
                      {kIdPositionGroup, ControlKind::GroupBox, 556, 6, 216, 374, "S_POSIZ_PROF"},
                      {kIdOffsetY, ControlKind::Static, 568, 296, 194, 30, ""},
                      {kIdOffsetZ, ControlKind::Static, 568, 334, 194, 30, ""},
                      {kIdOk, ControlKind::DefPushButton, 340, 388, 100, 32, "B_OK"},
                  });
    m_list = new app::ViewsReportList(this);
    m_list->setObjectName(QStringLiteral("id_%1").arg(kIdBarLines));
    m_list->setGeometry(18, 32, 520, 338);
    m_drawing = new ui::MViewDXFStatic(this);
    m_drawing->setObjectName(QStringLiteral("id_%1").arg(kIdDrawing));
    m_drawing->setGeometry(568, 32, 194, 254);
    m_offsetY = qobject_cast<QLabel*>(Control(kIdOffsetY));
    m_offsetZ = qobject_cast<QLabel*>(Control(kIdOffsetZ));
    setModal(true);
    EnableShowGate();
    connect(qobject_cast<QPushButton*>(Control(kIdOk)), &QPushButton::clicked, this, [this] { done(1); });
    connect(m_list, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (item != nullptr) ShowLine(m_list->indexOfTopLevelItem(item));
    });
}

CListBarDialog::~CListBarDialog() = default;

void CListBarDialog::OnInitDialog() {
    CResizeDialog::OnInitDialog();
    // 1. Texts and columns.
    setWindowTitle(Key("T_LISTBAR"));
    if (auto* g = qobject_cast<QGroupBox*>(Control(kIdListGroup))) g->setTitle(Key("S_LISTA_CARICO"));
    if (auto* g = qobject_cast<QGroupBox*>(Control(kIdPositionGroup))) g->setTitle(Key("S_POSIZ_PROF"));
    if (auto* b = qobject_cast<QPushButton*>(Control(kIdOk))) b->setText(Key("B_OK"));
    m_list->SetColumns({Key("S_SERIE"), Key("S_CODICE"), Key("S_LIST_LUNG"), Key("S_LIST_RIP"), Key("S_COLORE")});
    // 2. The lines.
    FillLines();
    // 3. The first line chosen, the dialog scaled, its columns sized, centred and shown.
    if (!m_lines.empty()) m_list->SelectRow(0);
    ScaleToScreen();
    m_list->SizeColumns();
    app::CentreOverMainFrame(this);
    OpenShowGate();
}

void CListBarDialog::FillLines() {
    const std::vector<const BarRecord*> bars = JobBars();
    m_lines = app::MergeEqualBars(bars, m_startIndex);
    for (const app::BarListLine& line : m_lines) {
        const BarRecord& bar = *bars[static_cast<std::size_t>(line.firstBar)];
        m_list->AddRow({ToQt(bar.series), ToQt(bar.code), ToQt(app::LengthText(bar.length)),
                        QString::number(line.repetitions), ToQt(app::BarColour(bar))});
    }
}

void CListBarDialog::ShowLine(int line) {
    if (line < 0 || line >= static_cast<int>(m_lines.size()) || g_pBarList == nullptr) return;
    m_chosenLine = line;
    const BarRecord& bar = *g_pBarList->Bar(m_lines[static_cast<std::size_t>(line)].firstBar);
    char text[80];
    FormatUnits(text, sizeof text, "Offset Y:  %{X}", FromThousandths(bar.offsetY));
    m_offsetY->setText(ToQt(text));
    FormatUnits(text, sizeof text, "Offset Z:  %{X}", FromThousandths(bar.offsetZ));
    m_offsetZ->setText(ToQt(text));
    const std::string path = app::ProfileDrawingPath(g_pSettings != nullptr ? g_pSettings->DIR_DXF : "", bar);
    const ui::PreviewBar preview = app::PreviewBarOf(bar);
    m_drawing->SetDrawing(path.c_str(), 1, bar.offsetY, bar.offsetZ, true, 0.0, &preview, 0);
}
