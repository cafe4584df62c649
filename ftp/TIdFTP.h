// The FTP client: control connection, login with optional explicit TLS,
// passive-mode transfers and the commands the application uses.
//
//   TIdFTP ftp;
//   ftp.SetHost("ftp.example.org"); ftp.SetUsername("u"); ftp.SetPassword("p");
//   ftp.SetIntercept(&log);           // optional traffic log (TIdLogFile)
//   ftp.Connect();                    // greeting, HOST, [AUTH], login, FEAT, TYPE I, SYST
//   ftp.Put("/tmp/a.jpg", "a.jpg", [](uint64_t sent, uint64_t total) { ... });
//   ftp.Disconnect();                 // QUIT
//
// Every failure is an EIdException (see EIdException.h) whose what() is the
// message for the user. The intercept and an assigned I/O handler are not
// owned: they must outlive the client. For explicit TLS, assign a
// TLS-capable handler first, then SetUseTLS (utUseRequireTLS never logs in
// in clear; utUseExplicitTLS does when the server refuses every AUTH).
//
// Data connections of a TLS session start in clear ("PROT C"). A server that
// demands encrypted data (it refuses "PROT C", or a transfer or its data
// connection with 521, 522, 534, or a 425 or 550 that names TLS) switches the
// session to "PROT P" and the transfer runs once more; the client remembers
// that host and port and sends "PROT P" at once in its later sessions.
// DataPortProtection ftpdpsPrivate asks for "PROT P" from the next transfer
// on; it may change between the transfers of a session, and each transfer
// sends the "PROT" it needs when another one is in force.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "EIdException.h"
#include "FtpParsing.h"
#include "TIdExplicitTLSClient.h"
#include "TIdLogFile.h"
#include "TIdSSLIOHandlerSocketOpenSSL.h"
#include "TIdStream.h"

namespace vd::ftp {

enum class TIdFTPTransferType { ftASCII, ftBinary };

// The largest name listing read into memory: far beyond any real folder,
// far below what would hurt.
inline constexpr uint64_t kMaxListingBytes = 16ull * 1024 * 1024;
// RFC 2289 sequences count down from a few hundred; a larger one would
// make the client hash for minutes.
inline constexpr int kMaxOtpSequence = 10000;

class TIdFTP final : public TIdExplicitTLSClient {
  public:
    // Opens the data connection of a transfer: returns an unopened handler;
    // the client sets host, port and timeouts and opens it. Tests replace it.
    using TDataConnectionFactory = std::function<std::unique_ptr<TIdIOHandler>()>;
    // Called after each piece of an upload: bytes sent so far, bytes in all.
    using TProgress = TIdIOHandler::TProgress;
    // Hears the SHA-256 fingerprint of the server's certificate ("AB:CD:...").
    using TCertificateEvent = std::function<void(const std::string& fingerprint)>;

    TIdFTP();
    ~TIdFTP() override;

    // --- settings (defaults as listed) ---
    const std::string& Username() const noexcept { return FUsername; }
    void SetUsername(std::string v) { FUsername = std::move(v); }
    const std::string& Password() const noexcept { return FPassword; }
    void SetPassword(std::string v) { FPassword = std::move(v); }
    const std::string& Account() const noexcept { return FAccount; }
    void SetAccount(std::string v) { FAccount = std::move(v); }
    bool UseHOST() const noexcept { return FUseHOST; }  // true
    void SetUseHOST(bool v) noexcept { FUseHOST = v; }
    bool AutoLogin() const noexcept { return FAutoLogin; }  // true
    void SetAutoLogin(bool v) noexcept { FAutoLogin = v; }
    bool AutoIssueFEAT() const noexcept { return FAutoIssueFEAT; }  // true
    void SetAutoIssueFEAT(bool v) noexcept { FAutoIssueFEAT = v; }
    TIdFTPTransferType TransferType() const noexcept { return FTransferType; }  // ftBinary
    void SetTransferType(TIdFTPTransferType v) noexcept { FTransferType = v; }
    bool Passive() const noexcept { return FPassive; }  // true; active mode is not offered
    bool PassiveUseControlHost() const noexcept { return FPassiveUseControlHost; }  // true
    void SetPassiveUseControlHost(bool v) noexcept { FPassiveUseControlHost = v; }
    int TransferTimeout() const noexcept { return FTransferTimeout; }  // 0: no limit
    void SetTransferTimeout(int ms) noexcept { FTransferTimeout = ms; }
    // "CLNT" identification; empty: "Velodrop 1.0".
    const std::string& ClientInfo() const noexcept { return FClientInfo; }
    void SetClientInfo(std::string v) { FClientInfo = std::move(v); }
    void SetDataConnectionFactory(TDataConnectionFactory factory);
    // Encrypted data connections offer the control connection's TLS session
    // for resumption (true). Off only to show what servers make of that.
    bool DataSessionReuse() const noexcept { return FDataSessionReuse; }
    void SetDataSessionReuse(bool v) noexcept { FDataSessionReuse = v; }

    // Called right after the control connection's TLS handshake, before the
    // login, with the fingerprint of the server's certificate. An error it
    // raises ends Connect: the connection is closed with no further command
    // (no USER, no QUIT) and the error reaches the caller.
    TCertificateEvent OnServerCertificate;

    // --- session ---
    // Logged in and in binary mode on return; on failure the connection is
    // closed. On a live session it fails (EIdAlreadyConnected) and changes
    // nothing.
    void Connect();
    // Sends "QUIT" if connected and always closes. Never fails.
    void Disconnect(bool notifyPeer = true) override;

    const std::vector<std::string>& Capabilities() const noexcept { return FCapabilities; }
    bool IsExtSupported(std::string_view name) const;
    const TIdReply& Greeting() const noexcept { return FGreeting; }
    std::string ServerDesc() const;
    const TIdReply& LoginMsg() const noexcept { return FLoginMsg; }
    const std::string& SystemDesc() const noexcept { return FSystemDesc; }
    // This session's data connections run TLS: "PROT P" is in force.
    bool PrivateData() const noexcept { return FPrivateData; }

    // --- commands ---
    // Uploads the local file (remote name empty: the local file's name).
    void Put(const std::string& localPath, const std::string& remoteName = {},
             const TProgress& progress = {});
    // Uploads the whole stream, from position 0.
    void Put(TIdStream& source, const std::string& remoteName, const TProgress& progress = {});
    // Adds the whole stream to the end of the remote file, creating it when
    // missing ("APPE"); an empty stream thus never truncates an existing file.
    void Append(TIdStream& source, const std::string& remoteName, const TProgress& progress = {});
    // Writes the remote file into the stream from its current position on.
    void Get(const std::string& remoteName, TIdStream& destination, bool resume = false);
    // Downloads into a local file (created or replaced).
    void Get(const std::string& remoteName, const std::string& localPath);
    // The names in the current remote directory ("NLST"); a listing larger
    // than kMaxListingBytes fails with EIdFTPDownloadTooLarge.
    void List(std::vector<std::string>& destination, const std::string& specifier = {});
    void Delete(const std::string& remoteName);
    void MakeDir(const std::string& directoryName);
    void ChangeDir(const std::string& directoryName);
    // Whether the server takes "REST"; probed once for the life of the client.
    bool ResumeSupported();

  protected:
    int CheckResponse(int code, const TIdReplyCodes& accepted) override;
    void DisconnectNotifyPeer() override;

  private:
    bool ConnectOnce(bool sendHost);
    void ReadGreeting();
    bool SendHost();
    void Login();
    void NegotiateTLS();
    void SendCredentials();
    bool SendXAut();
    void CheckAccount();
    void IssueFEAT();
    void SendSiteZone();
    void SendTransferType(TIdFTPTransferType type);

    void CheckServerCertificate();

    void Store(const char* verb, TIdStream& source, const std::string& remoteName,
               const TProgress& progress);
    void StoreOnce(const std::string& command, TIdStream& source, const TProgress& progress);
    void SendDataProtection();
    void SendProtP();
    void SwitchToPrivateData();
    bool DemandsPrivateData(const EIdReplyRFCError& refusal) const;
    void WithDataProtection(const std::function<void()>& transfer);
    std::string ServerKey() const;
    TPassiveEndpoint SendPassive();
    TPassiveEndpoint TransferPreliminaries(const std::string& command);
    std::unique_ptr<TIdIOHandler> NewDataHandler();
    std::unique_ptr<TIdIOHandler> OpenDataConnection(const TPassiveEndpoint& endpoint);
    void SecureDataConnection(TIdIOHandler& data);
    void FinishTransfer();
    bool FinishAfterFailure() noexcept;
    void RunTransfer(std::unique_ptr<TIdIOHandler>& data, const std::function<void()>& work);
    void CheckCommandLine(const std::string& command) const;
    void RetrieveInto(const std::string& command, TIdStream& destination, bool resume);
    void RetrieveOnce(const std::string& command, TIdStream& destination, bool resume);

    std::string FUsername, FPassword, FAccount, FClientInfo;
    bool FUseHOST = true;
    bool FAutoLogin = true;
    bool FAutoIssueFEAT = true;
    TIdFTPTransferType FTransferType = TIdFTPTransferType::ftBinary;
    bool FPassive = true;
    bool FPassiveUseControlHost = true;
    int FTransferTimeout = 0;
    TDataConnectionFactory FDataConnectionFactory;
    bool FDataSessionReuse = true;

    bool FBufferSizeSent = false;               // this session: "PBSZ 0"
    bool FProtectionSent = false;               // this session: a "PROT" in force
    bool FPrivateData = false;                  // this session: "PROT P" in force
    std::string FControlFingerprint;            // of this session's control connection
    std::set<std::string> FPrivateDataServers;  // "host:port" that demanded "PROT P"
    bool FResumeTested = false;
    bool FCanResume = false;
    std::vector<std::string> FCapabilities;
    TIdReply FGreeting, FLoginMsg;
    std::string FSystemDesc;
    std::string FServerTimeZone;
};

}  // namespace vd::ftp
