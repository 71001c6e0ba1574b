#include "ui/DictavoQt.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTreeWidget>

#include "ui/qt_text.h"

namespace ui {

// ---------------------------------------------------------------- menus

QtDictavoMenu::QtDictavoMenu(QWidget* menu) : m_menu(menu) {}

QList<QAction*> QtDictavoMenu::Actions() const { return m_menu ? m_menu->actions() : QList<QAction*>(); }

int QtDictavoMenu::ItemCount() const { return static_cast<int>(Actions().size()); }

std::string QtDictavoMenu::ItemText(int pos) const {
    const auto actions = Actions();
    if (pos < 0 || pos >= actions.size()) return {};
    QAction* a = actions[pos];
    if (a->isSeparator()) return {};
    return FromQt(a->text());
}

DictavoMenu* QtDictavoMenu::SubMenu(int pos) {
    const auto actions = Actions();
    if (pos < 0 || pos >= actions.size() || !actions[pos]->menu()) return nullptr;
    QMenu* sub = actions[pos]->menu();
    for (auto& m : m_subMenus)
        if (m->m_menu == sub) return m.get();
    m_subMenus.push_back(std::make_unique<QtDictavoMenu>(sub));
    return m_subMenus.back().get();
}

void QtDictavoMenu::ReplaceItem(int pos, const char* text) {
    const auto actions = Actions();
    if (pos < 0 || pos >= actions.size()) return;
    QAction* a = actions[pos];
    // A plain text item keeping its command (or pop-up): enabled, unchecked, no image.
    a->setText(ToQt(text ? text : ""));
    a->setEnabled(true);
    a->setChecked(false);
    a->setCheckable(false);
    a->setIcon(QIcon());
}

// ---------------------------------------------------------------- windows

QtDictavoWindow::QtDictavoWindow(QWidget* widget) : m_widget(widget) {}

DictavoMenu* QtDictavoWindow::MenuBar() {
    if (!m_widget) return nullptr;
    QMenuBar* bar = nullptr;
    if (auto* mw = qobject_cast<QMainWindow*>(m_widget.data()))
        bar = qobject_cast<QMenuBar*>(mw->menuWidget());
    if (!bar) bar = m_widget->findChild<QMenuBar*>(QString(), Qt::FindDirectChildrenOnly);
    if (!bar) return nullptr;
    if (!m_menuBar) m_menuBar = std::make_unique<QtDictavoMenu>(bar);
    return m_menuBar.get();
}

QList<QWidget*> QtDictavoWindow::Children() const {
    QList<QWidget*> out;
    if (!m_widget) return out;
    for (QWidget* w : m_widget->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        if (!w->isWindow()) out << w;
    return out;
}

int QtDictavoWindow::ChildCount() const { return static_cast<int>(Children().size()); }

DictavoWindow* QtDictavoWindow::Child(int index) {
    const auto children = Children();
    if (index < 0 || index >= children.size()) return nullptr;
    QWidget* w = children[index];
    for (auto& c : m_children)
        if (c->m_widget == w) return c.get();
    m_children.push_back(std::make_unique<QtDictavoWindow>(w));
    return m_children.back().get();
}

std::string QtDictavoWindow::ClassName() const {
    const QWidget* w = m_widget.data();
    if (!w) return {};
    if (qobject_cast<const QAbstractButton*>(w) || qobject_cast<const QGroupBox*>(w)) return "Button";
    if (qobject_cast<const QLabel*>(w)) return "Static";
    if (qobject_cast<const QLineEdit*>(w)) return "Edit";
    if (qobject_cast<const QComboBox*>(w)) return "ComboBox";
    if (qobject_cast<const QListWidget*>(w)) return "ListBox";
    if (qobject_cast<const QTreeWidget*>(w)) return "SysListView32";
    return w->metaObject()->className();
}

std::string QtDictavoWindow::Text() const {
    const QWidget* w = m_widget.data();
    if (!w) return {};
    if (auto* b = qobject_cast<const QAbstractButton*>(w)) return FromQt(b->text());
    if (auto* g = qobject_cast<const QGroupBox*>(w)) return FromQt(g->title());
    if (auto* l = qobject_cast<const QLabel*>(w)) return FromQt(l->text());
    if (auto* e = qobject_cast<const QLineEdit*>(w)) return FromQt(e->text());
    return FromQt(w->windowTitle());
}

void QtDictavoWindow::SetText(const char* text) {
    QWidget* w = m_widget.data();
    if (!w) return;
    const QString t = ToQt(text ? text : "");
    if (auto* b = qobject_cast<QAbstractButton*>(w)) b->setText(t);
    else if (auto* g = qobject_cast<QGroupBox*>(w)) g->setTitle(t);
    else if (auto* l = qobject_cast<QLabel*>(w)) l->setText(t);
    else if (auto* e = qobject_cast<QLineEdit*>(w)) e->setText(t);
    else w->setWindowTitle(t);
}

void TranslateMenu(Dictavo& table, QWidget* window) {
    QtDictavoWindow w(window);
    table.CompileMenuStrings(&w);
}

void TranslateDialog(Dictavo& table, QWidget* dialog) {
    QtDictavoWindow w(dialog);
    table.CompileDialogStrings(&w);
}

} // namespace ui
