#pragma once
// What the user decides about an SFTP server's host key that known_hosts
// does not confirm: an unknown key is shown with its fingerprint and
// trusted only on a Yes; a changed key is refused without a question, as
// OpenSSH does, since accepting it is exactly what an attacker needs.

#include <QString>

#include "app/core/Language.h"
#include "app/core/RemoteFolder.h"
#include "app/core/UserInterface.h"

namespace vd::app {

/// A host key the user did not trust, or a changed one; the message says
/// how to go on. Host keys are SSH's: the message is SFTP's.
class EHostKeyNotTrusted : public ETransportError {
  public:
    explicit EHostKeyNotTrusted(const std::string& Message)
        : ETransportError(TTransport::Sftp, Message) {}
};

class THostKeyTrust final {
  public:
    THostKeyTrust(TUserInterface& User, TLanguage Language);

    /// For `Server` ("host:port") showing the key `Fingerprint`: returns
    /// when the user trusts the unknown key; raises EHostKeyNotTrusted
    /// otherwise.
    void Check(THostKeyStatus Status, const QString& Server, const QString& Fingerprint);

  private:
    TUserInterface& FUser;
    TLanguage FLanguage;
};

}  // namespace vd::app
