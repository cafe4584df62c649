#include "app/net/HttpReplies.h"

#include <QNetworkReply>
#include <QRegularExpression>

namespace vd::app {

QNetworkRequest BrowserRequest(const QUrl& Url) {
    QNetworkRequest request(Url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    // The answer must be the file as stored, not a cached or compressed copy.
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    request.setRawHeader("Accept-Encoding", "identity");
    return request;
}

int HttpStatusOf(const QNetworkReply& Reply) {
    return Reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
}

qint64 FileSizeOf(const QNetworkReply& Reply) {
    const QString range = QString::fromLatin1(Reply.rawHeader("Content-Range"));
    const auto total = QRegularExpression(QStringLiteral("/(\\d+)$")).match(range);
    if (total.hasMatch()) return total.captured(1).toLongLong();
    const QVariant length = Reply.header(QNetworkRequest::ContentLengthHeader);
    return length.isValid() ? length.toLongLong() : -1;
}

TLinkVerdict VerdictOf(QNetworkReply& Reply) {
    const int status = HttpStatusOf(Reply);
    switch (Reply.error()) {
        case QNetworkReply::NoError:
            break;
        case QNetworkReply::ConnectionRefusedError:
            return {TLinkFault::ConnectionRefused};
        case QNetworkReply::HostNotFoundError:
            return {TLinkFault::HostNotFound};
        case QNetworkReply::SslHandshakeFailedError:
            return {TLinkFault::CertificateNotTrusted};
        case QNetworkReply::TimeoutError:
        case QNetworkReply::OperationCanceledError:
            return {TLinkFault::NoAnswer};
        default:
            // A status the server sent (404, 403, 500, ...) says it best.
            if (status != 0) return {TLinkFault::HttpStatus, status};
            return {TLinkFault::Other, 0, Reply.errorString()};
    }
    if (status != 200 && status != 206) return {TLinkFault::HttpStatus, status};
    return {};
}

}  // namespace vd::app
