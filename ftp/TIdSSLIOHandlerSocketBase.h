// The base of TLS-capable socket handlers. While PassThrough is on, bytes go
// to and from the socket unchanged; switching it off on an open connection
// starts TLS there (explicit TLS, RFC 4217). The TLS library itself lives in
// the derived handler.
#pragma once

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
