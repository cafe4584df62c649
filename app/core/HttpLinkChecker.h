#pragma once
// Links checked over HTTP and HTTPS with Qt Network, as a browser opens
// them: redirects followed, the system's certificate authorities trusted.

#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include "app/core/LinkCheck.h"

class QNetworkReply;

namespace vd::app {

/// What a finished reply says about a link, before its content is compared.
TLinkVerdict VerdictOf(QNetworkReply& Reply);

/// The blocking check of the connection test.
class THttpLinkChecker final : public TLinkChecker {
  public:
    explicit THttpLinkChecker(int TimeoutMs = kLinkCheckTimeoutMs) : FTimeoutMs(TimeoutMs) {}
    TLinkVerdict CheckContent(const QString& Link, const QByteArray& Expected) override;

  private:
    int FTimeoutMs;
};

/// The check after a share: in the background, never blocking. It asks for
/// the file's size (HEAD; a GET of its first byte where HEAD is refused)
/// and compares it. A check still running when the next starts or the
/// object goes is dropped quietly.
class TBackgroundLinkCheck final : public QObject {
    Q_OBJECT
  public:
    explicit TBackgroundLinkCheck(QObject* Parent = nullptr, int TimeoutMs = kLinkCheckTimeoutMs);
    ~TBackgroundLinkCheck() override;

    void Start(const QString& Link, qint64 ExpectedSize);
    void Cancel();
    bool Running() const { return !FReply.isNull(); }

  signals:
    /// Once per started check that was not dropped.
    void Checked(const QString& Link, const vd::app::TLinkVerdict& Verdict);

  private:
    void Send(const QByteArray& Verb);
    void Finish();

    QNetworkAccessManager FManager;
    QPointer<QNetworkReply> FReply;
    QTimer FDeadline;
    QString FLink;
    qint64 FExpectedSize = -1;
    bool FTriedGet = false;
};

}  // namespace vd::app
