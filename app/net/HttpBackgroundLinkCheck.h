#pragma once
// The check after a share over HTTP and HTTPS: it asks for the file's size
// (HEAD; where a server refuses HEAD, a GET of its first byte whose body is
// not read) and compares it with the file's.

#include <QDeadlineTimer>
#include <memory>

#include "app/core/LinkCheck.h"
#include "app/net/HttpExchange.h"

namespace vd::app {

class THttpBackgroundLinkCheck final : public TBackgroundLinkCheck {
    Q_OBJECT
  public:
    explicit THttpBackgroundLinkCheck(QObject* Parent = nullptr,
                                      int TimeoutMs = kLinkCheckTimeoutMs);
    ~THttpBackgroundLinkCheck() override;

    void Start(const QString& Link, qint64 ExpectedSize) override;
    void Cancel() override;
    bool Running() const override { return FExchange != nullptr; }

  private:
    /// Sends `Request` within the check's deadline.
    void Send(THttpRequest Request);
    /// An answer came: a refused HEAD is asked again as a GET of the first
    /// byte, anything else is reported.
    void ExchangeFinished();
    /// What the answer says of the link.
    TLinkVerdict VerdictOfSize(const THttpAnswer& Answer) const;

    int FTimeoutMs;
    QDeadlineTimer FDeadline;
    std::unique_ptr<THttpExchange> FExchange;
    QString FLink;
    qint64 FExpectedSize = -1;
    bool FTriedGet = false;
};

}  // namespace vd::app
