#pragma once
// The connection test's check of a link over HTTP and HTTPS, as a browser
// opens it: redirects followed, the system's certificate authorities
// trusted, the content compared byte for byte.

#include "app/core/LinkCheck.h"

namespace vd::app {

class THttpLinkChecker final : public TLinkChecker {
  public:
    explicit THttpLinkChecker(int TimeoutMs = kLinkCheckTimeoutMs) : FTimeoutMs(TimeoutMs) {}
    TLinkVerdict CheckContent(const QString& Link, const QByteArray& Expected) override;

  private:
    int FTimeoutMs;
};

}  // namespace vd::app
