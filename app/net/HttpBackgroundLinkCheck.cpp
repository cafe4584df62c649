#include "app/net/HttpBackgroundLinkCheck.h"

#include <QTimer>

#include "app/net/HttpReplies.h"

namespace vd::app {

THttpBackgroundLinkCheck::THttpBackgroundLinkCheck(QObject* Parent, int TimeoutMs)
    : TBackgroundLinkCheck(Parent), FTimeoutMs(TimeoutMs) {}

THttpBackgroundLinkCheck::~THttpBackgroundLinkCheck() { Cancel(); }

void THttpBackgroundLinkCheck::Start(const QString& Link, qint64 ExpectedSize) {
    Cancel();
    FLink = Link;
    FExpectedSize = ExpectedSize;
    FTriedGet = false;
    const QUrl url = BrowserUrl(Link);
    if (!IsWebUrl(url)) {
        // Reported from the event loop like every other answer.
        QTimer::singleShot(
            0, this, [this, Link] { emit Checked(Link, TLinkVerdict{TLinkFault::NotWebAddress}); });
        return;
    }
    FDeadline = QDeadlineTimer(FTimeoutMs);
    Send({.Method = "HEAD", .Url = url});
}

void THttpBackgroundLinkCheck::Cancel() {
    // Its connection closes with it, at once.
    FExchange.reset();
}

void THttpBackgroundLinkCheck::Send(THttpRequest Request) {
    FExchange = std::make_unique<THttpExchange>(std::move(Request), FDeadline);
    connect(FExchange.get(), &THttpExchange::Finished, this,
            &THttpBackgroundLinkCheck::ExchangeFinished);
    FExchange->Start();
}

void THttpBackgroundLinkCheck::ExchangeFinished() {
    // The exchange is still emitting: it goes from the event loop.
    THttpExchange* exchange = FExchange.release();
    exchange->deleteLater();
    const THttpAnswer& answer = exchange->Answer();
    // Some servers refuse HEAD: ask for the first byte instead.
    if (!FTriedGet && (answer.Status == 405 || answer.Status == 501)) {
        FTriedGet = true;
        Send({.Method = "GET", .Url = BrowserUrl(FLink), .Range = "bytes=0-0"});
        return;
    }
    emit Checked(FLink, VerdictOfSize(answer));
}

TLinkVerdict THttpBackgroundLinkCheck::VerdictOfSize(const THttpAnswer& Answer) const {
    TLinkVerdict verdict = VerdictOf(Answer);
    const qint64 size = FileSizeOf(Answer);
    if (verdict.Ok() && size >= 0 && FExpectedSize >= 0 && size != FExpectedSize)
        verdict = {TLinkFault::OtherContent};
    return verdict;
}

}  // namespace vd::app
