// Table-built controls of the wizard's dialogs.
#include "dialog_controls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

#include "labelprint/library.h"
#include "platform/text.h"
#include "static_ex.h"

namespace labelprint::wizard {

QString FromCp1252(const std::string& text) { return QString::fromStdString(plat::Cp1252ToUtf8(text)); }

std::string ToCp1252(const QString& text) { return plat::Utf8ToCp1252(text.toStdString()); }

QString Tr(const char* key) { return FromCp1252(labelprint::Text(key)); }

QString Tr(const std::string& key) { return Tr(key.c_str()); }

QFont DialogFont() {
    QFont font(QStringLiteral("Tahoma"));
    font.setPointSize(11);
    return font;
}

void Controls::Build(QWidget* parent, std::initializer_list<ControlDef> defs) {
    for (const ControlDef& d : defs) {
        const QString text = d.text == nullptr ? QString() : d.literal ? QString::fromLatin1(d.text) : Tr(d.text);
        QWidget* w = nullptr;
        switch (d.kind) {
        case Kind::Group: w = new QGroupBox(text, parent); break;
        case Kind::Static: w = new QLabel(text, parent); break;
        case Kind::Edit: w = new QLineEdit(parent); break;
        case Kind::Radio: w = new QRadioButton(text, parent); break;
        case Kind::Check: w = new QCheckBox(text, parent); break;
        case Kind::Combo: w = new QComboBox(parent); break;
        case Kind::Button: w = new QPushButton(text, parent); break;
        case Kind::Cell: {
            auto* cell = new CStaticEx(parent);
            cell->setText(text);
            cell->setFrameShape(QFrame::Box);
            w = cell;
            break;
        }
        case Kind::List: w = new QListWidget(parent); break;
        case Kind::Spin: w = new QSpinBox(parent); break;
        }
        w->setGeometry(d.rect);
        if (d.id > 0) {
            w->setObjectName(QStringLiteral("id_%1").arg(d.id));
            widgets_[d.id] = w;
        }
    }
}

QWidget* Controls::Widget(int id) const {
    auto it = widgets_.find(id);
    return it == widgets_.end() ? nullptr : it->second;
}

} // namespace labelprint::wizard
