#pragma once
// Trust on first use for the certificates of the user's servers, which are
// often self-signed: the first certificate a server shows is remembered;
// the same one later passes silently; another one is shown to the user
// with both fingerprints, and only a Yes trusts it (and remembers it).
// Where nothing can be remembered, what was trusted holds for the run.

#include <QString>
#include <stdexcept>

#include "app/core/Language.h"
#include "app/core/UserInterface.h"
#include "app/trust/KnownCertificates.h"

namespace vd::app {

/// A changed certificate the user did not trust; the message says how to
/// trust it.
class ECertificateNotTrusted : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class TCertificateTrust final {
  public:
    TCertificateTrust(TKnownCertificates& Known, TUserInterface& User, TLanguage Language);

    /// For `Server` ("host:port") showing the certificate `Fingerprint`:
    /// returns when it is trusted; raises ECertificateNotTrusted when the
    /// user says no. When the file cannot be written, a certificate to be
    /// remembered is trusted until the program ends, and the user is told
    /// so once in that time.
    void Check(const QString& Server, const QString& Fingerprint);

  private:
    void Remember(const QString& Server, const QString& Fingerprint);

    TKnownCertificates& FKnown;
    TUserInterface& FUser;
    TLanguage FLanguage;
};

}  // namespace vd::app
