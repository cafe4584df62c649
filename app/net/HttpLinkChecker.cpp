#include "app/net/HttpLinkChecker.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTimer>
#include <memory>

#include "app/net/HttpReplies.h"

namespace vd::app {

TLinkVerdict THttpLinkChecker::CheckContent(const QString& Link, const QByteArray& Expected) {
    const QUrl url = BrowserUrl(Link);
    if (!IsWebUrl(url)) return {TLinkFault::NotWebAddress};
    QNetworkAccessManager manager;
    std::unique_ptr<QNetworkReply> reply(manager.get(BrowserRequest(url)));
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
        const int status = HttpStatusOf(*reply);
        if (status == 200 || status == 0) return {TLinkFault::OtherContent};
        return {TLinkFault::HttpStatus, status};
    }
    TLinkVerdict verdict = VerdictOf(*reply);
    if (verdict.Ok() && reply->readAll() != Expected) verdict = {TLinkFault::OtherContent};
    return verdict;
}

}  // namespace vd::app
