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

// RFC 2228 / RFC 4217: "PBSZ 0" and "PROT C" once per TLS session, before
// the first data connection; the data connection itself stays in clear.
void TIdFTP::SendDataProtection() {
    if (!TLSInUse() || FDataProtectionSent) return;
    SendCmd("PBSZ 0");
    SendCmd(DataPortProtection() == TIdFTPDataPortSecurity::ftpdpsPrivate ? "PROT P" : "PROT C",
            {200});
    FDataProtectionSent = true;
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

std::unique_ptr<TIdIOHandler> TIdFTP::OpenDataConnection(const TPassiveEndpoint& endpoint) {
    std::unique_ptr<TIdIOHandler> data =
        FDataConnectionFactory ? FDataConnectionFactory() : std::make_unique<TIdIOHandlerStack>();
    if (auto* socket = dynamic_cast<TIdIOHandlerSocket*>(data.get())) socket->SetUseNagle(false);
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

void TIdFTP::FinishTransfer() {
    if (LastCmdResult().NumericCode() >= 300) return;
    GetResponse({226, 225, 250});
}

// After a failed transfer the final reply is still read when one is due,
// but the first error is the one the caller sees. After a read timeout no
// reply is waited for a second time.
void TIdFTP::FinishAfterFailure(bool readTimedOut) noexcept {
    if (readTimedOut || !IOHandler() || !IOHandler()->Opened()) return;
    try {
        FinishTransfer();
    } catch (const std::exception&) {
    }
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
        source.SetPosition(0);
        try {
            data->WriteStream(source, progress);
        } catch (const EIdSocketError& e) {
            if (e.LastError() != kWSAENOTSOCK) throw;
        }
    });
}

void TIdFTP::RetrieveInto(const std::string& command, TIdStream& destination, bool resume) {
    const TPassiveEndpoint endpoint = TransferPreliminaries(command);
    // No transfer command is out yet: a failed connect is reported as it is
    // and the control connection stays in step.
    std::unique_ptr<TIdIOHandler> data = OpenDataConnection(endpoint);
    RunTransfer(data, [&] {
        if (resume) SendCmd("REST " + std::to_string(destination.Position()), {350});
        if (SendCmd(command, {125, 150, 154, 450}) != 450) {
            data->ReadStream(destination);
            if (destination.Size() > destination.Position())
                destination.SetSize(destination.Position());
        }
    });
}

// Runs the work of an open data connection, closes it, and reads the final
// reply; on any failure the connection goes and the control connection is
// brought back in step (without a second wait after a read timeout).
void TIdFTP::RunTransfer(std::unique_ptr<TIdIOHandler>& data, const std::function<void()>& work) {
    try {
        work();
        data->Close();
    } catch (const EIdReadTimeout&) {
        data.reset();
        FinishAfterFailure(true);
        throw;
    } catch (...) {
        data.reset();
        FinishAfterFailure(false);
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
