// UI services of the core on Qt widgets.
#include "app/qt_ui_services.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QCursor>
#include <QLabel>
#include <QLayout>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QShowEvent>

#include "app/main_frame.h"
#include "app/unattended.h"
#include "labelprint/Tagrix.h"
#include "labelprint/message_sink.h"
#include "machine/settings_support.h"
#include "machine/window_scale.h"
#include "platform/dynlib.h"
#include "shapecomp/vlk32_bc.h"
#include "ui/ResizeDialog.h"
#include "ui/qt_text.h"

namespace app {

namespace {

std::function<void(QMessageBox&)>& BoxObserver() {
    static std::function<void(QMessageBox&)> observer;
    return observer;
}

// The boxes running now, innermost last.
std::vector<QPointer<QMessageBox>>& OpenBoxes() {
    static std::vector<QPointer<QMessageBox>> boxes;
    return boxes;
}

// Set by EndAllMessageBoxes: from then on a box ends as soon as it is asked for.
bool g_boxesEnded = false;

// A box's answer when it was ended without a button.
constexpr int kEndedWithoutButton = -1;

struct ButtonMap {
    QMessageBox::StandardButton button;
    int answer;
};

std::vector<ButtonMap> ButtonsOf(BoxButtons buttons) {
    switch (buttons) {
    case BoxButtons::Ok: return {{QMessageBox::Ok, IDOK}};
    case BoxButtons::OkCancel: return {{QMessageBox::Ok, IDOK}, {QMessageBox::Cancel, IDCANCEL}};
    case BoxButtons::YesNo: return {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}};
    case BoxButtons::YesNoCancel:
        return {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}, {QMessageBox::Cancel, IDCANCEL}};
    case BoxButtons::RetryCancel: return {{QMessageBox::Retry, IDRETRY}, {QMessageBox::Cancel, IDCANCEL}};
    case BoxButtons::AbortRetryIgnore:
        return {{QMessageBox::Abort, IDABORT}, {QMessageBox::Retry, IDRETRY}, {QMessageBox::Ignore, IDIGNORE}};
    }
    return {{QMessageBox::Ok, IDOK}};
}

QMessageBox::Icon IconOf(BoxIcon icon) {
    switch (icon) {
    case BoxIcon::Warning: return QMessageBox::Warning;
    case BoxIcon::Question: return QMessageBox::Question;
    case BoxIcon::Information: return QMessageBox::Information;
    case BoxIcon::Error: return QMessageBox::Critical;
    case BoxIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

// A word longer than this many characters may run past the box's width: it gets places to break.
constexpr int kLongWord = 30;
// A piece of a long word between two separators longer than this breaks anywhere.
constexpr int kLongPiece = 20;
constexpr QChar kBreakHere(0x200B); // zero-width space: a place to break a line, drawn as nothing

bool IsSeparator(QChar c) { return c == QLatin1Char('\\') || c == QLatin1Char('/'); }

// The box's text with places to break in every word too long for a line: after each path
// separator, and anywhere within a piece between separators that is itself long. The toolkit
// wraps a box's text only between words, so a long path (which has no blanks) would otherwise
// run past the box's right edge; broken so, the whole path is shown and reads in order.
QString Breakable(const QString& text) {
    QString out;
    out.reserve(text.size());
    qsizetype word = 0;
    while (word < text.size()) {
        if (text[word].isSpace()) {
            out += text[word++];
            continue;
        }
        qsizetype end = word;
        while (end < text.size() && !text[end].isSpace()) ++end;
        if (end - word <= kLongWord) {
            out += text.mid(word, end - word);
            word = end;
            continue;
        }
        for (qsizetype piece = word; piece < end;) {
            qsizetype stop = piece;
            while (stop < end && !IsSeparator(text[stop])) ++stop;
            const bool anywhere = stop - piece > kLongPiece;
            for (qsizetype i = piece; i < stop; ++i) {
                out += text[i];
                if (anywhere && i + 1 < stop) out += kBreakHere;
            }
            if (stop < end) {
                out += text[stop];
                if (stop + 1 < end) out += kBreakHere;
            }
            piece = stop + 1;
        }
        word = end;
    }
    return out;
}

} // namespace

void PrepareMessageBox(QMessageBox& box, const MessageBoxRequest& request) {
    const char* title = request.titleIsKey ? MsgString(request.title.c_str()) : request.title.c_str();
    box.setWindowTitle(ui::ToQt(title));
    box.setText(Breakable(ui::ToQt(request.text)));
    box.setIcon(IconOf(request.icon));
    QMessageBox::StandardButtons set;
    const auto buttons = ButtonsOf(request.buttons);
    for (const ButtonMap& b : buttons) set |= b.button;
    box.setStandardButtons(set);
    if (request.defaultSecond && buttons.size() > 1) box.setDefaultButton(buttons[1].button);
    // Boxes have no owner window; task-modal ones block every window of the program.
    box.setWindowModality(request.taskModal ? Qt::ApplicationModal : Qt::NonModal);
    if (request.scaled && ScreenWidth() > 0) box.setFont(ui::DialogFontFor(ScreenWidth()));
}

void QtUiServices::SetBoxObserver(std::function<void(QMessageBox&)> observer) { BoxObserver() = std::move(observer); }

int QtUiServices::ShowMessageBox(const MessageBoxRequest& request) {
    if (g_boxesEnded) return RefusingAnswer(request.buttons);
    // Nobody answers a box in the unattended test run: a notice (OK alone) goes to the program's
    // output and the run goes on; a question is still asked.
    if (request.buttons == BoxButtons::Ok && app::TellUnattended("notice", request.text)) return IDOK;
    ScaledMessageBox box;
    PrepareMessageBox(box, request);
    if (request.scaled && ScreenWidth() > 0) box.SetEnlargement(ScreenScalePercent());
    if (BoxObserver()) BoxObserver()(box);
    OpenBoxes().emplace_back(&box);
    const int pressed = box.exec();
    OpenBoxes().pop_back();
    for (const ButtonMap& b : ButtonsOf(request.buttons))
        if (pressed == b.button) return b.answer;
    return RefusingAnswer(request.buttons); // closed without a button
}

void EndOpenMessageBoxes() {
    for (auto it = OpenBoxes().rbegin(); it != OpenBoxes().rend(); ++it)
        if (*it) (*it)->done(kEndedWithoutButton);
}

void EndAllMessageBoxes() {
    g_boxesEnded = true;
    EndOpenMessageBoxes();
}

void ScaledMessageBox::keyPressEvent(QKeyEvent* e) {
    QMessageBox::keyPressEvent(e);
    // A copied box holds its text as it was given, without the places to break.
    if (e->matches(QKeySequence::Copy)) {
        if (QClipboard* clipboard = QGuiApplication::clipboard()) {
            QString copied = clipboard->text();
            if (copied.contains(kBreakHere)) clipboard->setText(copied.remove(kBreakHere));
        }
    }
}

void ScaledMessageBox::SetEnlargement(int percent) {
    m_percent = percent;
    Enlarge();
}

bool ScaledMessageBox::event(QEvent* e) {
    // Placed and shown, the box keeps its size and place: a late layout request would shrink it
    // to its natural size and grow it again, moving a box the operator already sees. Its texts
    // never change while it is open.
    if (e->type() == QEvent::LayoutRequest && isVisible() && m_enlarged.isValid()) return QDialog::event(e);
    // Before that the box fixes its own size whenever its layout changes; the enlargement follows.
    const bool handled = QMessageBox::event(e);
    if (e->type() == QEvent::LayoutRequest) Enlarge();
    return handled;
}

void ScaledMessageBox::showEvent(QShowEvent* e) {
    QMessageBox::showEvent(e);
    Enlarge();
}

void ScaledMessageBox::Enlarge() {
    // The box has just fixed its natural size in the screen's font. It takes the size and place
    // MessageBoxRect gives it; a size that is already the enlarged one is left alone.
    if (m_percent <= 0 || !isVisible() || size() == m_enlarged) return;
    if (!m_plain.isValid()) m_plain = PlainSize();
    const int naturalWidth = width();
    auto* label = findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
    const auto heightFor = [&](int w) {
        // Narrower than it laid itself out, its text wraps at the width it has.
        if (w < naturalWidth && label != nullptr) label->setWordWrap(true);
        if (layout() == nullptr) return height();
        return layout()->hasHeightForWidth() ? layout()->totalHeightForWidth(w) : layout()->totalMinimumSize().height();
    };
    bool textScrolls = false;
    const WinRect r = MessageBoxRect(naturalWidth, m_plain.width(), m_plain.height(), m_percent, heightFor,
                                     ScreenWidth(), ScreenHeight(), textScrolls);
    if (textScrolls && label != nullptr && layout() != nullptr) ScrollText(*label);
    m_enlarged = QSize(r.Width(), r.Height());
    setFixedSize(m_enlarged);
    if (ScreenWidth() > 0 && ScreenHeight() > 0) setGeometry(r.left, r.top, r.Width(), r.Height());
}

QSize ScaledMessageBox::PlainSize() const {
    // The same box in the toolkit's plain font, laid out as it would show, never on the screen.
    QMessageBox plain(icon(), windowTitle(), text(), standardButtons());
    plain.setAttribute(Qt::WA_DontShowOnScreen);
    plain.show();
    const QSize size = plain.size();
    plain.hide();
    return size;
}

void ScaledMessageBox::ScrollText(QLabel& label) {
    // In the box's place of the text, the text wrapped at the width there and scrolled.
    label.setWordWrap(true);
    auto* scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("box_text_scroll"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    delete layout()->replaceWidget(&label, scroll);
    scroll->setWidget(&label);
}

void QtUiServices::SetPaneText(int paneId, const std::string& text) {
    if (MainFrame != nullptr) MainFrame->SetPaneText(paneId, text);
}

void QtUiServices::BeginWaitCursor() {
    if (m_waitDepth++ == 0) QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

void QtUiServices::EndWaitCursor() {
    if (m_waitDepth == 0) return;
    if (--m_waitDepth == 0) QApplication::restoreOverrideCursor();
}

// ---- message sinks of the two libraries ----

namespace {

void ShapeCompilerMessage(void* /*context*/, const char* text, const char* caption) {
    ShowBoxLiteralTitle(caption != nullptr ? caption : "", text != nullptr ? text : "", BoxButtons::Ok,
                        BoxIcon::None);
}

class LabelSink : public tagrix::MessageSink {
public:
    void Show(const char* text, const char* caption, int icon) override {
        ShowBoxLiteralTitle(caption != nullptr ? caption : "", text != nullptr ? text : "", BoxButtons::Ok,
                            icon == tagrix::kBoxError ? BoxIcon::Error : BoxIcon::None);
    }
};

LabelSink g_labelSink;

void SetShapeSink(void* library, VlkMessageFn fn) {
    if (library == nullptr) return;
    auto set = reinterpret_cast<VlkSetMessageSinkFn>(plat::GetProcAddress(library, "VlkSetMessageSink"));
    if (set != nullptr) set(fn, nullptr);
}

} // namespace

void InstallLibrarySinks(void* shapeCompilerLibrary) {
    SetShapeSink(shapeCompilerLibrary, &ShapeCompilerMessage);
    tagrix::SetMessageSink(&g_labelSink);
}

void RemoveLibrarySinks(void* shapeCompilerLibrary) {
    SetShapeSink(shapeCompilerLibrary, nullptr);
    tagrix::SetMessageSink(nullptr);
}

} // namespace app
