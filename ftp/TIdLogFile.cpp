#include "TIdLogFile.h"

#include <fcntl.h>
#include <locale.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>

#include "EIdException.h"
#include "platform/Utf8.h"

namespace vd::ftp {

void TIdLogBase::SetActive(bool value) {
    if (value == FActive) return;
    FActive = value;
    if (value)
        Open();
    else
        Close();
}

void TIdLogBase::Connect(TIdIOHandler* connection) {
    TIdConnectionIntercept::Connect(connection);
    if (FActive) LogStatus("Verbunden.");
}

void TIdLogBase::Disconnect() {
    if (FActive) LogStatus("Verbindung getrennt.");
    TIdConnectionIntercept::Disconnect();
}

void TIdLogBase::Receive(std::string& bytes) {
    TIdConnectionIntercept::Receive(bytes);
    LogData(true, bytes);
}

void TIdLogBase::Send(std::string& bytes) {
    LogData(false, bytes);
    TIdConnectionIntercept::Send(bytes);
}

void TIdLogBase::LogData(bool received, const std::string& bytes) {
    if (!FActive) return;
    const std::string time = FLogTime ? FormatLogTime() : std::string();
    const std::string data = FReplaceCRLF ? ReplaceLineBreaks(bytes) : bytes;
    if (received)
        LogReceivedData(time, data);
    else
        LogSentData(time, data);
}

std::string TIdLogBase::ReplaceLineBreaks(std::string_view data) {
    std::string out;
    out.reserve(data.size() + 16);
    for (size_t i = 0; i < data.size(); ++i) {
        if (data[i] == '\r' && i + 1 < data.size() && data[i + 1] == '\n') {
            out += "<EOL>";
            ++i;
        } else if (data[i] == '\r') {
            out += "<CR>";
        } else if (data[i] == '\n') {
            out += "<LF>";
        } else {
            out += data[i];
        }
    }
    return out;
}

std::string TIdLogBase::FormatLogTime() {
    // The regional formats as the environment gave them at start.
    static const locale_t kTimeLocale = newlocale(LC_TIME_MASK, "", static_cast<locale_t>(nullptr));
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    tm local{};
    localtime_r(&now.tv_sec, &local);
    const bool midnight =
        local.tm_hour == 0 && local.tm_min == 0 && local.tm_sec == 0 && now.tv_nsec < 1000000;
    char buffer[128] = {};
    const char* format = midnight ? "%x" : "%x %X";
    if (kTimeLocale)
        strftime_l(buffer, sizeof buffer, format, &local, kTimeLocale);
    else
        strftime(buffer, sizeof buffer, format, &local);
    // The locale's own text, UTF-8 on Linux like every other text of the
    // log; the traffic beside it is logged as the bytes on the wire.
    return platform::ToValidUtf8(buffer);
}

TIdLogFile::~TIdLogFile() { Close(); }

void TIdLogFile::SetFilename(std::string path) {
    if (FHandle >= 0)
        throw EIdException("Dateiname kann bei geöffneter Protokolldatei nicht festgelegt werden.");
    FFilename = std::move(path);
}

// Appends to an existing file, creates a missing one. (Other programs may
// read the file while it is open; Linux has no share modes to stop writers.)
void TIdLogFile::Open() {
    struct stat st {};
    if (::stat(FFilename.c_str(), &st) == 0) {
        FHandle = ::open(FFilename.c_str(), O_RDWR | O_APPEND | O_CLOEXEC);
        if (FHandle < 0)
            throw EFOpenError("Datei " + FFilename + " kann nicht geöffnet werden. " +
                              std::strerror(errno));
    } else {
        // Only the owner may read it: with the log on, "PASS" and the
        // password stand in it in clear, TLS or not.
        FHandle = ::open(FFilename.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
        if (FHandle < 0)
            throw EFCreateError("Datei \"" + FFilename + "\" kann nicht erstellt werden. " +
                                std::strerror(errno));
    }
}

void TIdLogFile::Close() noexcept {
    if (FHandle >= 0) ::close(FHandle);
    FHandle = -1;
}

// One write per line, unbuffered, so the file can be read while in use.
// A failed write loses the line; the connection goes on.
void TIdLogFile::WriteLine(std::string line) noexcept {
    if (FHandle < 0) return;
    line += "\r\n";
    [[maybe_unused]] const ssize_t written = ::write(FHandle, line.data(), line.size());
}

void TIdLogFile::LogStatus(std::string_view text) { WriteLine("Stat " + std::string(text)); }

void TIdLogFile::LogReceivedData(std::string_view time, std::string_view data) {
    WriteLine("Erh " + std::string(time) + ": " + std::string(data));
}

// The argument of a command that carries the password (PASS, and XAUT,
// whose scrambling anyone can undo) as "********": a password must never
// stand in a file in clear, wherever it came from.
std::string TIdLogBase::HideCredentials(std::string_view data) {
    constexpr std::string_view kHidden = "********";
    const auto commandIs = [&](std::string_view command) {
        if (data.size() <= command.size() || data[command.size()] != ' ') return false;
        for (size_t i = 0; i < command.size(); ++i) {
            if (std::toupper(static_cast<unsigned char>(data[i])) != command[i]) return false;
        }
        return true;
    };
    if (!commandIs("PASS") && !commandIs("XAUT")) return std::string(data);
    // The line's end stays as it was logged: "<EOL>", or CR LF as sent.
    std::string_view lineEnd;
    for (const std::string_view end : {"<EOL>", "\r\n", "<CR>", "<LF>", "\r", "\n"}) {
        if (data.ends_with(end)) {
            lineEnd = end;
            break;
        }
    }
    return std::string(data.substr(0, 5)) + std::string(kHidden) + std::string(lineEnd);
}

void TIdLogFile::LogSentData(std::string_view time, std::string_view data) {
    std::string line = HideCredentials(data);
    if (!FHiddenText.empty()) {
        for (std::size_t at = line.find(FHiddenText); at != std::string::npos;
             at = line.find(FHiddenText, at + 8))
            line.replace(at, FHiddenText.size(), "********");
    }
    WriteLine("Ges " + std::string(time) + ": " + line);
}

}  // namespace vd::ftp
