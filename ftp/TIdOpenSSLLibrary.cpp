#include "TIdOpenSSLLibrary.h"

#include <dlfcn.h>

namespace vd::ftp {

namespace {

// OPENSSL_init_ssl options: the error texts of both libraries (what
// SSL_load_error_strings did in the 1.0 interface).
constexpr uint64_t kInitLoadCryptoStrings = 0x00000002;
constexpr uint64_t kInitLoadSSLStrings = 0x00200000;

template <typename F>
void Resolve(void* library, const char* name, F& target, bool required,
             std::vector<std::string>& failed) {
    target = reinterpret_cast<F>(::dlsym(library, name));
    if (!target && required) failed.push_back(std::string("Einsprungpunkt fehlt: ") + name);
}

}  // namespace

TIdLibraryHandle& TIdLibraryHandle::operator=(TIdLibraryHandle&& other) noexcept {
    if (this != &other) {
        if (FHandle) ::dlclose(FHandle);
        FHandle = other.FHandle;
        other.FHandle = nullptr;
    }
    return *this;
}

TIdLibraryHandle::~TIdLibraryHandle() {
    if (FHandle) ::dlclose(FHandle);
}

TIdOpenSSLLibrary::TIdOpenSSLLibrary() : TIdOpenSSLLibrary(TNames{}) {}

TIdOpenSSLLibrary::TIdOpenSSLLibrary(TNames names) : FNames(std::move(names)) {}

TIdOpenSSLLibrary& TIdOpenSSLLibrary::Default() {
    static TIdOpenSSLLibrary library;
    return library;
}

void TIdOpenSSLLibrary::SetNames(TNames names) {
    const std::lock_guard<std::mutex> lock(FLock);
    FNames = std::move(names);
}

bool TIdOpenSSLLibrary::Load() {
    const std::lock_guard<std::mutex> lock(FLock);
    if (FLoaded) return true;
    return LoadLocked();
}

bool TIdOpenSSLLibrary::Loaded() const {
    const std::lock_guard<std::mutex> lock(FLock);
    return FLoaded;
}

std::vector<std::string> TIdOpenSSLLibrary::FailedLoadList() const {
    const std::lock_guard<std::mutex> lock(FLock);
    return FFailed;
}

int TIdOpenSSLLibrary::LoadCount() const {
    const std::lock_guard<std::mutex> lock(FLock);
    return FLoadCount;
}

int TIdOpenSSLLibrary::ContextsCreated() const {
    const std::lock_guard<std::mutex> lock(FLock);
    return FContextsCreated;
}

void TIdOpenSSLLibrary::NoteContextCreated() {
    const std::lock_guard<std::mutex> lock(FLock);
    ++FContextsCreated;
}

// The crypto library first, then the SSL library (which needs it); a
// library that does not open stops the load. OpenSSL 3 initialises itself
// thread-safely and cleans up at process exit, so no locking callback is
// installed and nothing is torn down here.
bool TIdOpenSSLLibrary::LoadLocked() {
    FFailed.clear();
    FApi = {};
    for (auto [handle, name] :
         {std::pair{&FCrypto, &FNames.Crypto}, std::pair{&FSSL, &FNames.SSL}}) {
        *handle = TIdLibraryHandle(::dlopen(name->c_str(), RTLD_NOW | RTLD_LOCAL));
        if (!*handle) {
            const char* why = ::dlerror();
            FFailed.push_back(why ? why : *name);
            FCrypto = {};
            FSSL = {};
            return false;
        }
    }
    ++FLoadCount;
    ResolveAll();
    if (FFailed.empty() &&
        FApi.OPENSSL_init_ssl(kInitLoadCryptoStrings | kInitLoadSSLStrings, nullptr) <= 0)
        FFailed.push_back("OPENSSL_init_ssl fehlgeschlagen");
    if (!FFailed.empty()) {
        FApi = {};
        return false;
    }
    FLoaded = true;
    return true;
}

void TIdOpenSSLLibrary::ResolveAll() {
    void* ssl = FSSL.Get();
    void* crypto = FCrypto.Get();
    auto& f = FFailed;
#define VD_REQUIRED(lib, name) Resolve(lib, #name, FApi.name, true, f)
#define VD_OPTIONAL(lib, name) Resolve(lib, #name, FApi.name, false, f)
    VD_REQUIRED(ssl, OPENSSL_init_ssl);
    VD_OPTIONAL(ssl, TLS_method);
    VD_OPTIONAL(ssl, TLS_client_method);
    VD_OPTIONAL(ssl, TLS_server_method);
    VD_REQUIRED(ssl, SSL_CTX_new);
    VD_REQUIRED(ssl, SSL_CTX_free);
    VD_REQUIRED(ssl, SSL_CTX_ctrl);
    VD_OPTIONAL(ssl, SSL_CTX_set_options);
    VD_REQUIRED(ssl, SSL_CTX_set_default_passwd_cb);
    VD_REQUIRED(ssl, SSL_CTX_set_default_passwd_cb_userdata);
    VD_REQUIRED(ssl, SSL_CTX_set_default_verify_paths);
    VD_REQUIRED(ssl, SSL_CTX_set_cipher_list);
    VD_REQUIRED(ssl, SSL_CTX_set_verify);
    VD_REQUIRED(ssl, SSL_CTX_set_verify_depth);
    VD_REQUIRED(ssl, SSL_new);
    VD_REQUIRED(ssl, SSL_free);
    VD_OPTIONAL(ssl, SSL_set_ex_data);
    VD_REQUIRED(ssl, SSL_set_fd);
    VD_REQUIRED(ssl, SSL_ctrl);
    VD_REQUIRED(ssl, SSL_connect);
    VD_REQUIRED(ssl, SSL_read);
    VD_REQUIRED(ssl, SSL_write);
    VD_OPTIONAL(ssl, SSL_pending);
    VD_REQUIRED(ssl, SSL_get_error);
    VD_REQUIRED(ssl, SSL_shutdown);
    VD_REQUIRED(ssl, SSL_get_rbio);
    VD_REQUIRED(ssl, SSL_get_current_cipher);
    VD_REQUIRED(ssl, SSL_CIPHER_get_name);
    VD_REQUIRED(ssl, SSL_CIPHER_description);
    VD_REQUIRED(ssl, SSL_CIPHER_get_bits);
    VD_REQUIRED(ssl, SSL_get_version);
    VD_REQUIRED(ssl, SSL_get1_session);
    VD_REQUIRED(ssl, SSL_set_session);
    VD_REQUIRED(ssl, SSL_SESSION_free);
    VD_REQUIRED(ssl, SSL_session_reused);
    VD_REQUIRED(ssl, SSL_get1_peer_certificate);
    VD_OPTIONAL(crypto, ERR_get_error);
    VD_REQUIRED(crypto, ERR_peek_error);
    VD_OPTIONAL(crypto, ERR_error_string_n);
    VD_REQUIRED(crypto, ERR_clear_error);
    VD_REQUIRED(crypto, BIO_set_callback_ex);
    VD_REQUIRED(crypto, X509_free);
    VD_REQUIRED(crypto, X509_digest);
    VD_REQUIRED(crypto, EVP_sha256);
#undef VD_REQUIRED
#undef VD_OPTIONAL
}

}  // namespace vd::ftp
