#pragma once
// What a drop brings: the local files among its addresses. A link dragged
// from a browser, or a file on another machine (sftp://, smb://,
// file://otherhost/...), is no file the program can upload.

#include <QList>
#include <QStringList>
#include <QUrl>

class QMimeData;

namespace vd::app {

/// The paths of the local files among `Urls`, in their order and exactly
/// as named (a name may end in a blank).
QStringList LocalFilesOf(const QList<QUrl>& Urls);

/// The local files a drop brings: its URI list, or where it has none, the
/// file:// URIs of its plain text, one a line (as some Wayland clients and
/// terminals offer them).
QStringList LocalFilesOf(const QMimeData& Data);

}  // namespace vd::app
