#pragma once
// The check after a share over HTTP and HTTPS: it asks for the file's size
// (HEAD; where a server refuses HEAD, a GET of its first byte whose body is
// not read) and compares it with the file's.

#include <QNetworkAccessManager>
#include <QPointer>
#include <QTimer>

#include "app/core/LinkCheck.h"

class QNetworkReply;

namespace vd::app {

class THttpBackgroundLinkCheck final : public TBackgroundLinkCheck {
    Q_OBJECT
  public:
    explicit THttpBackgroundLinkCheck(QObject* Parent = nullptr,
                                      int TimeoutMs = kLinkCheckTimeoutMs);
    ~THttpBackgroundLinkCheck() override;

    void Start(const QString& Link, qint64 ExpectedSize) override;
    void Cancel() override;
    bool Running() const override { return !FReply.isNull(); }

  private:
    void SendHead();
    /// A ranged GET of byte 0, aborted once its headers are in: they hold
    /// the size.
    void SendFirstByteGet();
    void Listen();
    /// A reply came: a refused HEAD is asked again as a GET, anything else
    /// is reported.
    void ReplyFinished();
    /// What the finished reply says of the link.
    TLinkVerdict VerdictOfSize(QNetworkReply& Reply) const;

    QNetworkAccessManager FManager;
    QPointer<QNetworkReply> FReply;
    QTimer FDeadline;
    QString FLink;
    qint64 FExpectedSize = -1;
    bool FTriedGet = false;
};

}  // namespace vd::app
