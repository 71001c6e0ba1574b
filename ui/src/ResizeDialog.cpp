#include "ui/ResizeDialog.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QMoveEvent>
#include <QResizeEvent>
#include <algorithm>

#include "ui/OwnControls.h"
#include "ui/qt_text.h"

namespace ui {

namespace {
constexpr int kListFontHeight = 26;   // list boxes and list controls, every screen
constexpr int kBorder = 1;            // width and height of a thin window border

WinRect ToWin(const QRect& r) { return WinRect{r.x(), r.y(), r.x() + r.width(), r.y() + r.height()}; }
QRect ToQt(const WinRect& r) { return QRect(r.left, r.top, r.Width(), r.Height()); }

QString WidgetText(const QWidget* w) {
    if (auto* b = qobject_cast<const QAbstractButton*>(w)) return b->text();
    if (auto* l = qobject_cast<const QLabel*>(w)) return l->text();
    if (auto* g = qobject_cast<const QGroupBox*>(w)) return g->title();
    return w->windowTitle();
}
} // namespace

QFont DialogFontFor(int screenWidth) {
    QFont f(QStringLiteral("Tahoma"));
    f.setPixelSize(DialogFontHeight(screenWidth));
    return f;
}

// ---------------------------------------------------------------- ResizeLayout

ResizeLayout::ResizeLayout(QWidget* owner) : m_owner(owner), m_dialogFont(DialogFontFor(ScreenWidth())) {
    m_listFont = QFont(QStringLiteral("Arial"));
    m_listFont.setPixelSize(kListFontHeight);
}

bool ResizeLayout::AddAllControls() {
    if (!m_owner) return false;
    const auto children = m_owner->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    for (QWidget* c : children)
        if (!c->isWindow()) AddControl(c);
    return true;
}

bool ResizeLayout::AddControl(QWidget* control) {
    if (!m_owner || !control) return false;
    // A "CGroupLine" keeps its font and is never moved.
    if (WidgetText(control) == QLatin1String("CGroupLine")) return false;
    // List boxes and list controls of the program get the list font; the rest the dialog font.
    if (qobject_cast<QListWidget*>(control) || qobject_cast<QTreeWidget*>(control))
        control->setFont(m_listFont);
    else
        control->setFont(m_dialogFont);
    QRect r = control->geometry();
    if (control->parentWidget() != m_owner)
        r.moveTopLeft(control->parentWidget()->mapTo(m_owner, r.topLeft()));
    m_records[control] = ToWin(r);
    return true;
}

void ResizeLayout::ScaleFonts(double ratio) {
    // Whole pixels, rounded down: a text never grows past the share of its control.
    const auto scaled = [ratio](int height) { return std::max(6, static_cast<int>(height * ratio)); };
    m_dialogFont.setPixelSize(scaled(DialogFontHeight(ScreenWidth())));
    m_listFont.setPixelSize(scaled(kListFontHeight));
    for (auto& [control, rec] : m_records) {
        if (qobject_cast<QListWidget*>(control) || qobject_cast<QTreeWidget*>(control))
            control->setFont(m_listFont);
        else
            control->setFont(m_dialogFont);
    }
}

void ResizeLayout::Apply() {
    if (!m_owner) return;
    const QSize s = m_owner->size();   // a dialog's client area; no scroll bars here
    Relayout(s.width(), s.height());
    m_lastWidth = s.width();
    m_lastHeight = s.height();
}

void ResizeLayout::Relayout(int width, int height) {
    if (m_records.empty() || !m_owner || !m_ref.Valid()) return;
    for (auto& [control, rec] : m_records) {
        if (rec.Width() <= 0 || rec.Height() <= 0) continue;
        // A combo box keeps its height: in Qt it is the closed box, its list drops on its own.
        const bool keepHeight = qobject_cast<QComboBox*>(control) != nullptr;
        control->setGeometry(ToQt(RelayoutRect(rec, m_ref, width, height, 0, 0, keepHeight)));
    }
}

// ---------------------------------------------------------------- CResizeDialog

CResizeDialog::CResizeDialog(QWidget* parent)
    : QDialog(parent), m_layout(std::make_unique<ResizeLayout>(this)) {}

CResizeDialog::~CResizeDialog() { m_layout->ForgetOwner(); }

void CResizeDialog::BuildControls(int clientWidth, int clientHeight, const std::vector<DialogControl>& table) {
    for (const DialogControl& c : table) {
        QWidget* w = nullptr;
        const QString text = ToQt(c.textKey ? c.textKey : "");
        switch (c.kind) {
        case ControlKind::PushButton: w = new QPushButton(text, this); break;
        case ControlKind::DefPushButton: {
            auto* b = new QPushButton(text, this);
            b->setDefault(true);
            w = b;
            break;
        }
        case ControlKind::CheckBox: w = new QCheckBox(text, this); break;
        case ControlKind::RadioButton: w = new QRadioButton(text, this); break;
        case ControlKind::GroupBox: w = new QGroupBox(text, this); break;
        case ControlKind::Static:
            if (text == QLatin1String("CGroupLine")) {
                // A separator line: an etched rule that keeps its place (its name is its text).
                auto* line = new QFrame(this);
                line->setFrameStyle(QFrame::HLine | QFrame::Sunken);
                line->setWindowTitle(text);
                w = line;
            } else {
                w = new QLabel(text, this);
            }
            break;
        case ControlKind::Edit: {
            auto* e = new QLineEdit(this);
            e->setText(text);
            w = e;
            break;
        }
        case ControlKind::ComboBox: w = new QComboBox(this); break;
        case ControlKind::ListBox: w = new CHorzListBox(this); break;
        case ControlKind::ListCtrl: w = new CListCtrlStyled(this); break;
        case ControlKind::ColorLabel: {
            auto* l = new CColorLabel(this);
            l->setText(text);
            w = l;
            break;
        }
        }
        w->setObjectName(QStringLiteral("id_%1").arg(c.id));
        w->setGeometry(c.x, c.y, c.width, c.height);
        m_controls[c.id] = w;
    }
    // Group boxes lie below the controls they frame.
    for (auto& [id, w] : m_controls)
        if (qobject_cast<QGroupBox*>(w)) w->lower();
    resize(clientWidth, clientHeight);
    TakeReferenceSize();
}

QWidget* CResizeDialog::Control(int id) const {
    const auto it = m_controls.find(id);
    return it == m_controls.end() ? nullptr : it->second;
}

void CResizeDialog::TakeReferenceSize() {
    if (m_layout->Reference().width != 0 || m_layout->Reference().height != 0) return;
    const QSize s = size();
    if (s.width() > 0 && s.height() > 0) m_layout->SetReferenceSize(s.width(), s.height());
}

void CResizeDialog::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    // A resize by the user only repaints; the controls stay where the last placement put them.
    TakeReferenceSize();
    update();
}

void CResizeDialog::OnInitDialog() {
    // The font goes to each registered control, not to the dialog: a "CGroupLine" keeps its own.
    m_layout->SetDialogFont(DialogFontFor(ScreenWidth()));
    m_layout->AddAllControls();
}

void CResizeDialog::setVisible(bool visible) {
    if (visible && !m_initDone) {
        m_initDone = true;
        OnInitDialog();
    }
    if (visible && m_gated && !m_showAllowed) return;
    QDialog::setVisible(visible);
}

void CResizeDialog::ScaleToScreen() {
    m_overView = false;
    TakeReferenceSize();
    const WinRect g = ToWin(geometry());
    const int screenW = ScreenWidth(), screenH = ScreenHeight();
    const double wanted = DialogScaleFactor(screenW);
    const double factor = FittedScaleFactor(g.Width(), g.Height(), screenW, screenH);
    // A dialog held smaller than the screen width asks for keeps its proportions: its fonts
    // shrink with it, so no text is cut.
    if (factor < wanted) m_layout->ScaleFonts(factor / wanted);
    const WinRect r = KeepOnScreen(ScaleRect(g, factor), screenW, screenH);
    setGeometry(ToQt(r));
    m_layout->Apply();
}

void CResizeDialog::FitToMainView(const WinRect& viewNormal) {
    m_overView = false;
    const WinRect r{viewNormal.left + kBorder, viewNormal.top + kBorder, viewNormal.right, viewNormal.bottom};
    setGeometry(ToQt(r));
    m_layout->Apply();
}

void CResizeDialog::PlaceOverMainView(const WinRect& viewNormal, const WinRect& viewScreen) {
    // The whole window, frame and title bar included, lies over the view: its frame's corner at
    // the view's corner and its frame as large as the view, so nothing of the tool bar or the
    // status bars is covered. The frame is known once the window manager has framed the window;
    // before that the main window's own frame stands for it.
    m_overView = true;
    m_viewNormal = viewNormal;
    m_viewScreen = viewScreen;
    m_placedMargins = FrameMargins();
    const QMargins& m = m_placedMargins;
    move(viewScreen.left, viewScreen.top);   // the frame's corner
    resize(std::max(1, viewNormal.Width() - m.left() - m.right()),
           std::max(1, viewNormal.Height() - m.top() - m.bottom()));
    m_layout->Apply();
}

QMargins CResizeDialog::FrameMargins() const {
    const QRect frame = frameGeometry(), client = geometry();
    if (isVisible() && frame != client)
        return QMargins(client.left() - frame.left(), client.top() - frame.top(), frame.right() - client.right(),
                        frame.bottom() - client.bottom());
    // Not framed yet: the frame of the program's own main window (its title bar and borders; a
    // maximised window shows no side borders, a dialog's are as thin as the title's edge).
    const QWidget* main = window()->parentWidget() != nullptr ? window()->parentWidget()->window() : nullptr;
    if (main == nullptr || !main->isVisible()) return QMargins();
    const QRect mf = main->frameGeometry(), mc = main->geometry();
    QMargins m(mc.left() - mf.left(), mc.top() - mf.top(), mf.right() - mc.right(), mf.bottom() - mc.bottom());
    if (m.top() > 0 && m.left() == 0 && m.right() == 0 && m.bottom() == 0) m = QMargins(1, m.top() + 1, 1, 1);
    return m;
}

void CResizeDialog::moveEvent(QMoveEvent* event) {
    QDialog::moveEvent(event);
    // Framed by the window manager with another frame than the one it was placed for: placed
    // again with the real frame.
    if (m_overView && isVisible() && frameGeometry() != geometry() && FrameMargins() != m_placedMargins)
        PlaceOverMainView(m_viewNormal, m_viewScreen);
}

} // namespace ui
