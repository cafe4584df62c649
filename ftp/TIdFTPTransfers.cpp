// Commands and passive-mode transfers of the FTP client.
#include "SocketErrors.h"
#include "TIdFTP.h"

namespace vd::ftp {

void TIdFTP::CheckCommandLine(const std::string& command) const {
    if (!IOHandler()) throw EIdNotConnected();
    // Refused before the transfer starts, so not even "PASV" goes out for a
    // name that would smuggle a second command onto the control connection.
    // The wire bytes hold CR, LF and NUL exactly where the text does: UTF-8
    // keeps them, and U+FFFD for a rejected byte holds none.
    if (HasCtrlChars(command)) throw EIdCommandHasControlChars();
}

// RFC 2228 / RFC 4217: "PBSZ 0" once per TLS session, then the protection
// level before the first data connection and again whenever the level a
// transfer wants differs from the one in force. "PROT C" where clear data
// will do: it is faster, and a shared file becomes public anyway. "PROT P"
// where DataPortProtection asks for it, and for a server that demanded it,
// in this session or before: one that refuses "PROT C" (ProFTPD with
// "TLSRequired on": "534 Unwilling to accept security parameters") or a
// clear transfer.
void TIdFTP::SendDataProtection() {
    if (!TLSInUse()) return;
    const bool privateData = DataPortProtection() == TIdFTPDataPortSecurity::ftpdpsPrivate ||
                             FPrivateDataServers.count(ServerKey()) > 0;
    if (FProtectionSent && privateData == FPrivateData) return;
    if (!FBufferSizeSent) {
        SendCmd("PBSZ 0");
        FBufferSizeSent = true;
    }
    if (privateData) {
        SendProtP();
    } else if (SendCmd("PROT C") == 200) {
        FProtectionSent = true;
        FPrivateData = false;
    } else {
        SwitchToPrivateData();
    }
}

void TIdFTP::SendProtP() {
    SendCmd("PROT P", {200});
    FProtectionSent = true;
    FPrivateData = true;
}

// The server demands encrypted data: "PROT P" for this session, and at
// once in the later sessions with that server.
void TIdFTP::SwitchToPrivateData() {
    SendProtP();
    FPrivateDataServers.insert(ServerKey());
}

std::string TIdFTP::ServerKey() const { return Host() + ":" + std::to_string(Port()); }

bool TIdFTP::DemandsPrivateData(const EIdReplyRFCError& refusal) const {
    if (FPrivateData || !TLSInUse() || !IOHandler() || !IOHandler()->Opened()) return false;
    if (dynamic_cast<const EIdFTPServiceNotAvailable*>(&refusal)) return false;
    return RefusesClearData(refusal.ErrorCode(), refusal.what());
}

// Servers that insist on encrypted data say so only when a data connection
// is asked for, in reply to "PASV" (pyftpdlib), to the transfer command
// (vsftpd, Pure-FTPd) or after its data connection. Such a refusal
// switches the session to "PROT P", and the transfer runs once more.
void TIdFTP::WithDataProtection(const std::function<void()>& transfer) {
    try {
        transfer();
        return;
    } catch (const EIdReplyRFCError& refusal) {
        if (!DemandsPrivateData(refusal)) throw;
    }
    SwitchToPrivateData();
    transfer();
}

TPassiveEndpoint TIdFTP::SendPassive() {
    SendDataProtection();
    SendCmd("PASV", {227});
    const auto& text = LastCmdResult().Text();
    TPassiveEndpoint endpoint = ParsePassiveReply(text.empty() ? std::string() : text.front());
    const std::string& peer = IOHandler()->PeerIP();
    // A server behind NAT announces its private address; the control peer
    // is the one reachable.
    if (IsPrivateAddress(endpoint.Address) && !IsPrivateAddress(peer)) endpoint.Address = peer;
    if (FPassiveUseControlHost) endpoint.Address = peer;
    if (endpoint.Port == 0) throw EIdPortRequired();
    return endpoint;
}

TPassiveEndpoint TIdFTP::TransferPreliminaries(const std::string& command) {
    if (IsExtSupported("PRET")) SendCmd("PRET " + command);
    return SendPassive();
}

std::unique_ptr<TIdIOHandler> TIdFTP::NewDataHandler() {
    if (FDataConnectionFactory) return FDataConnectionFactory();
    if (!FPrivateData) return std::make_unique<TIdIOHandlerStack>();
    const TIdSSLIOHandlerSocketBase* tls = TLSHandler();
    if (!tls) throw EIdTLSClientSSLIOHandlerRequred();
    return tls->Clone(FDataSessionReuse);
}

std::unique_ptr<TIdIOHandler> TIdFTP::OpenDataConnection(const TPassiveEndpoint& endpoint) {
    std::unique_ptr<TIdIOHandler> data = NewDataHandler();
    if (auto* socket = dynamic_cast<TIdIOHandlerSocket*>(data.get())) socket->SetUseNagle(false);
    if (FPrivateData) {
        // The TCP connection opens in clear; TLS starts after the server's
        // preliminary reply (SecureDataConnection).
        auto* tls = dynamic_cast<TIdSSLIOHandlerSocketBase*>(data.get());
        if (!tls) throw EIdTLSClientSSLIOHandlerRequred();
        tls->SetPassThrough(true);
    }
    const TIdIOHandler* control = IOHandler();
    data->SetHost(endpoint.Address);
    data->SetPort(endpoint.Port);
    data->SetConnectTimeout(control->ConnectTimeout());
    data->SetReadTimeout(FTransferTimeout > 0 ? FTransferTimeout : IdTimeoutInfinite);
    data->SetRecvBufferSize(control->RecvBufferSize());
    data->SetSendBufferSize(control->SendBufferSize());
    data->Open();
    return data;
}

// RFC 4217, 9: under "PROT P" the data connection runs TLS, the client as
// TLS client, with the control connection's server name and certificate.
// The handshake starts once the server's preliminary reply (150 or 125) is
// in: servers expect it then, and Debian's pyftpdlib resets a data
// connection whose handshake comes before the transfer command.
void TIdFTP::SecureDataConnection(TIdIOHandler& data) {
    if (!FPrivateData) return;
    auto& tls = dynamic_cast<TIdSSLIOHandlerSocketBase&>(data);
    tls.SetPassThrough(false);
    // Another certificate here than on the control connection (which the
    // caller has checked) is someone else on the path.
    if (tls.PeerFingerprint() != FControlFingerprint) throw EIdTLSClientDataCertificateChanged();
}

void TIdFTP::FinishTransfer() {
    if (LastCmdResult().NumericCode() >= 300) return;
    GetResponse({226, 225, 250});
}

// After a failed transfer the final reply is still read when one is due,
// so the control connection stays in step; the first error is the one the
// caller sees. True when that reply rather says why: the server refuses
// the data connection for want of encryption (vsftpd: "522 SSL connection
// failed: session reuse required").
bool TIdFTP::FinishAfterFailure() noexcept {
    if (!IOHandler() || !IOHandler()->Opened()) return false;
    if (LastCmdResult().NumericCode() >= 300) return false;
    try {
        FinishTransfer();
        return false;
    } catch (const std::exception&) {
    }
    const TIdReply& reply = LastCmdResult();
    return IOHandler()->Opened() && reply.NumericCode() >= 400 &&
           RefusesClearData(reply.NumericCode(), reply.ErrorMessage());
}

void TIdFTP::Put(const std::string& localPath, const std::string& remoteName,
                 const TProgress& progress) {
    const std::string remote =
        remoteName.empty() ? localPath.substr(localPath.rfind('/') + 1) : remoteName;
    TIdFileStream file(localPath, TIdFileStream::TMode::fmOpenRead);
    Put(file, remote, progress);
}

// RFC 959 "STOR": the command goes out first, then the data connection is
// opened, then the 1xx reply is read and the bytes are sent.
void TIdFTP::Put(TIdStream& source, const std::string& remoteName, const TProgress& progress) {
    Store("STOR", source, remoteName, progress);
}

// RFC 959 "APPE": like "STOR", but an existing file keeps its content and
// gets the data added at its end; a missing one is created.
void TIdFTP::Append(TIdStream& source, const std::string& remoteName, const TProgress& progress) {
    Store("APPE", source, remoteName, progress);
}

void TIdFTP::Store(const char* verb, TIdStream& source, const std::string& remoteName,
                   const TProgress& progress) {
    if (remoteName.empty()) throw EIdFTPUploadFileNameCanNotBeEmpty();
    const std::string command = std::string(verb) + " " + remoteName;
    CheckCommandLine(command);
    WithDataProtection([&] { StoreOnce(command, source, progress); });
}

void TIdFTP::StoreOnce(const std::string& command, TIdStream& source, const TProgress& progress) {
    const TPassiveEndpoint endpoint = TransferPreliminaries(command);
    IOHandler()->WriteLn(command);
    std::unique_ptr<TIdIOHandler> data;
    try {
        data = OpenDataConnection(endpoint);
    } catch (const EIdException&) {
        // The reply to "STOR" will come at a time nobody knows (or never): the
        // control connection is out of step and goes as well.
        TIdTCPConnection::Disconnect(false);
        throw;
    }
    RunTransfer(data, [&] {
        GetResponse({110, 125, 150});
        SecureDataConnection(*data);
        source.SetPosition(0);
        try {
            data->WriteStream(source, progress);
        } catch (const EIdSocketError& e) {
            if (e.LastError() != kWSAENOTSOCK) throw;
        }
    });
}

void TIdFTP::RetrieveInto(const std::string& command, TIdStream& destination, bool resume) {
    // The repetition writes from where the first attempt began (and cuts
    // the stream at the end of its data, as any download does).
    const uint64_t start = destination.Position();
    WithDataProtection([&] {
        destination.SetPosition(start);
        RetrieveOnce(command, destination, resume);
    });
}

void TIdFTP::RetrieveOnce(const std::string& command, TIdStream& destination, bool resume) {
    const TPassiveEndpoint endpoint = TransferPreliminaries(command);
    // No transfer command is out yet: a failed connect is reported as it is
    // and the control connection stays in step.
    std::unique_ptr<TIdIOHandler> data = OpenDataConnection(endpoint);
    RunTransfer(data, [&] {
        if (resume) SendCmd("REST " + std::to_string(destination.Position()), {350});
        if (SendCmd(command, {125, 150, 154, 450}) != 450) {
            SecureDataConnection(*data);
            data->ReadStream(destination);
            if (destination.Size() > destination.Position())
                destination.SetSize(destination.Position());
        }
    });
}

// Runs the work of an open data connection, closes it, and reads the final
// reply; on any failure the data connection goes and the control
// connection is brought back in step, or closed after a read timeout.
void TIdFTP::RunTransfer(std::unique_ptr<TIdIOHandler>& data, const std::function<void()>& work) {
    try {
        work();
        data->Close();
    } catch (const EIdReadTimeout&) {
        // The final reply is owed and would come at a time nobody knows:
        // a control connection still open goes too, rather than read it as
        // the answer to the next command.
        data.reset();
        TIdTCPConnection::Disconnect(false);
        throw;
    } catch (const EIdException&) {
        data.reset();
        if (FinishAfterFailure()) RaiseExceptionForLastCmdResult();
        throw;
    } catch (...) {
        // The caller's own error (its progress callback stopped the
        // upload): the final reply would come only once the server has
        // taken in what is still on its way, at the pace of a slow link.
        // The session goes instead of waiting for it.
        data.reset();
        TIdTCPConnection::Disconnect(false);
        throw;
    }
    data.reset();
    FinishTransfer();
}

void TIdFTP::Get(const std::string& remoteName, TIdStream& destination, bool resume) {
    const std::string command = "RETR " + remoteName;
    CheckCommandLine(command);
    resume = resume && ResumeSupported();
    RetrieveInto(command, destination, resume);
}

void TIdFTP::Get(const std::string& remoteName, const std::string& localPath) {
    TIdFileStream file(localPath, TIdFileStream::TMode::fmCreate);
    Get(remoteName, file, false);
}

// RFC 959 "NLST": names only, in ASCII mode.
void TIdFTP::List(std::vector<std::string>& destination, const std::string& specifier) {
    const std::string command = specifier.empty() ? std::string("NLST") : "NLST " + specifier;
    CheckCommandLine(command);
    const bool switched = FTransferType == TIdFTPTransferType::ftBinary && Connected();
    if (switched) SendTransferType(TIdFTPTransferType::ftASCII);
    TIdMemoryStream listing;
    listing.SetLimit(kMaxListingBytes);
    try {
        RetrieveInto(command, listing, false);
    } catch (...) {
        if (switched && IOHandler()->Opened()) {
            try {
                SendTransferType(TIdFTPTransferType::ftBinary);
            } catch (const std::exception&) {
            }
        }
        throw;
    }
    if (switched) SendTransferType(TIdFTPTransferType::ftBinary);
    destination = SplitListing(listing.Bytes());
}

void TIdFTP::Delete(const std::string& remoteName) {
    SendCmd("DELE " + remoteName, {200, 250, 257});
}

void TIdFTP::MakeDir(const std::string& directoryName) { SendCmd("MKD " + directoryName, {257}); }

void TIdFTP::ChangeDir(const std::string& directoryName) {
    SendCmd("CWD " + directoryName, {200, 250, 257});
}

// RFC 3659 "REST": probed once with "REST 1" and "REST 0".
bool TIdFTP::ResumeSupported() {
    if (!FResumeTested) {
        FCanResume = SendCmd("REST 1") == 350;
        SendCmd("REST 0");
        FResumeTested = true;
    }
    return FCanResume;
}

}  // namespace vd::ftp
