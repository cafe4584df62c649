#include "app/net/HttpLinkChecker.h"

#include <QEventLoop>

#include "app/net/HttpExchange.h"
#include "app/net/HttpReplies.h"

namespace vd::app {

TLinkVerdict THttpLinkChecker::CheckContent(const QString& Link, const QByteArray& Expected) {
    const QUrl url = BrowserUrl(Link);
    if (!IsWebUrl(url)) return {TLinkFault::NotWebAddress};
    // A wrong link base may lead to a large page: reading stops as soon as
    // the answer is longer than the file.
    THttpExchange exchange({.Method = "GET", .Url = url, .BodyLimit = Expected.size()},
                           QDeadlineTimer(FTimeoutMs));
    QEventLoop loop;
    QObject::connect(&exchange, &THttpExchange::Finished, &loop, &QEventLoop::quit);
    exchange.Start();
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    const THttpAnswer& answer = exchange.Answer();
    if (answer.BodyTooLong) {
        if (answer.Status == 200) return {TLinkFault::OtherContent};
        return {TLinkFault::HttpStatus, answer.Status};
    }
    TLinkVerdict verdict = VerdictOf(answer);
    if (verdict.Ok() && answer.Body != Expected) verdict = {TLinkFault::OtherContent};
    return verdict;
}

}  // namespace vd::app
