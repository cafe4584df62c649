// The TLS negotiation rules of a client that starts in clear and may switch
// its control connection to TLS (explicit TLS, RFC 4217).
#pragma once

#include "TIdSSLIOHandlerSocketBase.h"
#include "TIdTCPConnection.h"

namespace vd::ftp {

enum class TIdUseTLS { utNoTLSSupport, utUseImplicitTLS, utUseRequireTLS, utUseExplicitTLS };
enum class TIdFTPDataPortSecurity { ftpdpsClear, ftpdpsPrivate };
enum class TAuthCmd { tAuto, tAuthTLS, tAuthSSL, tAuthTLSC, tAuthTLSP };

class TIdExplicitTLSClient : public TIdTCPClientCustom {
  public:
    // Not owned. A handler this client created itself is destroyed (closed
    // without QUIT). A handler that already has another intercept is refused.
    // A handler that is not TLS-capable sets UseTLS back to utNoTLSSupport.
    void SetIOHandler(TIdIOHandler* handler);

    TIdUseTLS UseTLS() const noexcept { return FUseTLS; }
    // Fails while connected (even with the current value) and, for a value
    // other than utNoTLSSupport, without a TLS-capable handler.
    void SetUseTLS(TIdUseTLS value);

    TAuthCmd AUTHCmd() const noexcept { return FAUTHCmd; }
    void SetAUTHCmd(TAuthCmd cmd) noexcept { FAUTHCmd = cmd; }
    TIdFTPDataPortSecurity DataPortProtection() const noexcept { return FDataPortProtection; }
    void SetDataPortProtection(TIdFTPDataPortSecurity v) noexcept { FDataPortProtection = v; }
    bool UseCCC() const noexcept { return FUseCCC; }
    void SetUseCCC(bool v) noexcept { FUseCCC = v; }

    // True once an AUTH was accepted and the handshake succeeded.
    bool TLSInUse() const noexcept { return FTLSInUse; }

  protected:
    TIdSSLIOHandlerSocketBase* TLSHandler() const noexcept;
    bool WantsExplicitTLS() const noexcept {
        return FUseTLS == TIdUseTLS::utUseExplicitTLS || FUseTLS == TIdUseTLS::utUseRequireTLS;
    }
    void SetTLSInUse(bool v) noexcept { FTLSInUse = v; }
    // Leaves pass-through mode on the open connection. Any failure closes the
    // connection without QUIT and becomes EIdTLSClientTLSHandShakeFailed.
    void TLSHandshake();

  private:
    TIdUseTLS FUseTLS = TIdUseTLS::utNoTLSSupport;
    TAuthCmd FAUTHCmd = TAuthCmd::tAuto;
    TIdFTPDataPortSecurity FDataPortProtection = TIdFTPDataPortSecurity::ftpdpsClear;
    bool FUseCCC = false;
    bool FTLSInUse = false;
};

}  // namespace vd::ftp
