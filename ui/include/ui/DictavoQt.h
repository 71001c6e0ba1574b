#pragma once
// The message-table translation over Qt: a menu bar (or menu) and a widget's direct children
// seen through the toolkit-neutral DictavoMenu / DictavoWindow interfaces.
#include <QPointer>
#include <QWidget>
#include <memory>
#include <vector>

#include "msgtable/Dictavo.h"

class QMenu;
class QMenuBar;

namespace ui {

// A menu bar or a pop-up menu; pop-up wrappers are created on demand and owned here.
class QtDictavoMenu : public DictavoMenu {
public:
    explicit QtDictavoMenu(QWidget* menu);   // a QMenuBar or a QMenu
    int ItemCount() const override;
    std::string ItemText(int pos) const override;
    DictavoMenu* SubMenu(int pos) override;
    void ReplaceItem(int pos, const char* text) override;

private:
    QList<QAction*> Actions() const;
    QPointer<QWidget> m_menu;
    std::vector<std::unique_ptr<QtDictavoMenu>> m_subMenus;
};

// A widget as the translation sees it: its menu bar (a QMainWindow's, or a direct QMenuBar
// child) and its direct child widgets.
class QtDictavoWindow : public DictavoWindow {
public:
    explicit QtDictavoWindow(QWidget* widget);
    DictavoMenu* MenuBar() override;
    int ChildCount() const override;
    DictavoWindow* Child(int index) override;
    std::string ClassName() const override;
    std::string Text() const override;
    void SetText(const char* text) override;

private:
    QList<QWidget*> Children() const;
    QPointer<QWidget> m_widget;
    std::unique_ptr<QtDictavoMenu> m_menuBar;
    std::vector<std::unique_ptr<QtDictavoWindow>> m_children;
};

// Convenience: translate a window's menu bar and its dialog texts.
void TranslateMenu(Dictavo& table, QWidget* window);
void TranslateDialog(Dictavo& table, QWidget* dialog);

} // namespace ui
