// Error classes of the TLS layer. Where OpenSSL has more to say, its text
// follows the message after CR LF.
#pragma once

#include <string>
#include <vector>

#include "EIdException.h"

namespace vd::ftp {

// Joins a message and OpenSSL's detail with CR LF (either may be empty).
inline std::string JoinDetail(const std::string& message, const std::string& detail) {
    if (message.empty()) return detail;
    if (detail.empty()) return message;
    return message + "\r\n" + detail;
}

class EIdOpenSSLError : public EIdException {
  public:
    using EIdException::EIdException;
};

// A failed TLS call: ErrorCode is SSL_get_error's code, RetCode the call's
// result.
class EIdOpenSSLAPISSLError : public EIdOpenSSLError {
  public:
    EIdOpenSSLAPISSLError(const std::string& message, int errorCode = 0, int retCode = 0)
        : EIdOpenSSLError(message), FErrorCode(errorCode), FRetCode(retCode) {}
    int ErrorCode() const noexcept { return FErrorCode; }
    int RetCode() const noexcept { return FRetCode; }

  private:
    int FErrorCode = 0;
    int FRetCode = 0;
};

// A failure OpenSSL put in its error queue: ErrorCode is the first code.
class EIdOpenSSLAPICryptoError : public EIdOpenSSLError {
  public:
    explicit EIdOpenSSLAPICryptoError(const std::string& message, unsigned long errorCode = 0)
        : EIdOpenSSLError(message), FErrorCode(errorCode) {}
    unsigned long ErrorCode() const noexcept { return FErrorCode; }

  private:
    unsigned long FErrorCode = 0;
};

#define VD_OSSL_FIXED_ERROR(Name, Base, Text)                        \
    class Name : public Base {                                       \
      public:                                                        \
        static constexpr const char* kMessage = Text;                \
        Name() : Base(Text) {}                                       \
        explicit Name(const std::string& message) : Base(message) {} \
    };

#define VD_OSSL_DETAIL_ERROR(Name, Base, Text)        \
    class Name : public Base {                        \
      public:                                         \
        static constexpr const char* kMessage = Text; \
        using Base::Base;                             \
    };

VD_OSSL_FIXED_ERROR(EIdOSSLModeNotSet, EIdOpenSSLError, "Der Modus wurde nicht gesetzt.")
VD_OSSL_FIXED_ERROR(EIdOSSLGetMethodError, EIdOpenSSLError,
                    "Fehler beim Abrufen einer SSL-Methode.")
VD_OSSL_FIXED_ERROR(EIdOSSLSettingCipherError, EIdOpenSSLError, "SetCipher fehlgeschlagen.")
VD_OSSL_FIXED_ERROR(EIdOSSLCreatingSessionError, EIdOpenSSLError,
                    "Fehler beim Anlegen einer SSL-Sitzung.")
VD_OSSL_DETAIL_ERROR(EIdOSSLCreatingContextError, EIdOpenSSLAPICryptoError,
                     "Fehler beim Anlegen eines SSL-Kontexts.")
VD_OSSL_DETAIL_ERROR(EIdOSSLUnderlyingCryptoError, EIdOpenSSLAPICryptoError, "")
VD_OSSL_DETAIL_ERROR(EIdOSSLDataBindingError, EIdOpenSSLAPISSLError,
                     "Fehler beim Binden der Daten an den SSL-Socket.")
VD_OSSL_DETAIL_ERROR(EIdOSSLFDSetError, EIdOpenSSLAPISSLError,
                     "Fehler beim Setzen des Dateideskriptors für SSL")
VD_OSSL_DETAIL_ERROR(EIdOSSLConnectError, EIdOpenSSLAPISSLError, "Fehler beim Verbinden mit SSL.")

// Bytes that arrived in clear after the server agreed to start TLS and
// before the handshake: never taken as replies of the encrypted session
// (they could be injected by anyone on the path).
VD_OSSL_FIXED_ERROR(
    EIdOSSLPlainDataBeforeHandshake, EIdOpenSSLError,
    "Unverschlüsselte Daten vom Server vor der SSL-Aushandlung; die Verbindung wird "
    "nicht verwendet.")

#undef VD_OSSL_FIXED_ERROR
#undef VD_OSSL_DETAIL_ERROR

// OpenSSL could not be loaded. FailedLoadList says what failed.
class EIdOSSLCouldNotLoadSSLLibrary : public EIdOpenSSLError {
  public:
    static constexpr const char* kMessage = "SSL.-Bibliothek konnte nicht geladen werden.";
    explicit EIdOSSLCouldNotLoadSSLLibrary(std::vector<std::string> failed = {})
        : EIdOpenSSLError(kMessage), FFailed(std::move(failed)) {}
    const std::vector<std::string>& FailedLoadList() const noexcept { return FFailed; }

  private:
    std::vector<std::string> FFailed;
};

}  // namespace vd::ftp
