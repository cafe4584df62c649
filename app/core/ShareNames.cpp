#include "app/core/ShareNames.h"

#include <QUrl>
#include <iterator>

#include "app/core/RandomNames.h"

namespace vd::app {
namespace {

// C0 controls (the blank is not one), DEL and the C1 controls.
bool IsControl(QChar C) {
    const char16_t code = C.unicode();
    return code < 0x20 || (code >= 0x7F && code <= 0x9F);
}

}  // namespace

QStringList DirectoryComponents(const QString& Directory) {
    if (Directory.isEmpty()) return {};
    QStringList parts = Directory.split(u'/', Qt::KeepEmptyParts);
    if (Directory.endsWith(u'/')) parts.removeLast();
    return parts;
}

QString RemoteNameFor(const QString& RandomPart, const QString& LocalFile) {
    return QString::fromUtf16(kSharePrefix) + RandomPart + u'_' +
           LocalFile.mid(LocalFile.lastIndexOf(u'/') + 1);
}

QString BuildLink(const QString& BaseURL, const QString& Name) { return BaseURL + u'/' + Name; }

QString ShareLink(const QString& BaseURL, const QString& RemoteName) {
    QString path;
    path.reserve(RemoteName.size());
    for (const QChar c : RemoteName) {
        // "%" too, so that the escapes below and any in the name stay apart.
        if (c == u'%')
            path += QStringLiteral("%25");
        else if (c == u'#')  // would end the path: the rest would become a fragment
            path += QStringLiteral("%23");
        else if (c == u'?')  // would start a query
            path += QStringLiteral("%3F");
        else if (c == u'\\')  // browsers read it as "/", and "a\..\x" would climb out
            path += QStringLiteral("%5C");
        else if (IsControl(c))  // no valid address holds them; browsers send them so
            path += QString::fromLatin1(QUrl::toPercentEncoding(QString(c)));
        else
            path += c;
    }
    return BuildLink(BaseURL, path);
}

bool IsShareName(const QString& RemoteName) {
    const QStringView prefix(kSharePrefix, std::size(kSharePrefix) - 1);
    const QStringView alphabet(kRandomAlphabet, std::size(kRandomAlphabet) - 1);
    const qsizetype end = prefix.size() + kShareRandomLength;
    if (!RemoteName.startsWith(prefix) || RemoteName.size() <= end || RemoteName[end] != u'_')
        return false;
    for (const QChar c : QStringView(RemoteName).mid(prefix.size(), kShareRandomLength)) {
        if (!alphabet.contains(c)) return false;
    }
    return !RemoteName.contains(u'/') && !RemoteName.contains(QStringLiteral("..")) &&
           !HasLineBreak(RemoteName);
}

bool HasLineBreak(const QString& Text) {
    return Text.contains(u'\r') || Text.contains(u'\n') || Text.contains(QChar(u'\0'));
}

}  // namespace vd::app
