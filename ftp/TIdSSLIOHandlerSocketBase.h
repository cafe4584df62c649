// The base of TLS-capable socket handlers. While PassThrough is on, bytes go
// to and from the socket unchanged; switching it off on an open connection
// starts TLS there (explicit TLS, RFC 4217). The TLS library itself lives in
// the derived handler.
#pragma once

#include <memory>
#include <string>

#include "TIdIOHandlerStack.h"

namespace vd::ftp {

class TIdSSLIOHandlerSocketBase : public TIdIOHandlerStack {
  public:
    bool PassThrough() const noexcept { return FPassThrough; }
    // Writing the current value does nothing. Writing false on an open
    // connection runs the TLS handshake (StartTLS), which fails with an error
    // when it cannot complete.
    void SetPassThrough(bool value);

    bool IsPeer() const noexcept { return FIsPeer; }
    const std::string& URIToCheck() const noexcept { return FURIToCheck; }
    void SetURIToCheck(std::string uri) { FURIToCheck = std::move(uri); }

    // A handler for a data connection of the session this one carries
    // (RFC 4217, 9): the same TLS settings and server name, pass-through on,
    // no intercept. With resumeSession its handshake offers this
    // connection's TLS session for resumption: vsftpd and ProFTPD refuse a
    // data connection that does not resume it, as proof that its client is
    // the control connection's.
    virtual std::unique_ptr<TIdSSLIOHandlerSocketBase> Clone(bool resumeSession) const = 0;
    // The SHA-256 fingerprint of the peer's certificate, as 32 upper-case
    // hexadecimal pairs joined by ":"; empty without a TLS session or
    // certificate.
    virtual std::string PeerFingerprint() const = 0;

  protected:
    // Runs the client handshake over the open socket.
    virtual void StartTLS() = 0;
    // Called when PassThrough is switched on again (the TLS session, if any,
    // is not shut down).
    virtual void PassThroughEnabled() {}

  private:
    bool FPassThrough = false;
    bool FIsPeer = false;
    std::string FURIToCheck;
};

}  // namespace vd::ftp
