// Pure functions of the FTP logic: reading the passive reply, the feature
// list, listings and greetings, and building the XAUT credentials.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "IdText.h"

namespace vd::ftp {

struct TPassiveEndpoint {
    std::string Address;  // the four address fields joined with "."
    uint16_t Port = 0;
};

// The 227 reply's first text line (RFC 959, 4.1.2: PASV). Forms seen:
//   227 Entering Passive Mode (127,0,0,1,4,51)
//   227 Entering passive mode. 127,0,0,1,4,51
//   227 =127,0,0,1,4,51          (no brackets: the last word counts)
// The port is fifth * 256 + (sixth mod 256), kept as 16 bits, so servers
// that print the bytes as signed numbers (-60,80) still work. A port field
// that is not an integer fails with EConvertError; fewer than six fields
// with EIdFTPBadPassiveReply.
TPassiveEndpoint ParsePassiveReply(std::string_view firstTextLine);

// "127", "10.", "169.254", "192.168", or "172." + 16..31 + ".".
bool IsPrivateAddress(std::string_view address);

// True when a capability line (leading blanks and control characters
// removed) has the first word `name`, ignoring case.
bool IsExtSupportedIn(const std::vector<std::string>& capabilities, std::string_view name);

// True when the "SITE" feature line lists the fact `fact` (facts are
// separated by ";"), e.g. "SITE PSWD;SET;ZONE;CHMOD".
bool SiteFeatureListsFact(const std::vector<std::string>& capabilities, std::string_view fact);

// Listing bytes to lines: decoded as UTF-8 (a rejected byte as U+FFFD), like
// the control connection, split at CR LF, CR or LF; a break at the very end
// adds no line; NUL ends the text.
std::vector<std::string> SplitListing(std::string_view bytes);

// True when a refused "PASV", transfer or data connection means that the
// server takes encrypted data connections only ("PROT P"). Forms seen:
//   522 Data connections must be encrypted.                     (vsftpd)
//   521 Data connection cannot be opened with this PROT setting. (Pure-FTPd)
//   534 Unwilling to accept security parameters                 (ProFTPD)
//   550 SSL/TLS required on the data channel.                   (pyftpdlib, to PASV)
//   425 TLS required / 425 Data channel must be encrypted
// A 425 or 550 counts only when its text names TLS, SSL, PROT or
// encryption.
bool RefusesClearData(int code, std::string_view text);

// The whole number of the first round-bracketed group of a greeting, if it
// is one (WS_FTP Server greetings carry one).
std::optional<uint32_t> FirstBracketedNumber(std::string_view text);

// XAUT credentials: the bytes of user + ":" + password XORed with the
// client key and with the server's number (32 bits, little-endian), each
// byte then written as two characters: 53 + high nibble, 49 + low nibble.
std::string XAutCredentials(std::string_view credentialBytes, uint32_t serverNumber);
// The client's four-byte XAUT key.
extern const uint8_t kXAutKey[4];

}  // namespace vd::ftp
