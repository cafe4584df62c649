// The configured TLS settings of a TLS handler, and the enumerations they
// use. Method and SSLVersions keep each other consistent (see the setters).
#pragma once

#include <set>
#include <string>

namespace vd::ftp {

enum class TIdSSLVersion { sslvSSLv2, sslvSSLv23, sslvSSLv3, sslvTLSv1, sslvTLSv1_1, sslvTLSv1_2 };
enum class TIdSSLMode { sslmUnassigned, sslmClient, sslmServer, sslmBoth };
enum class TIdSSLVerifyMode { sslvrfPeer, sslvrfFailIfNoPeerCert, sslvrfClientOnce };
enum class TIdSSLCtxMode { sslCtxClient, sslCtxServer };

using TIdSSLVersions = std::set<TIdSSLVersion>;
using TIdSSLVerifyModeSet = std::set<TIdSSLVerifyMode>;

class TIdSSLOptions final {
  public:
    // Every concrete version (all but sslvSSLv23).
    static TIdSSLVersions AllVersions();

    TIdSSLVersion Method() const noexcept { return FMethod; }  // sslvTLSv1
    // SSLVersions becomes {value}; sslvSSLv23 gives AllVersions().
    void SetMethod(TIdSSLVersion value);
    const TIdSSLVersions& SSLVersions() const noexcept { return FSSLVersions; }  // {sslvTLSv1}
    // Exactly one concrete version: Method becomes it. Otherwise Method becomes
    // sslvSSLv23, which is taken out of the set; an empty set becomes
    // AllVersions().
    void SetSSLVersions(TIdSSLVersions value);

    TIdSSLMode Mode() const noexcept { return FMode; }
    void SetMode(TIdSSLMode v) noexcept { FMode = v; }
    // Empty: the server's certificate is not checked at all (the system's
    // users run their own servers, often with self-signed certificates).
    const TIdSSLVerifyModeSet& VerifyMode() const noexcept { return FVerifyMode; }
    void SetVerifyMode(TIdSSLVerifyModeSet v) { FVerifyMode = std::move(v); }
    int VerifyDepth() const noexcept { return FVerifyDepth; }
    void SetVerifyDepth(int v) noexcept { FVerifyDepth = v; }
    // Empty: "AES:ALL:!aNULL:!eNULL:+RC4:@STRENGTH".
    const std::string& CipherList() const noexcept { return FCipherList; }
    void SetCipherList(std::string v) { FCipherList = std::move(v); }
    // Kept for completeness; a client that names none (as this system) is
    // all that is supported: the handler loads no certificate, key or
    // DH-parameter files.
    const std::string& RootCertFile() const noexcept { return FRootCertFile; }
    void SetRootCertFile(std::string v) { FRootCertFile = std::move(v); }
    const std::string& CertFile() const noexcept { return FCertFile; }
    void SetCertFile(std::string v) { FCertFile = std::move(v); }
    const std::string& KeyFile() const noexcept { return FKeyFile; }
    void SetKeyFile(std::string v) { FKeyFile = std::move(v); }
    const std::string& DHParamsFile() const noexcept { return FDHParamsFile; }
    void SetDHParamsFile(std::string v) { FDHParamsFile = std::move(v); }
    const std::string& VerifyDirs() const noexcept { return FVerifyDirs; }
    void SetVerifyDirs(std::string v) { FVerifyDirs = std::move(v); }

  private:
    std::string FRootCertFile, FCertFile, FKeyFile, FDHParamsFile;
    TIdSSLVersion FMethod = TIdSSLVersion::sslvTLSv1;
    TIdSSLVersions FSSLVersions{TIdSSLVersion::sslvTLSv1};
    TIdSSLMode FMode = TIdSSLMode::sslmUnassigned;
    int FVerifyDepth = 0;
    TIdSSLVerifyModeSet FVerifyMode;
    std::string FVerifyDirs, FCipherList;
};

}  // namespace vd::ftp
