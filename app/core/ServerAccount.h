#pragma once
// The server account a session opens: what the settings name, read once.
// "sftp://name" selects SFTP, where the port field means the SSH port; a
// bare name or "ftp://name" is FTP. The settings keep what the user typed:
// the scheme and the port are read here each time a session opens.

#include <QString>
#include <cstdint>

#include "app/core/Settings.h"

namespace vd::app {

enum class TTransport { Ftp, Sftp };

/// "FTP" or "SFTP", as messages name the transport.
QString TransportName(TTransport Transport);

struct TServerAccount {
    TTransport Transport = TTransport::Ftp;
    QString Host;  // without the scheme
    std::uint16_t Port = 21;
    QString Username;
    QString Password;
    QString Directory;    // the host directory, as in the settings
    bool UseTLS = false;  // FTP only
    // The password came from the keyring: no log may hold it.
    bool PasswordIsSecret = false;

    /// "host:port", the host in lower case, as messages and the stores of
    /// trusted certificates name a server.
    QString Server() const;
};

/// The account that `Settings` names. For SFTP a port field of 21 (FTP's
/// default, left as it was) or 0 means 22. The scheme is matched without
/// regard to case; one trailing "/" after the name is dropped.
TServerAccount ServerAccountOf(const TSettings& Settings);

}  // namespace vd::app
