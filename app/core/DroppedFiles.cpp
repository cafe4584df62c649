#include "app/core/DroppedFiles.h"

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

}  // namespace vd::app
