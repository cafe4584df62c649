#pragma once
// Which transport a host setting names, and where it leads. "sftp://name"
// selects SFTP, where the port field means the SSH port; a bare name or
// "ftp://name" is FTP. The settings keep what the user typed: the scheme
// and the port are read here each time a session opens.

#include <QString>
#include <cstdint>

#include "app/core/Settings.h"

namespace vd::app {

enum class TTransport { Ftp, Sftp };

struct TServerAddress {
    TTransport Transport = TTransport::Ftp;
    QString Host;  // without the scheme
    std::uint16_t Port = 21;
};

/// The transport, host and port that `Settings` names. For SFTP a port
/// field of 21 (FTP's default, left as it was) or 0 means 22. The scheme is
/// matched without regard to case; one trailing "/" after the name is
/// dropped.
TServerAddress ServerAddressOf(const TSettings& Settings);

}  // namespace vd::app
