// Error classes of the FTP client. Every failure the client reports is an
// EIdException; its message (what()) is the text the user reads.
#pragma once

#include <stdexcept>
#include <string>

namespace vd::ftp {

class EIdException : public std::runtime_error {
  public:
    explicit EIdException(const std::string& message) : std::runtime_error(message) {}
};

#define VD_FTP_DECLARE_ERROR(Name, Base) \
    class Name : public Base {           \
      public:                            \
        using Base::Base;                \
    };

// Errors with a fixed text get a default constructor carrying that text.
#define VD_FTP_DECLARE_FIXED_ERROR(Name, Base, Text)                 \
    class Name : public Base {                                       \
      public:                                                        \
        Name() : Base(Text) {}                                       \
        explicit Name(const std::string& message) : Base(message) {} \
    };

// --- channel -------------------------------------------------------------
VD_FTP_DECLARE_FIXED_ERROR(EIdNotConnected, EIdException, "Nicht verbunden")
VD_FTP_DECLARE_FIXED_ERROR(EIdClosedSocket, EIdException, "Verbindung getrennt.")
VD_FTP_DECLARE_FIXED_ERROR(EIdConnClosedGracefully, EIdException,
                           "Die Verbindung wurde erfolgreich geschlossen.")
VD_FTP_DECLARE_FIXED_ERROR(EIdReadTimeout, EIdException, "Zeitüberschreitung beim Lesen.")
VD_FTP_DECLARE_FIXED_ERROR(EIdReadLnMaxLineLengthExceeded, EIdException,
                           "Max. Zeilenlänge überschritten.")
VD_FTP_DECLARE_FIXED_ERROR(EIdReadLnWaitMaxAttemptsExceeded, EIdException,
                           "Max. Zeilenleseversuche überschritten.")
// One reply (all its lines, blank lines before it included) may not grow past
// the reply budget: a hostile server could otherwise make the client buffer
// without bound, one short line at a time.
VD_FTP_DECLARE_FIXED_ERROR(EIdMaxReplySizeExceeded, EIdException,
                           "Max. Antwortgröße überschritten.")
// A command line holding CR, LF or NUL is never written.
VD_FTP_DECLARE_FIXED_ERROR(EIdCommandHasControlChars, EIdException,
                           "Befehl enthält unzulässige Steuerzeichen (CR, LF oder NUL).")

class EIdSocketError : public EIdException {
  public:
    EIdSocketError(int errorCode, const std::string& message)
        : EIdException(message), FLastError(errorCode) {}
    int LastError() const noexcept { return FLastError; }

  private:
    int FLastError = 0;
};

// --- replies ---------------------------------------------------------------
class EIdReplyRFCError : public EIdException {
  public:
    EIdReplyRFCError(int errorCode, const std::string& message)
        : EIdException(message), FErrorCode(errorCode) {}
    int ErrorCode() const noexcept { return FErrorCode; }

  private:
    int FErrorCode = 0;
};
VD_FTP_DECLARE_ERROR(EIdFTPServiceNotAvailable, EIdReplyRFCError)

// --- client ------------------------------------------------------------------
VD_FTP_DECLARE_FIXED_ERROR(EIdAlreadyConnected, EIdException, "Verbindung besteht bereits.")
VD_FTP_DECLARE_FIXED_ERROR(EIdHostRequired, EIdException, "A Host is required")
VD_FTP_DECLARE_FIXED_ERROR(EIdPortRequired, EIdException, "A Port is required")
VD_FTP_DECLARE_FIXED_ERROR(EIdInterceptAlreadyAssigned, EIdException,
                           "Dem IOHandler wurde bereits ein anderes Intercept zugewiesen")
VD_FTP_DECLARE_FIXED_ERROR(
    EIdTLSClientCanNotSetWhileConnected, EIdException,
    "Dieser Wert kann nicht gesetzt werden, während der Client verbunden ist.")
VD_FTP_DECLARE_FIXED_ERROR(EIdTLSClientSSLIOHandlerRequred, EIdException,
                           "SSL IOHandler ist für diese Einstellung erforderlich")
VD_FTP_DECLARE_FIXED_ERROR(EIdTLSClientTLSNegCmdFailed, EIdException,
                           "Befehl zum Starten der SSL-Aushandlung fehlgeschlagen.")
VD_FTP_DECLARE_FIXED_ERROR(EIdTLSClientTLSNotAvailable, EIdException,
                           "SSL ist auf diesem Server nicht verfügbar.")
// An encrypted data connection showed another certificate than the control
// connection.
VD_FTP_DECLARE_FIXED_ERROR(EIdTLSClientDataCertificateChanged, EIdException,
                           "Die Datenverbindung zeigt ein anderes Zertifikat als die "
                           "Steuerverbindung.")

// The handshake failure keeps the handshake's own error message as its inner
// error.
class EIdTLSClientTLSHandShakeFailed : public EIdException {
  public:
    explicit EIdTLSClientTLSHandShakeFailed(std::string innerMessage = {})
        : EIdException("SSL-Aushandlung fehlgeschlagen."), FInnerMessage(std::move(innerMessage)) {}
    const std::string& InnerMessage() const noexcept { return FInnerMessage; }

  private:
    std::string FInnerMessage;
};

VD_FTP_DECLARE_FIXED_ERROR(EIdFTPUploadFileNameCanNotBeEmpty, EIdException,
                           "Der Zieldateiname darf nicht leer sein")
// A passive reply whose fields cannot be read.
VD_FTP_DECLARE_ERROR(EIdFTPBadPassiveReply, EIdException)
// A download into memory (a listing, a small file) that grows past its
// limit: a server that streams without end must not take all memory.
VD_FTP_DECLARE_ERROR(EIdFTPDownloadTooLarge, EIdException)
// A one-time-password challenge asking for more hash rounds than any real
// sequence has.
VD_FTP_DECLARE_ERROR(EIdFTPOtpSequenceTooLarge, EIdException)

// --- run-time errors that the original library raised outside its own tree;
// here they share the client's base so a caller catches one type.
VD_FTP_DECLARE_ERROR(EConvertError, EIdException)
VD_FTP_DECLARE_ERROR(EFOpenError, EIdException)
VD_FTP_DECLARE_ERROR(EFCreateError, EIdException)

#undef VD_FTP_DECLARE_ERROR
#undef VD_FTP_DECLARE_FIXED_ERROR

}  // namespace vd::ftp
