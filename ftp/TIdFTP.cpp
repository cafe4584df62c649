// Connect, login and disconnect of the FTP client.
#include "TIdFTP.h"

#include <algorithm>

#include "FtpParsing.h"
#include "OtpHash.h"
#include "SocketErrors.h"
#include "platform/Utf8.h"

namespace vd::ftp {

namespace {

std::string JoinLines(const std::vector<std::string>& lines) {
    std::string joined;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i) joined += "\r\n";
        joined += lines[i];
    }
    return joined;
}

std::string FirstLine(const TIdReply& reply) {
    return reply.Text().empty() ? std::string() : reply.Text().front();
}

}  // namespace

TIdFTP::TIdFTP() {
    SetPort(21);
    SetReadTimeout(60000);
}

TIdFTP::~TIdFTP() {
    // A handler of our own goes with us; its closing reaches the intercept.
    if (OwnsIOHandler()) IOHandler()->Close();
}

void TIdFTP::SetDataConnectionFactory(TDataConnectionFactory factory) {
    FDataConnectionFactory = std::move(factory);
}

bool TIdFTP::IsExtSupported(std::string_view name) const {
    return IsExtSupportedIn(FCapabilities, name);
}

std::string TIdFTP::ServerDesc() const { return FirstLine(FGreeting); }

// RFC 959 leaves 421 to any command: the server is closing the control
// connection. Whatever codes the caller accepts, that ends the session.
int TIdFTP::CheckResponse(int code, const TIdReplyCodes& accepted) {
    if (code == 421 && std::find(accepted.begin(), accepted.end(), 421) == accepted.end()) {
        TIdTCPConnection::Disconnect(false);
        throw EIdFTPServiceNotAvailable(code, LastCmdResult().ErrorMessage());
    }
    return TIdTCPConnection::CheckResponse(code, accepted);
}

void TIdFTP::Connect() {
    // Before anything of the session changes: the TLS handler must not go
    // into pass-through under a live encrypted session, or the commands
    // after this call would go out in clear.
    if (Connected()) throw EIdAlreadyConnected();
    if (ConnectOnce(FUseHOST)) return;
    // The server closed the connection on "HOST": once more without it.
    const bool useHost = FUseHOST;
    FUseHOST = false;
    try {
        ConnectOnce(false);
    } catch (...) {
        FUseHOST = useHost;
        throw;
    }
    FUseHOST = useHost;
}

bool TIdFTP::ConnectOnce(bool sendHost) {
    SetTLSInUse(false);
    FBufferSizeSent = false;
    FProtectionSent = false;
    FPrivateData = false;
    FControlFingerprint.clear();
    FCapabilities.clear();
    if (WantsExplicitTLS())
        if (TIdSSLIOHandlerSocketBase* tls = TLSHandler()) tls->SetPassThrough(true);
    ConnectTCP();
    try {
        ReadGreeting();
    } catch (...) {
        TIdTCPConnection::Disconnect(false);
        throw;
    }
    try {
        if (sendHost && !SendHost()) return false;
        if (FAutoLogin) {
            Login();
            FSystemDesc = SendCmd("SYST") == 500 ? "Unbekannt" : FirstLine(LastCmdResult());
            SendSiteZone();
            SendTransferType(FTransferType);
        }
    } catch (...) {
        Disconnect(true);
        throw;
    }
    return true;
}

// RFC 959, 5.4: the greeting may be preceded by "120 ready in nnn minutes".
void TIdFTP::ReadGreeting() {
    const int code = GetResponse();
    if (code >= 100 && code <= 199)
        GetResponse({220});
    else
        CheckResponse(code, {220});
    FGreeting = LastCmdResult();
}

// RFC 7151: "HOST" names the virtual host; an IP literal goes in brackets.
// Some servers answer it by closing the connection: then false, and the
// connection is closed and its leftovers discarded.
bool TIdFTP::SendHost() {
    std::string host = Host();
    if (host == IOHandler()->PeerIP()) host = "[" + host + "]";
    try {
        if (SendCmd("HOST " + host) == 220) return true;
        IOHandler()->CheckForDataOnSource(0);
        if (IOHandler()->Opened()) return true;
    } catch (const EIdConnClosedGracefully&) {
    } catch (const EIdSocketError& e) {
        if (e.LastError() != kWSAECONNABORTED && e.LastError() != kWSAECONNRESET) throw;
    }
    TIdTCPConnection::Disconnect(false);
    return false;
}

void TIdFTP::Login() {
    if (WantsExplicitTLS()) NegotiateTLS();
    if (!TLSInUse() && UseTLS() == TIdUseTLS::utUseRequireTLS) {
        Disconnect(true);
        throw EIdTLSClientTLSNotAvailable();
    }
    SendCredentials();
    FLoginMsg = LastCmdResult();
    if (FAutoIssueFEAT) IssueFEAT();
    SendTransferType(FTransferType);
}

// RFC 2228 "AUTH" (RFC 4217 for TLS): 234 or 334 start the handshake; a
// 5xx lets the automatic choice try the next mechanism.
void TIdFTP::NegotiateTLS() {
    static const char* const kAll[] = {"TLS", "SSL", "TLS-C", "TLS-P"};
    std::vector<std::string> names;
    switch (AUTHCmd()) {
        case TAuthCmd::tAuto:
            names.assign(std::begin(kAll), std::end(kAll));
            break;
        case TAuthCmd::tAuthTLS:
            names = {"TLS"};
            break;
        case TAuthCmd::tAuthSSL:
            names = {"SSL"};
            break;
        case TAuthCmd::tAuthTLSC:
            names = {"TLS-C"};
            break;
        case TAuthCmd::tAuthTLSP:
            names = {"TLS-P"};
            break;
    }
    for (const auto& name : names) {
        const int code = SendCmd("AUTH " + name);
        if (code == 234 || code == 334) {
            TLSHandshake();
            CheckServerCertificate();
            return;
        }
        if (AUTHCmd() == TAuthCmd::tAuto && code >= 500 && code <= 999) continue;
        Disconnect(true);
        throw EIdTLSClientTLSNegCmdFailed();
    }
}

// Before the login: a certificate the caller refuses must not see the
// password, nor any other command.
void TIdFTP::CheckServerCertificate() {
    FControlFingerprint = TLSHandler()->PeerFingerprint();
    if (!OnServerCertificate) return;
    try {
        OnServerCertificate(FControlFingerprint);
    } catch (...) {
        Disconnect(false);
        throw;
    }
}

void TIdFTP::SendCredentials() {
    if (SendXAut()) return;
    if (SendCmd("USER " + FUsername, {230, 232, 331}) != 331) return;
    std::string password = FPassword;
    // RFC 2289: a challenge "otp-<alg> <sequence> <seed>" in the 331 reply
    // asks for the six-word response instead of the pass phrase.
    if (const auto challenge = FindOtpChallenge(JoinLines(LastCmdResult().Text()))) {
        if (challenge->Sequence > kMaxOtpSequence) {
            throw EIdFTPOtpSequenceTooLarge(
                "Der Server verlangt ein Einmalkennwort mit der Sequenznummer " +
                std::to_string(challenge->Sequence) + "; mehr als " +
                std::to_string(kMaxOtpSequence) + " werden nicht berechnet.");
        }
        password = OtpResponse(*challenge, FPassword);
    }
    SendCmd("PASS " + password, {230, 332});
    CheckAccount();
}

// WS_FTP Server announces a number in brackets in its greeting and takes
// user and password scrambled with it in one "XAUT" command. (No TLS
// library is loaded here to report a FIPS mode, which would forbid it.)
// The scrambled bytes are the UTF-8 credentials, like those of USER and PASS.
bool TIdFTP::SendXAut() {
    const std::string greeting = JoinLines(FGreeting.Text());
    if (greeting.find("WS_FTP Server") == std::string::npos) return false;
    const auto number = FirstBracketedNumber(greeting);
    if (!number) return false;
    const std::string credentials = platform::ToValidUtf8(FUsername + ":" + FPassword);
    if (SendCmd("XAUT 2 " + XAutCredentials(credentials, *number), {230, 232, 331}) == 331)
        CheckAccount();
    return true;
}

// RFC 959 "ACCT": a 332 asks for an account; a reply naming "ACCOUNT" is
// answered when one is configured.
void TIdFTP::CheckAccount() {
    const TIdReply& reply = LastCmdResult();
    const bool needed =
        reply.NumericCode() == 332 ||
        (JoinLines(reply.Text()).find("ACCOUNT") != std::string::npos && !FAccount.empty());
    if (!needed) return;
    if (FAccount.empty()) RaiseExceptionForLastCmdResult();
    SendCmd("ACCT " + FAccount, {202, 230, 500});
}

// RFC 2389 "FEAT": "211-Features:", one feature per line, "211 End".
void TIdFTP::IssueFEAT() {
    FCapabilities.clear();
    const int code = SendCmd("FEAT");
    if (code == 211 || code == 221) {
        std::vector<std::string> lines = LastCmdResult().Text();
        if (!lines.empty()) lines.erase(lines.begin());
        if (!lines.empty()) lines.pop_back();
        FCapabilities = std::move(lines);
    }
    if (IsExtSupported("CLNT"))
        SendCmd("CLNT " + (FClientInfo.empty() ? std::string("Velodrop 1.0") : FClientInfo));
    // RFC 2640's UTF8 feature changes nothing: the control connection speaks
    // UTF-8 from its first command (TIdIOHandler), listed or not.
}

void TIdFTP::SendSiteZone() {
    static const char* const kZoneServers[] = {"Serv-U ", "BPFTP Server ", "TitanFTP server ",
                                               "Titan FTP Server "};
    const std::string desc = ServerDesc();
    bool wanted = SiteFeatureListsFact(FCapabilities, "ZONE");
    for (const char* prefix : kZoneServers) wanted = wanted || StartsText(prefix, desc);
    if (!wanted) return;
    if (SendCmd("SITE ZONE") == 210) FServerTimeZone = FirstLine(LastCmdResult());
}

void TIdFTP::SendTransferType(TIdFTPTransferType type) {
    SendCmd(type == TIdFTPTransferType::ftBinary ? "TYPE I" : "TYPE A", {200});
}

void TIdFTP::Disconnect(bool notifyPeer) { TIdTCPConnection::Disconnect(notifyPeer); }

void TIdFTP::DisconnectNotifyPeer() {
    TIdIOHandler* h = IOHandler();
    h->WriteLn("QUIT");
    if (h->CheckForDataOnSource(100) || h->InputBufferSize() > 0) GetInternalResponse();
}

}  // namespace vd::ftp
