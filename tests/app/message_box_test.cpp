// Message boxes on the screens of the shop: a short, a medium and very long texts, each box
// holding its whole text, lying on the screen, centred, still once shown, and not much larger
// than its text needs in the screen's font.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QGuiApplication>
#include <QLabel>
#include <QRect>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollArea>
#include <QTest>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "app/qt_ui_services.h"
#include "app_fixture.h"
#include "machine/window_scale.h"

namespace {

// A box this many times the area of its natural size in the screen's font has the empty
// areas and far-away buttons the operator complained of.
constexpr double kMostGrowth = 2.0;

std::string Names(const char* stem, int count) {
    std::string names;
    for (int i = 1; i <= count; ++i)
        names += (names.empty() ? "" : ", ") + std::string(stem) + std::to_string(i);
    return names;
}

struct BoxText {
    const char* what;
    std::string text;
};

const BoxText kTexts[] = {
    {"short", "The value is outside the allowed range."},
    {"medium", "The serial ports or the label printer changed: the program must be restarted before a "
               "list is opened. Close the program and start it again."},
    {"long path", "The folder name is too long for a profile set:\nC:\\UVEN\\LAV\\LAV\\" +
                      std::string("PROFILI_ALLUMINIO_SERIE_TAGLIO_TERMICO_ANTA_RIBALTA_") + std::string(120, 'X') +
                      "\\SEZIONI_E_RINFORZI\\DISEGNO.DXF"},
    {"owed labels", "The program stopped while these labels were waiting to be printed; they may be missing, "
                    "print them by hand: " +
                        Names("W-2026-0815-ANTA-SX-", 40) +
                        "\nThe program stopped before the supervisor was sent the lines of these pieces; they "
                        "may be missing there: " +
                        Names("W-2026-0815-TELAIO-DX-", 40)},
};

struct Screen {
    int width, height;
};
const Screen kScreens[] = {{800, 600}, {1024, 768}, {1280, 800}, {1366, 768}, {1920, 1080}};

MessageBoxRequest Request(const std::string& text) {
    MessageBoxRequest r;
    r.title = "T_ATTENZIONE";
    r.text = text;
    r.buttons = BoxButtons::YesNo;
    r.icon = BoxIcon::Warning;
    return r;
}

// The box's size as the toolkit lays it out for its text in the given font (never on screen).
QSize NaturalSize(const MessageBoxRequest& request, bool scaledFont) {
    MessageBoxRequest r = request;
    r.scaled = scaledFont;
    QMessageBox box;
    app::PrepareMessageBox(box, r);
    box.setWindowModality(Qt::NonModal);
    box.setAttribute(Qt::WA_DontShowOnScreen);
    box.show();
    return box.size();
}

// The widest piece of a label's text the toolkit cannot break: it wraps a box's text only
// between words and at the places to break a long word was given (zero-width spaces).
int WidestUnbreakable(const QLabel& l) {
    const QFontMetrics fm(l.font());
    int widest = 0;
    for (const QString& word :
         l.text().split(QRegularExpression(QStringLiteral("[\\s\\x{200B}]+")), Qt::SkipEmptyParts))
        widest = std::max(widest, fm.horizontalAdvance(word));
    return widest;
}

// What the operator would not accept of a shown box: a text not wholly shown (a label smaller
// than its text needs, or outside the box), a button cut.
std::string CutTexts(QWidget& box) {
    std::string cut;
    for (QLabel* l : box.findChildren<QLabel*>()) {
        if (!l->isVisibleTo(&box) || l->text().isEmpty()) continue;
        const bool wraps = l->wordWrap();
        const int width = l->width(), height = l->height();
        const QSize needs(wraps ? WidestUnbreakable(*l) : l->sizeHint().width(),
                          wraps ? l->heightForWidth(width) : l->sizeHint().height());
        // A scrolled text is wholly within reach; any other lies wholly inside the box.
        QWidget* viewport = l->parentWidget();
        auto* scroll = qobject_cast<QScrollArea*>(viewport != nullptr ? viewport->parentWidget() : nullptr);
        QWidget* shown = scroll != nullptr ? static_cast<QWidget*>(scroll) : l;
        const QRect inBox(shown->mapTo(&box, QPoint(0, 0)), shown->size());
        if (needs.width() > width || needs.height() > height || !box.rect().contains(inBox))
            cut += " label " + std::to_string(width) + "x" + std::to_string(height) + " needs " +
                   std::to_string(needs.width()) + "x" + std::to_string(needs.height());
    }
    for (QAbstractButton* b : box.findChildren<QAbstractButton*>()) {
        if (!b->isVisibleTo(&box)) continue;
        const QRect inBox(b->mapTo(&box, QPoint(0, 0)), b->size());
        if (b->width() < b->sizeHint().width() || !box.rect().contains(inBox))
            cut += " button " + b->text().toStdString();
    }
    return cut;
}

// The toolkit lays a box out for the screen it is on, so each screen is looked at by this
// program run again on an offscreen screen of that size.
void LookAtBoxesOn(const Screen& screen) {
    const std::string size = std::to_string(screen.width) + "x" + std::to_string(screen.height);
    const std::string config = ::testing::TempDir() + "screen-" + size + ".json";
    {
        std::ofstream out(config);
        out << R"({"screens":[{"name":"S","x":0,"y":0,"width":)" << screen.width << R"(,"height":)"
            << screen.height << R"(,"logicalDpi":96,"logicalBaseDpi":96,"dpr":1}]})";
    }
    const std::string command = "BRELON_BOX_SCREEN=" + size + " QT_QPA_PLATFORM='offscreen:configfile=" + config +
                                "' /proc/" + std::to_string(getpid()) +
                                "/exe --gtest_filter='MessageBoxSize.*' --gtest_brief=1";
    EXPECT_EQ(std::system(command.c_str()), 0) << size;
}

// What the operator sees of each box on the screen this run is on.
void LookAtBoxes(const Screen& screen) {
    TestApp();
    const QSize real = QGuiApplication::primaryScreen()->size();
    ASSERT_EQ(real, QSize(screen.width, screen.height));
    SetScreenSize(screen.width, screen.height);
    const int percent = ScreenScalePercent();
    const WinRect room = ScreenRoom(screen.width, screen.height);
    const char* shots = std::getenv("BRELON_SHOT_DIR");
    for (const BoxText& t : kTexts) {
        SCOPED_TRACE(std::to_string(screen.width) + "x" + std::to_string(screen.height) + " " + t.what);
        const MessageBoxRequest request = Request(t.text);
        const QSize natural = NaturalSize(request, true), plain = NaturalSize(request, false);
        app::ScaledMessageBox box;
        app::PrepareMessageBox(box, request);
        box.SetEnlargement(percent);
        box.setWindowModality(Qt::NonModal);
        box.show();
        const QRect shownAt = box.geometry();
        QTest::qWait(30);
        const QRect r = box.geometry();
        EXPECT_EQ(r, shownAt) << "moved once shown";
        EXPECT_TRUE(QRect(room.left, room.top, room.Width(), room.Height()).contains(r))
            << r.x() << "," << r.y() << " " << r.width() << "x" << r.height();
        EXPECT_EQ(CutTexts(box), "");
        if (natural.width() <= room.Width() && natural.height() <= room.Height()) {
            // A box that fits as it laid itself out is centred (integer halves), at least as
            // large as the plain box grown by the screen's per cent (as far as the room allows)
            // and not much larger than its text needs in the screen's font.
            EXPECT_LE(std::abs(2 * r.x() + r.width() - screen.width), 1) << r.x();
            EXPECT_LE(std::abs(2 * r.y() + r.height() - screen.height), 1) << r.y();
            EXPECT_GE(r.width(), std::min(room.Width(), plain.width() * (100 + percent) / 100));
            EXPECT_GE(r.height(), std::min(room.Height(), plain.height() * (100 + percent) / 100));
            EXPECT_LE(double(r.width()) * r.height(), kMostGrowth * natural.width() * natural.height())
                << "natural " << natural.width() << "x" << natural.height();
        }
        std::printf("%dx%d %-12s natural %4dx%-4d plain %4dx%-4d box %4dx%-4d at %d,%d%s\n", screen.width,
                    screen.height, t.what, natural.width(), natural.height(), plain.width(), plain.height(),
                    r.width(), r.height(), r.x(), r.y(), box.findChild<QScrollArea*>() != nullptr ? " scrolled" : "");
        if (const char* grab = std::getenv("BRELON_GRAB_DIR"))
            box.grab().save(QString::fromStdString(std::string(grab) + "/box-" + std::to_string(screen.width) + "-" + t.what + ".png"));
        if (shots != nullptr) {
            QTest::qWait(400);
            const std::string command = "import -window root '" + std::string(shots) + "/box-" +
                                        std::to_string(screen.width) + "-" + std::string(t.what) + ".png'";
            EXPECT_EQ(std::system(command.c_str()), 0) << command;
        }
        box.close();
    }
}

} // namespace

TEST(MessageBoxSize, EachBoxHoldsItsTextOnTheScreenAndIsNotMuchLargerThanItNeeds) {
    if (const char* one = std::getenv("BRELON_BOX_SCREEN")) {
        Screen screen{};
        ASSERT_EQ(std::sscanf(one, "%dx%d", &screen.width, &screen.height), 2) << one;
        LookAtBoxes(screen);
        return;
    }
    for (const Screen& screen : kScreens) LookAtBoxesOn(screen);
}
