#pragma once
// Whether a link really leads to the file it was made for. The most common
// mistake in setting the program up is a wrong link base (a missing folder,
// http for https, a typo), and nothing else would show it before someone
// opens a dead link.

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QUrl>

#include "app/core/Language.h"

namespace vd::app {

/// What answered at the link instead of the file.
enum class TLinkFault {
    None,                   // the file itself
    NotWebAddress,          // the link base is empty or not http/https
    HttpStatus,             // the server answered with another status
    ConnectionRefused,      // nothing listens there
    HostNotFound,           // the name does not resolve
    CertificateNotTrusted,  // https with a certificate the system does not trust
    OtherContent,           // something else than the file
    NoAnswer,               // nothing within the time allowed
    Other,                  // any other network failure; Detail says which
};

struct TLinkVerdict {
    TLinkFault Fault = TLinkFault::None;
    int HttpStatus = 0;  // for HttpStatus
    QString Detail{};    // for Other
    bool Ok() const noexcept { return Fault == TLinkFault::None; }
};

/// How long a check may take, in milliseconds.
inline constexpr int kLinkCheckTimeoutMs = 10000;

/// The reason in a few words: "HTTP 404", "connection refused", ...
QString LinkFaultText(const TLinkVerdict& Verdict, TLanguage Language);

/// The address a browser asks for when it opens `Link`: blanks and letters
/// outside ASCII percent-encoded as UTF-8, escapes kept.
QUrl BrowserUrl(const QString& Link);

/// True for an http or https address with a host.
bool IsWebUrl(const QUrl& Url);

/// Fetches links as a browser does.
class TLinkChecker {
  public:
    virtual ~TLinkChecker() = default;
    /// Whether `Link` gives exactly `Expected`; blocks for at most
    /// kLinkCheckTimeoutMs, handling events meanwhile.
    virtual TLinkVerdict CheckContent(const QString& Link, const QByteArray& Expected) = 0;
};

/// The check after a share: in the background, never blocking. It asks
/// whether the link leads to a file of the expected size. A check still
/// running when the next starts or the object goes is dropped quietly.
class TBackgroundLinkCheck : public QObject {
    Q_OBJECT
  public:
    using QObject::QObject;

    virtual void Start(const QString& Link, qint64 ExpectedSize) = 0;
    virtual void Cancel() = 0;
    virtual bool Running() const = 0;

  signals:
    /// Once per started check that was not dropped.
    void Checked(const QString& Link, const vd::app::TLinkVerdict& Verdict);
};

}  // namespace vd::app
