#include "app/core/HttpLinkChecker.h"

#include <QEventLoop>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRegularExpression>
#include <memory>

namespace vd::app {
namespace {

int StatusOf(const QNetworkReply& Reply) {
    return Reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
}

// The size of the whole file: from "Content-Range: bytes 0-0/SIZE" after a
// ranged GET, else from Content-Length; -1 when the server names none.
qint64 FileSizeOf(const QNetworkReply& Reply) {
    const QString range = QString::fromLatin1(Reply.rawHeader("Content-Range"));
    const auto total = QRegularExpression(QStringLiteral("/(\\d+)$")).match(range);
    if (total.hasMatch()) return total.captured(1).toLongLong();
    const QVariant length = Reply.header(QNetworkRequest::ContentLengthHeader);
    return length.isValid() ? length.toLongLong() : -1;
}

QNetworkRequest RequestFor(const QUrl& Url) {
    QNetworkRequest request(Url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    // The answer must be the file as stored, not a cached or compressed copy.
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    request.setRawHeader("Accept-Encoding", "identity");
    return request;
}

}  // namespace

TLinkVerdict VerdictOf(QNetworkReply& Reply) {
    const int status = StatusOf(Reply);
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

TLinkVerdict THttpLinkChecker::CheckContent(const QString& Link, const QByteArray& Expected) {
    const QUrl url = BrowserUrl(Link);
    if (!IsWebUrl(url)) return {TLinkFault::NotWebAddress};
    QNetworkAccessManager manager;
    std::unique_ptr<QNetworkReply> reply(manager.get(RequestFor(url)));
    // A wrong link base may lead to a large page: reading stops as soon as
    // the answer is longer than the file.
    bool tooLong = false;
    QObject::connect(reply.get(), &QNetworkReply::downloadProgress, reply.get(),
                     [&](qint64 Received, qint64) {
                         if (Received <= Expected.size()) return;
                         tooLong = true;
                         reply->abort();
                     });
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    deadline.start(FTimeoutMs);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (!reply->isFinished()) {
        reply->abort();
        return {TLinkFault::NoAnswer};
    }
    if (tooLong) {
        const int status = StatusOf(*reply);
        if (status == 200 || status == 0) return {TLinkFault::OtherContent};
        return {TLinkFault::HttpStatus, status};
    }
    TLinkVerdict verdict = VerdictOf(*reply);
    if (verdict.Ok() && reply->readAll() != Expected) verdict = {TLinkFault::OtherContent};
    return verdict;
}

TBackgroundLinkCheck::TBackgroundLinkCheck(QObject* Parent, int TimeoutMs) : QObject(Parent) {
    FDeadline.setSingleShot(true);
    FDeadline.setInterval(TimeoutMs);
    connect(&FDeadline, &QTimer::timeout, this, [this] {
        if (FReply) FReply->abort();  // finishes with OperationCanceledError: no answer
    });
}

TBackgroundLinkCheck::~TBackgroundLinkCheck() { Cancel(); }

void TBackgroundLinkCheck::Start(const QString& Link, qint64 ExpectedSize) {
    Cancel();
    FLink = Link;
    FExpectedSize = ExpectedSize;
    FTriedGet = false;
    if (!IsWebUrl(BrowserUrl(Link))) {
        // Reported from the event loop like every other answer.
        QTimer::singleShot(
            0, this, [this, Link] { emit Checked(Link, TLinkVerdict{TLinkFault::NotWebAddress}); });
        return;
    }
    Send("HEAD");
    FDeadline.start();
}

void TBackgroundLinkCheck::Cancel() {
    FDeadline.stop();
    if (!FReply) return;
    QNetworkReply* reply = FReply;
    FReply = nullptr;
    reply->disconnect(this);
    reply->abort();
    reply->deleteLater();
}

void TBackgroundLinkCheck::Send(const QByteArray& Verb) {
    QNetworkRequest request = RequestFor(BrowserUrl(FLink));
    if (Verb == "HEAD") {
        FReply = FManager.head(request);
    } else {
        request.setRawHeader("Range", "bytes=0-0");
        FReply = FManager.get(request);
        // The size is in the headers; the body is not needed.
        connect(FReply, &QNetworkReply::metaDataChanged, this, [this] {
            if (FReply && StatusOf(*FReply) != 0) FReply->abort();
        });
    }
    connect(FReply, &QNetworkReply::finished, this, &TBackgroundLinkCheck::Finish);
}

void TBackgroundLinkCheck::Finish() {
    QNetworkReply* reply = FReply;
    FReply = nullptr;
    reply->deleteLater();
    const int status = StatusOf(*reply);
    // Some servers refuse HEAD: ask for the first byte instead.
    if (!FTriedGet && (status == 405 || status == 501)) {
        FTriedGet = true;
        Send("GET");
        return;
    }
    FDeadline.stop();
    TLinkVerdict verdict;
    if (reply->error() == QNetworkReply::OperationCanceledError && status != 0)
        verdict = status == 200 || status == 206 ? TLinkVerdict{}
                                                 : TLinkVerdict{TLinkFault::HttpStatus, status};
    else
        verdict = VerdictOf(*reply);
    const qint64 size = FileSizeOf(*reply);
    if (verdict.Ok() && size >= 0 && FExpectedSize >= 0 && size != FExpectedSize)
        verdict = {TLinkFault::OtherContent};
    emit Checked(FLink, verdict);
}

}  // namespace vd::app
