#include "app/core/ShareNames.h"

namespace vd::app {

QStringList DirectoryComponents(const QString& Directory) {
    if (Directory.isEmpty()) return {};
    QStringList parts = Directory.split(u'/', Qt::KeepEmptyParts);
    if (Directory.endsWith(u'/')) parts.removeLast();
    return parts;
}

QString RemoteNameFor(const QString& RandomPart, const QString& LocalFile) {
    return QStringLiteral("velodrop_") + RandomPart + u'_' +
           LocalFile.mid(LocalFile.lastIndexOf(u'/') + 1);
}

QString BuildLink(const QString& BaseURL, const QString& RemoteName) {
    return BaseURL + u'/' + RemoteName;
}

bool HasLineBreak(const QString& Text) {
    return Text.contains(u'\r') || Text.contains(u'\n') || Text.contains(QChar(u'\0'));
}

}  // namespace vd::app
