#include "app/net/HttpBackgroundLinkCheck.h"

#include <QNetworkReply>

#include "app/net/HttpReplies.h"

namespace vd::app {

THttpBackgroundLinkCheck::THttpBackgroundLinkCheck(QObject* Parent, int TimeoutMs)
    : TBackgroundLinkCheck(Parent) {
    FDeadline.setSingleShot(true);
    FDeadline.setInterval(TimeoutMs);
    connect(&FDeadline, &QTimer::timeout, this, [this] {
        if (FReply) FReply->abort();  // finishes with OperationCanceledError: no answer
    });
}

THttpBackgroundLinkCheck::~THttpBackgroundLinkCheck() { Cancel(); }

void THttpBackgroundLinkCheck::Start(const QString& Link, qint64 ExpectedSize) {
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
    SendHead();
    FDeadline.start();
}

void THttpBackgroundLinkCheck::Cancel() {
    FDeadline.stop();
    if (!FReply) return;
    QNetworkReply* reply = FReply;
    FReply = nullptr;
    reply->disconnect(this);
    reply->abort();
    reply->deleteLater();
}

void THttpBackgroundLinkCheck::SendHead() {
    FReply = FManager.head(BrowserRequest(BrowserUrl(FLink)));
    Listen();
}

void THttpBackgroundLinkCheck::SendFirstByteGet() {
    QNetworkRequest request = BrowserRequest(BrowserUrl(FLink));
    request.setRawHeader("Range", "bytes=0-0");
    FReply = FManager.get(request);
    connect(FReply, &QNetworkReply::metaDataChanged, this, [this] {
        if (FReply && HttpStatusOf(*FReply) != 0) FReply->abort();
    });
    Listen();
}

void THttpBackgroundLinkCheck::Listen() {
    connect(FReply, &QNetworkReply::finished, this, &THttpBackgroundLinkCheck::ReplyFinished);
}

void THttpBackgroundLinkCheck::ReplyFinished() {
    QNetworkReply* reply = FReply;
    FReply = nullptr;
    reply->deleteLater();
    const int status = HttpStatusOf(*reply);
    // Some servers refuse HEAD: ask for the first byte instead.
    if (!FTriedGet && (status == 405 || status == 501)) {
        FTriedGet = true;
        SendFirstByteGet();
        return;
    }
    FDeadline.stop();
    emit Checked(FLink, VerdictOfSize(*reply));
}

TLinkVerdict THttpBackgroundLinkCheck::VerdictOfSize(QNetworkReply& Reply) const {
    const int status = HttpStatusOf(Reply);
    TLinkVerdict verdict;
    // The first-byte GET is aborted on purpose once a status came.
    if (Reply.error() == QNetworkReply::OperationCanceledError && status != 0)
        verdict = status == 200 || status == 206 ? TLinkVerdict{}
                                                 : TLinkVerdict{TLinkFault::HttpStatus, status};
    else
        verdict = VerdictOf(Reply);
    const qint64 size = FileSizeOf(Reply);
    if (verdict.Ok() && size >= 0 && FExpectedSize >= 0 && size != FExpectedSize)
        verdict = {TLinkFault::OtherContent};
    return verdict;
}

}  // namespace vd::app
