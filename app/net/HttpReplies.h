#pragma once
// Requests for links as a browser sends them, and what their replies say.

#include <QNetworkRequest>

#include "app/core/LinkCheck.h"

class QNetworkReply;

namespace vd::app {

/// A request for `Url` that follows redirects as a browser does and asks
/// for the file as stored (no cache, no compression).
QNetworkRequest BrowserRequest(const QUrl& Url);

/// The HTTP status of a reply; 0 before any came.
int HttpStatusOf(const QNetworkReply& Reply);

/// The size of the whole file: from "Content-Range: bytes 0-0/SIZE" after a
/// ranged GET, else from Content-Length; -1 when the server names none.
qint64 FileSizeOf(const QNetworkReply& Reply);

/// What a finished reply says about a link, before its content is compared.
TLinkVerdict VerdictOf(QNetworkReply& Reply);

}  // namespace vd::app
