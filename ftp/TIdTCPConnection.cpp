#include "TIdTCPConnection.h"

#include "EIdException.h"
#include "TIdIntercept.h"

namespace vd::ftp {

TIdTCPConnection::~TIdTCPConnection() = default;

void TIdTCPConnection::SetIntercept(TIdConnectionIntercept* intercept) {
    FIntercept = intercept;
    if (FIOHandler) FIOHandler->SetIntercept(intercept);
}

void TIdTCPConnection::AssignIOHandler(TIdIOHandler* handler) {
    if (handler == FIOHandler) return;
    if (handler && handler->Intercept() && handler->Intercept() != FIntercept)
        throw EIdInterceptAlreadyAssigned();
    if (FOwnedIOHandler) {
        FOwnedIOHandler->Close();  // no QUIT: the handler simply goes
        FOwnedIOHandler.reset();
    }
    FIOHandler = handler;
}

void TIdTCPConnection::CreateOwnIOHandler() {
    FOwnedIOHandler = std::make_unique<TIdIOHandlerStack>();
    FIOHandler = FOwnedIOHandler.get();
    FIOHandler->SetIntercept(FIntercept);
}

int TIdTCPConnection::SendCmd(const std::string& command, const TIdReplyCodes& accepted) {
    if (!FIOHandler) throw EIdNotConnected();
    FIOHandler->WriteLn(command);
    return GetResponse(accepted);
}

int TIdTCPConnection::GetResponse(const TIdReplyCodes& accepted) {
    GetInternalResponse();
    return CheckResponse(FLastCmdResult.NumericCode(), accepted);
}

namespace {

// How many read timeouts a whole reply may take.
constexpr long long kWholeReplyTimeouts = 2;

}  // namespace

void TIdTCPConnection::GetInternalResponse() {
    if (!FIOHandler) throw EIdNotConnected();
    size_t budget = kMaxReplyBytes;
    std::vector<std::string> lines;
    // The whole reply gets twice the read timeout, however it trickles in.
    struct TReplyDeadline {
        TIdIOHandler& Handler;
        explicit TReplyDeadline(TIdIOHandler& H) : Handler(H) {
            if (H.ReadTimeout() > 0) {
                H.SetReadDeadline(std::chrono::steady_clock::now() +
                                  std::chrono::milliseconds(kWholeReplyTimeouts * H.ReadTimeout()));
            }
        }
        ~TReplyDeadline() { Handler.ClearReadDeadline(); }
    } deadline(*FIOHandler);
    try {
        lines.push_back(FIOHandler->ReadLnWait(INT_MAX, &budget));
        if (IsMultiLineStart(lines[0])) {
            const std::string code = lines[0].substr(0, 3);
            do lines.push_back(FIOHandler->ReadLnWait(INT_MAX, &budget));
            while (!IsReplyEndLine(lines.back(), code));
        }
    } catch (const EIdReadLnMaxLineLengthExceeded&) {
        // The reply stream is out of step for good: drop the connection.
        Disconnect(false);
        throw;
    } catch (const EIdMaxReplySizeExceeded&) {
        Disconnect(false);
        throw;
    } catch (const EIdReadTimeout&) {
        // The reply may still come, at a time nobody knows: read later, it
        // would pass for the answer to the next command, and every reply
        // after it would be one step behind. The connection goes.
        Disconnect(false);
        throw;
    }
    FLastCmdResult = ParseReply(lines);
}

int TIdTCPConnection::CheckResponse(int code, const TIdReplyCodes& accepted) {
    if (accepted.empty()) return code;
    for (const int c : accepted)
        if (c == code) return code;
    RaiseExceptionForLastCmdResult();
}

void TIdTCPConnection::RaiseExceptionForLastCmdResult() {
    throw EIdReplyRFCError(FLastCmdResult.NumericCode(), FLastCmdResult.ErrorMessage());
}

bool TIdTCPConnection::Connected() { return FIOHandler && FIOHandler->Connected(); }

void TIdTCPConnection::Disconnect(bool notifyPeer) {
    if (notifyPeer && Connected()) {
        try {
            DisconnectNotifyPeer();
        } catch (const std::exception&) {
            // The peer is told if it can be; closing goes on regardless.
        }
    }
    if (FIOHandler) {
        FIOHandler->Close();
        // Bytes left over from this session must not make the next Connected
        // answer true.
        FIOHandler->DiscardInput();
    }
}

void TIdTCPClientCustom::SetHost(std::string host) {
    FHost = std::move(host);
    if (IOHandler()) IOHandler()->SetHost(FHost);
}

void TIdTCPClientCustom::SetPort(uint16_t port) {
    FPort = port;
    if (IOHandler()) IOHandler()->SetPort(port);
}

void TIdTCPClientCustom::SetReadTimeout(int ms) {
    FReadTimeout = ms;
    if (IOHandler()) IOHandler()->SetReadTimeout(ms);
}

void TIdTCPClientCustom::CopySettingsToHandler() {
    TIdIOHandler* h = IOHandler();
    h->SetHost(FHost);
    h->SetPort(FPort);
    h->SetConnectTimeout(FConnectTimeout);
    h->SetReadTimeout(FReadTimeout);
    if (auto* s = dynamic_cast<TIdIOHandlerSocket*>(h)) s->SetIPVersion(FIPVersion);
}

void TIdTCPClientCustom::ConnectTCP() {
    if (Connected()) throw EIdAlreadyConnected();
    if (FHost.empty()) throw EIdHostRequired();
    if (FPort == 0) throw EIdPortRequired();
    if (!IOHandler()) CreateOwnIOHandler();
    CopySettingsToHandler();
    IOHandler()->Open();
}

}  // namespace vd::ftp
