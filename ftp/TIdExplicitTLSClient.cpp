#include "TIdExplicitTLSClient.h"

#include "EIdException.h"

namespace vd::ftp {

TIdSSLIOHandlerSocketBase* TIdExplicitTLSClient::TLSHandler() const noexcept {
    return dynamic_cast<TIdSSLIOHandlerSocketBase*>(IOHandler());
}

void TIdExplicitTLSClient::SetIOHandler(TIdIOHandler* handler) {
    AssignIOHandler(handler);
    if (!handler) return;
    handler->SetIntercept(Intercept());
    CopySettingsToHandler();
    if (!TLSHandler() && FUseTLS != TIdUseTLS::utNoTLSSupport) FUseTLS = TIdUseTLS::utNoTLSSupport;
}

void TIdExplicitTLSClient::SetUseTLS(TIdUseTLS value) {
    if (Connected()) throw EIdTLSClientCanNotSetWhileConnected();
    if (value != TIdUseTLS::utNoTLSSupport && !TLSHandler())
        throw EIdTLSClientSSLIOHandlerRequred();
    if (value != FUseTLS) {
        if (value == TIdUseTLS::utUseImplicitTLS && Port() == 21)
            SetPort(990);
        else if (FUseTLS == TIdUseTLS::utUseImplicitTLS && Port() == 990)
            SetPort(21);
    }
    if (value == TIdUseTLS::utNoTLSSupport) {
        FDataPortProtection = TIdFTPDataPortSecurity::ftpdpsClear;
        FUseCCC = false;
        FAUTHCmd = TAuthCmd::tAuto;
    }
    FUseTLS = value;
}

void TIdExplicitTLSClient::TLSHandshake() {
    try {
        TIdSSLIOHandlerSocketBase* tls = TLSHandler();
        if (!tls) throw EIdTLSClientSSLIOHandlerRequred();
        tls->SetPassThrough(false);
    } catch (const std::exception& e) {
        Disconnect(false);
        throw EIdTLSClientTLSHandShakeFailed(e.what());
    }
    FTLSInUse = true;
}

}  // namespace vd::ftp
