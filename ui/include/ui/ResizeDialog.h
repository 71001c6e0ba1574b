#pragma once
// Base of every dialog of the program: one dialog font by screen width, enlargement for wide
// screens, proportional re-layout of the child controls, placement over the main window's
// view, and the show gate that keeps a dialog hidden until it is scaled and placed.
#include <QDialog>
#include <QFont>
#include <QMargins>
#include <QPointer>
#include <map>
#include <memory>
#include <vector>

#include "machine/window_scale.h"
#include "ui/layout_math.h"

namespace ui {

// Kinds of controls a dialog table can hold.
enum class ControlKind {
    PushButton,
    DefPushButton,
    CheckBox,
    RadioButton,
    GroupBox,
    Static,
    Edit,
    ComboBox,
    ListBox,     // CHorzListBox
    ListCtrl,    // CListCtrlStyled
    ColorLabel,  // CColorLabel
};

// One control of a dialog: id, kind, rectangle in client coordinates (x, y, width, height)
// and the text key (translated later through the message table).
struct DialogControl {
    int id;
    ControlKind kind;
    int x, y, width, height;
    const char* textKey;
};

// Per-control layout bookkeeping of one dialog.
class ResizeLayout {
public:
    explicit ResizeLayout(QWidget* owner = nullptr);

    void SetOwner(QWidget* owner) { m_owner = owner; }
    void ForgetOwner() { m_owner = nullptr; }
    QWidget* Owner() const { return m_owner; }

    void SetDialogFont(const QFont& font) { m_dialogFont = font; }
    const QFont& DialogFont() const { return m_dialogFont; }
    const QFont& ListFont() const { return m_listFont; }

    void SetReferenceSize(int width, int height) { m_ref.Set(width, height); }
    const LayoutReference& Reference() const { return m_ref; }

    // Registers every direct child widget of the owner; false only without an owner.
    bool AddAllControls();
    // Registers one control (gives it its font, records its rectangle); false when no record
    // was made (no owner, or a "CGroupLine" control, which keeps its font and place).
    bool AddControl(QWidget* control);
    int ControlCount() const { return static_cast<int>(m_records.size()); }

    // Sets the dialog and list fonts to ratio of their screen heights (whole pixels, rounded
    // down) on every registered control: a dialog held smaller than its screen factor.
    void ScaleFonts(double ratio);
    // Re-lays every registered control for the owner's present client size.
    void Apply();
    void Relayout(int width, int height);

private:
    QPointer<QWidget> m_owner;
    LayoutReference m_ref;
    int m_lastWidth = 0, m_lastHeight = 0;
    QFont m_dialogFont;
    QFont m_listFont;   // list boxes and list controls
    std::map<QWidget*, WinRect> m_records;
};

// The dialog font for a screen width: "Tahoma", pixel height by DialogFontHeight.
QFont DialogFontFor(int screenWidth);

class CResizeDialog : public QDialog {
    Q_OBJECT
public:
    explicit CResizeDialog(QWidget* parent = nullptr);
    ~CResizeDialog() override;

    // Builds the controls of a table as direct children (named "id_<n>") and gives the dialog
    // its template client size. Texts are the keys, as a template holds them.
    void BuildControls(int clientWidth, int clientHeight, const std::vector<DialogControl>& table);
    QWidget* Control(int id) const;

    // Runs once, just before the dialog is first shown (also by exec()). The base sets the
    // dialog font and registers the controls; derived dialogs call it first.
    virtual void OnInitDialog();

    // Enlarges the dialog for the recorded screen width, as far as it fits the screen (fonts
    // shrinking with a dialog held smaller), keeps it on the screen and lays the controls out.
    void ScaleToScreen();
    // Fits the dialog into the main view's normal rectangle (frame client coordinates),
    // inset by the border width at left and top.
    void FitToMainView(const WinRect& viewNormal);
    // Lays the dialog over the main view: its frame's corner at the view's screen corner, its
    // frame (title bar included) as large as the view's normal rectangle.
    void PlaceOverMainView(const WinRect& viewNormal, const WinRect& viewScreen);

    // Show gate: while enabled and not yet opened, showing the dialog does nothing.
    void EnableShowGate() { m_gated = true; }
    void OpenShowGate() { m_showAllowed = true; }

    ResizeLayout& Layout() { return *m_layout; }
    void setVisible(bool visible) override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void TakeReferenceSize();
    // The window manager's frame around the dialog (title bar and borders).
    QMargins FrameMargins() const;

private:
    std::unique_ptr<ResizeLayout> m_layout;
    std::map<int, QWidget*> m_controls;
    bool m_initDone = false;
    bool m_gated = false;
    bool m_showAllowed = false;
    // The last placement over the main view, kept to place again once the real frame is known.
    bool m_overView = false;
    WinRect m_viewNormal{};
    WinRect m_viewScreen{};
    QMargins m_placedMargins;
};

} // namespace ui
