// The tool legend: its lines point at marks of the three drawings beside the program, every
// drawing names each dimension its tools have, and the legend's previews write the marks.
#include "tool_dialogs_fixture.h"

#include <gtest/gtest.h>

#include <QImage>
#include <algorithm>
#include <cmath>
#include <map>

#include "dxf/dxf.h"
#include "platform/text.h"
#include "ui/ViewDxfStatic.h"
#include "ui/dxf_preview.h"

namespace tooltest {
namespace {

const std::string kLegendDir = BRELON_SOURCE_DIR "/demo/LEGEND/";

// The marks of a drawing file by text, counted.
std::map<std::string, int> MarksIn(const std::string& path) {
    MEntitiesList list;
    ReadDXF(path, list);
    std::map<std::string, int> marks;
    for (const MEntity& e : list)
        if (e.kind == MEntityKind::Text && plat::EqualsNoCase(e.layer, ui::kPreviewMarkLayer)) ++marks[e.text];
    return marks;
}

// The pixel box a mark's text covers at most: its cell (1.2 heights from the baseline up, 0.3
// down, 0.9 heights a character along it) turned by the mark's rotation about its insertion point.
QRect MarkBox(const ui::PreviewMark& m) {
    const double len = 0.9 * m.height * static_cast<double>(m.text.size());
    const double a = m.rotation * M_PI / 180.0;
    double left = 1e9, top = 1e9, right = -1e9, bottom = -1e9;
    for (const auto& [u, v] : {std::pair{0.0, 0.3 * m.height}, std::pair{len, 0.3 * m.height},
                              std::pair{0.0, -1.2 * m.height}, std::pair{len, -1.2 * m.height}}) {
        // Screen rows run down: a counter-clockwise turn is (cos, -sin; sin, cos) on (u, v).
        const double x = m.x + u * std::cos(a) + v * std::sin(a);
        const double y = m.y - u * std::sin(a) + v * std::cos(a);
        left = std::min(left, x), right = std::max(right, x);
        top = std::min(top, y), bottom = std::max(bottom, y);
    }
    return QRect(QPoint(static_cast<int>(std::floor(left)), static_cast<int>(std::floor(top))),
                 QPoint(static_cast<int>(std::ceil(right)), static_cast<int>(std::ceil(bottom))));
}

// The seventh line, the added length, is the second value of a disc (kind 3) only: the disc's
// drawing names it, the others do not.
TEST_F(ToolDialogTest, LegendLinesFindTheirMarksInEveryDrawingAndThePreviewsShowThem) {
    SetModuleDir(kLegendDir.c_str());
    const struct {
        const char* file;
        bool disc;
    } drawings[] = {{"T1.DXF", false}, {"T2.DXF", false}, {"T3.DXF", true}};
    for (const auto& [w, h] : {std::pair{1024, 768}, std::pair{1920, 1080}}) {
        SetScreenSize(w, h);
        ui::CToolHelpDialog legend(nullptr);
        legend.show();
        QApplication::processEvents();
        for (size_t i = 0; i < ui::kToolLegend.size(); ++i) {
            const ui::ToolLegendLine& line = ui::kToolLegend[i];
            // The line shows its mark first, then the dimension's label.
            EXPECT_TRUE(TextOf(&legend, ui::CToolHelpDialog::kLegendFirstId + static_cast<int>(i))
                            .startsWith(QString::fromLatin1(line.mark) + QStringLiteral("  ")))
                << line.key;
        }
        for (int d = 0; d < 3; ++d) {
            SCOPED_TRACE(std::string(drawings[d].file) + " at " + std::to_string(w));
            const std::map<std::string, int> marks = MarksIn(kLegendDir + drawings[d].file);
            for (const ui::ToolLegendLine& line : ui::kToolLegend) {
                const bool named = std::string(line.key) != "P_ADD_LEN" || drawings[d].disc;
                const auto it = marks.find(line.mark);
                EXPECT_EQ(it == marks.end() ? 0 : it->second, named ? 1 : 0) << line.mark;
            }

            ui::MViewDXFStatic* view = legend.Preview(d);
            const QImage shown = view->grab().toImage().convertToFormat(QImage::Format_ARGB32);
            ui::PreviewPainter painter;
            const MCanvas bare = painter.Render(view->State(), view->width(), view->height());
            ASSERT_EQ(painter.Marks().size(), drawings[d].disc ? 7u : 6u);
            for (const ui::PreviewMark& m : painter.Marks()) {
                // Readable on the smaller screen too, wholly inside the preview, and written:
                // dark pixels in its box that the drawing alone does not have.
                EXPECT_GE(m.height, 9.0) << m.text;
                const QRect box = MarkBox(m);
                EXPECT_TRUE(QRect(0, 0, view->width(), view->height()).contains(box)) << m.text;
                int ink = 0;
                for (int y = std::max(box.top(), 0); y <= std::min(box.bottom(), shown.height() - 1); ++y)
                    for (int x = std::max(box.left(), 0); x <= std::min(box.right(), shown.width() - 1); ++x)
                        ink += qGray(shown.pixel(x, y)) < 128 && bare.Pixel(x, y) == kMWhite;
                EXPECT_GE(ink, static_cast<int>(m.height)) << m.text;
            }
        }
    }
    SetScreenSize(1024, 768);
}

} // namespace
} // namespace tooltest
