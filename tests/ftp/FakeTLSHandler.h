// A TLS-capable handler for the tests whose "handshake" changes nothing on
// the wire (or fails on request), so the AUTH rules can be checked against
// the scripted server.
#pragma once

#include "EIdException.h"
#include "TIdSSLIOHandlerSocketBase.h"

namespace vd::ftp::test {

class TFakeTLSHandler final : public TIdSSLIOHandlerSocketBase {
  public:
    bool FailHandshake = false;
    int Handshakes = 0;

  protected:
    void StartTLS() override {
        ++Handshakes;
        if (FailHandshake) throw EIdException("Fehler beim Verbinden mit SSL.");
    }
};

}  // namespace vd::ftp::test
