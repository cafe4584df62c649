#include "app/core/DroppedFiles.h"

#include <QMimeData>

namespace vd::app {
namespace {

// file:///path and file://localhost/path name this machine's files; a file
// URL with another host is a network share.
bool IsLocalFile(const QUrl& Url) {
    if (Url.scheme().compare(u"file", Qt::CaseInsensitive) != 0) return false;
    const QString host = Url.host();
    if (!host.isEmpty() && host.compare(u"localhost", Qt::CaseInsensitive) != 0) return false;
    return Url.path(QUrl::FullyDecoded).startsWith(u'/');
}

}  // namespace

QStringList LocalFilesOf(const QList<QUrl>& Urls) {
    QStringList files;
    for (const QUrl& url : Urls) {
        if (IsLocalFile(url)) files << url.path(QUrl::FullyDecoded);
    }
    return files;
}

QStringList LocalFilesOf(const QMimeData& Data) {
    if (Data.hasUrls()) return LocalFilesOf(Data.urls());
    if (!Data.hasText()) return {};
    QList<QUrl> urls;
    for (const QString& line : Data.text().split(u'\n', Qt::SkipEmptyParts)) {
        const QString uri = line.trimmed();
        if (uri.startsWith(QLatin1String("file:"), Qt::CaseInsensitive))
            urls << QUrl(uri, QUrl::StrictMode);
    }
    return LocalFilesOf(urls);
}

}  // namespace vd::app
