#include "app/core/ShortenerAddress.h"

#include <QUrl>

namespace vd::app {
namespace {

// What a message shows of an address; the rest is left out.
constexpr qsizetype kShownCharacters = 200;

bool IsControlOrBlank(char16_t C) { return C <= 0x20 || (C >= 0x7F && C <= 0x9F); }

bool NeedsEncoding(char16_t C) {
    return IsControlOrBlank(C) || C == u'$' || C == u'{' || C == u'}' || C == u'\\';
}

QString Encoded(const QString& Text) {
    QString out;
    out.reserve(Text.size());
    for (const QChar c : Text) {
        if (NeedsEncoding(c.unicode()))
            out += QString::fromLatin1(QUrl::toPercentEncoding(QString(c)));
        else
            out += c;
    }
    return out;
}

}  // namespace

TStorableAddress AddressToStore(const QString& ClipboardText) {
    if (ClipboardText.contains(QChar(u'\0'))) return {{}, TText::AddressNotStorable};
    QString address = ClipboardText;
    while (!address.isEmpty() && IsControlOrBlank(address.back().unicode())) address.chop(1);
    if (address.contains(u'\n') || address.contains(u'\r') || address.contains(u'"'))
        return {{}, TText::AddressNotStorable};
    QString stored = Encoded(address);
    if (stored.toUtf8().size() > kMaxStoredAddressBytes) return {{}, TText::AddressTooLong};
    return {stored, std::nullopt};
}

QString ShownAddress(const QString& ClipboardText) {
    const QString shown = Encoded(ClipboardText);
    if (shown.size() <= kShownCharacters) return shown;
    return shown.left(kShownCharacters) + QStringLiteral("…");
}

bool IsWebAddress(const QString& Text) {
    const QString lower = Text.toLower();
    return lower.startsWith(QStringLiteral("http://")) ||
           lower.startsWith(QStringLiteral("https://"));
}

}  // namespace vd::app
