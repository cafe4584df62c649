#include "app/core/ShortenerAddress.h"

namespace vd::app {

QString AddressToStore(const QString& ClipboardText) {
    QString address = ClipboardText;
    while (address.endsWith(u'\n') || address.endsWith(u'\r')) address.chop(1);
    if (address.contains(u'\n') || address.contains(u'\r') || address.contains(u'"')) return {};
    return address;
}

bool IsWebAddress(const QString& Text) {
    const QString lower = Text.toLower();
    return lower.startsWith(QStringLiteral("http://")) ||
           lower.startsWith(QStringLiteral("https://"));
}

}  // namespace vd::app
