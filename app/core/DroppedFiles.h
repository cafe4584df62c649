#pragma once
// What a drop brings: the local files among its addresses. A link dragged
// from a browser, or a file on another machine (sftp://, smb://,
// file://otherhost/...), is no file the program can upload.

#include <QList>
#include <QStringList>
#include <QUrl>

namespace vd::app {

/// The paths of the local files among `Urls`, in their order and exactly
/// as named (a name may end in a blank).
QStringList LocalFilesOf(const QList<QUrl>& Urls);

}  // namespace vd::app
