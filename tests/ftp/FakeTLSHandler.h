// A TLS-capable handler for the tests whose "handshake" changes nothing on
// the wire (or fails on request), so the AUTH rules and the order of data
// connection handshakes can be checked against the scripted server.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "EIdException.h"
#include "TIdSSLIOHandlerSocketBase.h"

namespace vd::ftp::test {

class TFakeTLSHandler final : public TIdSSLIOHandlerSocketBase {
  public:
    bool FailHandshake = false;
    int Handshakes = 0;
    // What PeerFingerprint reports once the "handshake" ran.
    std::string Fingerprint = "AA:BB";
    // Shared by a handler and its clones: one line per event, in order
    // ("clone resume", "clone", "data handshake", ...). Others may add their
    // own lines to it.
    std::shared_ptr<std::vector<std::string>> Events = std::make_shared<std::vector<std::string>>();
    // What the next clones report as their fingerprint (empty: this one's).
    std::string CloneFingerprint;

    std::unique_ptr<TIdSSLIOHandlerSocketBase> Clone(bool resumeSession) const override {
        Events->push_back(resumeSession ? "clone resume" : "clone");
        auto data = std::make_unique<TFakeTLSHandler>();
        data->Events = Events;
        data->FIsData = true;
        data->Fingerprint = CloneFingerprint.empty() ? Fingerprint : CloneFingerprint;
        data->SetPassThrough(true);
        return data;
    }
    std::string PeerFingerprint() const override {
        return Handshakes > 0 && !PassThrough() ? Fingerprint : std::string();
    }

  protected:
    void StartTLS() override {
        ++Handshakes;
        Events->push_back(FIsData ? "data handshake" : "control handshake");
        if (FailHandshake) throw EIdException("Fehler beim Verbinden mit SSL.");
    }

  private:
    bool FIsData = false;
};

}  // namespace vd::ftp::test
