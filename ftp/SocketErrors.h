// Socket error numbers and texts. Messages carry the Windows socket numbers
// (10061 for a refused connection, 11001 for an unknown host, ...), so the
// platform's errno values are mapped before they reach a message.
#pragma once

#include <string>

namespace vd::ftp {

constexpr int kWSAEWOULDBLOCK = 10035;
constexpr int kWSAETIMEDOUT = 10060;
constexpr int kWSAECONNABORTED = 10053;
constexpr int kWSAECONNRESET = 10054;
constexpr int kWSAESHUTDOWN = 10058;
constexpr int kWSAENOTSOCK = 10038;
constexpr int kWSAHOST_NOT_FOUND = 11001;

// Maps an errno value to the Windows socket number; unknown values pass as
// they are.
int WinSockErrorFromErrno(int err) noexcept;
// The text for a Windows socket number; empty for an unknown number.
std::string SocketErrorText(int winError);
// "Socket-Fehler # %d%s" + CR LF.
std::string SocketErrorMessage(int winError);
[[noreturn]] void RaiseSocketError(int winError);

}  // namespace vd::ftp
