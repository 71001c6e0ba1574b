#include "ui/qt_text.h"
#include "ui/window_message.h"

#include "platform/text.h"

namespace ui {

QString ToQt(std::string_view cp1252) {
    const std::string utf8 = plat::Cp1252ToUtf8(cp1252);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string FromQt(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    return plat::Utf8ToCp1252(std::string_view(utf8.constData(), static_cast<size_t>(utf8.size())));
}

QEvent::Type WindowMessageEvent::EventType() {
    static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

} // namespace ui
