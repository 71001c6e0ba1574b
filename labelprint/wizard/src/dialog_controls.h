#pragma once
// Dialogs of the wizard built from small tables of their controls (id, kind, rectangle, text),
// with an id -> widget map; widgets are named "id_<n>" so tests find them.
#include <QRect>
#include <QString>
#include <QWidget>
#include <initializer_list>
#include <map>
#include <string>

namespace labelprint::wizard {

enum class Kind { Group, Static, Edit, Radio, Check, Combo, Button, Cell, List, Spin };

struct ControlDef {
    int id; // 0: a control no code addresses
    Kind kind;
    QRect rect;
    const char* text; // message key, or the literal text when literal is set
    bool literal = false;
};

// Text of a message key of the library's table (the key itself when the table lacks it).
QString Tr(const char* key);
QString Tr(const std::string& key);
// The widget boundary of the single-byte texts.
QString FromCp1252(const std::string& text);
std::string ToCp1252(const QString& text);

class Controls {
public:
    void Build(QWidget* parent, std::initializer_list<ControlDef> defs);
    QWidget* Widget(int id) const;
    template <class T> T* Get(int id) const { return static_cast<T*>(Widget(id)); }

private:
    std::map<int, QWidget*> widgets_;
};

// The font of the wizard's windows.
QFont DialogFont();

} // namespace labelprint::wizard
