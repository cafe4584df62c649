// OpenSSL 3 loaded at run time: libcrypto and libssl are opened with dlopen
// on first use, never linked, so a missing library shows only when TLS is
// switched on. One loader per process (Default()) serves every handler; a
// test may make its own with library names of its choosing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace vd::ftp {

// Opaque OpenSSL types; only pointers to them are passed around.
namespace ossl {
struct SSL;
struct SSL_CTX;
struct SSL_METHOD;
struct SSL_CIPHER;
struct SSL_SESSION;
struct BIO;
struct X509;
struct EVP_MD;

using TPasswordCallback = int (*)(char* buffer, int size, int rwflag, void* userdata);
using TVerifyCallback = int (*)(int preverifyOk, void* x509StoreCtx);
using TBIOCallbackEx = long (*)(BIO* b, int oper, const char* argp, size_t len, int argi, long argl,
                                int ret, size_t* processed);

// Values of the OpenSSL 3 interface (ssl.h, err.h, bio.h).
constexpr int SSL_ERROR_NONE = 0;
constexpr int SSL_ERROR_SSL = 1;
constexpr int SSL_ERROR_WANT_READ = 2;
constexpr int SSL_ERROR_WANT_WRITE = 3;
constexpr int SSL_ERROR_SYSCALL = 5;
constexpr int SSL_ERROR_ZERO_RETURN = 6;
constexpr int SSL_CTRL_MODE = 33;
constexpr int SSL_CTRL_SET_TLSEXT_HOSTNAME = 55;
constexpr int SSL_CTRL_SET_MIN_PROTO_VERSION = 123;
constexpr int SSL_CTRL_SET_MAX_PROTO_VERSION = 124;
constexpr long SSL_MODE_AUTO_RETRY = 4;
constexpr long TLSEXT_NAMETYPE_host_name = 0;
constexpr int SSL3_VERSION = 0x0300;
constexpr int TLS1_VERSION = 0x0301;
constexpr int TLS1_1_VERSION = 0x0302;
constexpr int TLS1_2_VERSION = 0x0303;
constexpr uint64_t SSL_OP_NO_SSLv3 = 0x02000000;
constexpr uint64_t SSL_OP_NO_TLSv1 = 0x04000000;
constexpr uint64_t SSL_OP_NO_TLSv1_2 = 0x08000000;
constexpr uint64_t SSL_OP_NO_TLSv1_1 = 0x10000000;
constexpr int BIO_CB_READ = 0x02;
constexpr int BIO_CB_RETURN = 0x80;
constexpr int ERR_LIB_SSL = 20;
constexpr int SSL_R_UNEXPECTED_EOF_WHILE_READING = 294;
constexpr int ErrGetLib(unsigned long e) { return static_cast<int>((e >> 23) & 0xFF); }
constexpr int ErrGetReason(unsigned long e) { return static_cast<int>(e & 0x7FFFFF); }
}  // namespace ossl

// The entry points in use. Required ones are never empty after a
// successful load; optional ones may be.
struct TIdOpenSSLApi {
    // libssl
    int (*OPENSSL_init_ssl)(uint64_t opts, const void* settings) = nullptr;
    const ossl::SSL_METHOD* (*TLS_method)() = nullptr;
    const ossl::SSL_METHOD* (*TLS_client_method)() = nullptr;
    const ossl::SSL_METHOD* (*TLS_server_method)() = nullptr;
    ossl::SSL_CTX* (*SSL_CTX_new)(const ossl::SSL_METHOD*) = nullptr;
    void (*SSL_CTX_free)(ossl::SSL_CTX*) = nullptr;
    long (*SSL_CTX_ctrl)(ossl::SSL_CTX*, int cmd, long larg, void* parg) = nullptr;
    uint64_t (*SSL_CTX_set_options)(ossl::SSL_CTX*, uint64_t) = nullptr;  // optional
    void (*SSL_CTX_set_default_passwd_cb)(ossl::SSL_CTX*, ossl::TPasswordCallback) = nullptr;
    void (*SSL_CTX_set_default_passwd_cb_userdata)(ossl::SSL_CTX*, void*) = nullptr;
    int (*SSL_CTX_set_default_verify_paths)(ossl::SSL_CTX*) = nullptr;
    int (*SSL_CTX_set_cipher_list)(ossl::SSL_CTX*, const char*) = nullptr;
    void (*SSL_CTX_set_verify)(ossl::SSL_CTX*, int mode, ossl::TVerifyCallback) = nullptr;
    void (*SSL_CTX_set_verify_depth)(ossl::SSL_CTX*, int depth) = nullptr;
    ossl::SSL* (*SSL_new)(ossl::SSL_CTX*) = nullptr;
    void (*SSL_free)(ossl::SSL*) = nullptr;
    int (*SSL_set_ex_data)(ossl::SSL*, int idx, void* data) = nullptr;  // optional
    int (*SSL_set_fd)(ossl::SSL*, int fd) = nullptr;
    long (*SSL_ctrl)(ossl::SSL*, int cmd, long larg, void* parg) = nullptr;
    int (*SSL_connect)(ossl::SSL*) = nullptr;
    int (*SSL_read)(ossl::SSL*, void* buf, int num) = nullptr;
    int (*SSL_write)(ossl::SSL*, const void* buf, int num) = nullptr;
    int (*SSL_pending)(const ossl::SSL*) = nullptr;  // optional
    int (*SSL_get_error)(const ossl::SSL*, int ret) = nullptr;
    int (*SSL_shutdown)(ossl::SSL*) = nullptr;
    ossl::BIO* (*SSL_get_rbio)(const ossl::SSL*) = nullptr;
    const ossl::SSL_CIPHER* (*SSL_get_current_cipher)(const ossl::SSL*) = nullptr;
    const char* (*SSL_CIPHER_get_name)(const ossl::SSL_CIPHER*) = nullptr;
    char* (*SSL_CIPHER_description)(const ossl::SSL_CIPHER*, char* buf, int size) = nullptr;
    int (*SSL_CIPHER_get_bits)(const ossl::SSL_CIPHER*, int* algBits) = nullptr;
    const char* (*SSL_get_version)(const ossl::SSL*) = nullptr;
    ossl::SSL_SESSION* (*SSL_get1_session)(ossl::SSL*) = nullptr;
    int (*SSL_set_session)(ossl::SSL*, ossl::SSL_SESSION*) = nullptr;
    void (*SSL_SESSION_free)(ossl::SSL_SESSION*) = nullptr;
    int (*SSL_session_reused)(const ossl::SSL*) = nullptr;
    ossl::X509* (*SSL_get1_peer_certificate)(const ossl::SSL*) = nullptr;
    // libcrypto
    unsigned long (*ERR_get_error)() = nullptr;  // optional
    unsigned long (*ERR_peek_error)() = nullptr;
    void (*ERR_error_string_n)(unsigned long e, char* buf, size_t len) = nullptr;  // optional
    void (*ERR_clear_error)() = nullptr;
    void (*BIO_set_callback_ex)(ossl::BIO*, ossl::TBIOCallbackEx) = nullptr;
    void (*X509_free)(ossl::X509*) = nullptr;
    int (*X509_digest)(const ossl::X509*, const ossl::EVP_MD*, unsigned char* md,
                       unsigned int* len) = nullptr;
    const ossl::EVP_MD* (*EVP_sha256)() = nullptr;
};

// A dlopen handle; closed when the object goes. Move-only.
class TIdLibraryHandle final {
  public:
    TIdLibraryHandle() = default;
    explicit TIdLibraryHandle(void* handle) noexcept : FHandle(handle) {}
    TIdLibraryHandle(TIdLibraryHandle&& other) noexcept : FHandle(other.FHandle) {
        other.FHandle = nullptr;
    }
    TIdLibraryHandle& operator=(TIdLibraryHandle&& other) noexcept;
    TIdLibraryHandle(const TIdLibraryHandle&) = delete;
    TIdLibraryHandle& operator=(const TIdLibraryHandle&) = delete;
    ~TIdLibraryHandle();

    void* Get() const noexcept { return FHandle; }
    explicit operator bool() const noexcept { return FHandle != nullptr; }

  private:
    void* FHandle = nullptr;
};

class TIdOpenSSLLibrary final {
  public:
    struct TNames {
        std::string Crypto = "libcrypto.so.3";
        std::string SSL = "libssl.so.3";
    };

    TIdOpenSSLLibrary();
    explicit TIdOpenSSLLibrary(TNames names);
    TIdOpenSSLLibrary(const TIdOpenSSLLibrary&) = delete;
    TIdOpenSSLLibrary& operator=(const TIdOpenSSLLibrary&) = delete;

    // The process-wide loader that handlers use unless given another.
    static TIdOpenSSLLibrary& Default();

    // Takes effect at the next load attempt; a loaded library stays loaded.
    void SetNames(TNames names);
    // Loads both libraries and resolves the entry points once; safe from
    // several threads. True when OpenSSL is usable. A failed load is tried
    // again on the next call.
    bool Load();
    bool Loaded() const;
    // What failed during the last load attempt (library or entry point, with
    // the loader's own text).
    std::vector<std::string> FailedLoadList() const;
    // How often the libraries were actually opened (1 after any number of
    // successful Load calls).
    int LoadCount() const;
    // Contexts made from this library so far.
    int ContextsCreated() const;
    void NoteContextCreated();

    // Valid after a successful Load.
    const TIdOpenSSLApi& Api() const noexcept { return FApi; }

  private:
    bool LoadLocked();
    void ResolveAll();

    mutable std::mutex FLock;
    TNames FNames;
    TIdLibraryHandle FCrypto, FSSL;
    TIdOpenSSLApi FApi;
    bool FLoaded = false;
    std::vector<std::string> FFailed;
    int FLoadCount = 0;
    int FContextsCreated = 0;
};

}  // namespace vd::ftp
