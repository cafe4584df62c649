// The traffic log: an intercept that appends the control dialogue to a
// text file, one line per event:
//   "Stat Verbunden."               connection opened
//   "Erh <time>: <data>"            bytes received
//   "Ges <time>: <data>"            bytes sent
//   "Stat Verbindung getrennt."     connection closed
// Each line ends with CR LF. Attach it with TIdFTP::SetIntercept; it must
// outlive the client it watches.
#pragma once

#include <string>
#include <string_view>

#include "TIdIntercept.h"

namespace vd::ftp {

class TIdLogBase : public TIdConnectionIntercept {
  public:
    ~TIdLogBase() override = default;

    bool Active() const noexcept { return FActive; }
    // On: marked active first, then the log is opened (an error reaches the
    // caller and the log stays marked active without a file). Off: marked
    // inactive, then closed. Setting the current value does nothing.
    void SetActive(bool value);
    bool LogTime() const noexcept { return FLogTime; }
    void SetLogTime(bool v) noexcept { FLogTime = v; }
    bool ReplaceCRLF() const noexcept { return FReplaceCRLF; }
    void SetReplaceCRLF(bool v) noexcept { FReplaceCRLF = v; }

    void Connect(TIdIOHandler* connection) override;
    void Disconnect() override;
    void Receive(std::string& bytes) override;
    void Send(std::string& bytes) override;

    // CR LF as "<EOL>", then CR as "<CR>", then LF as "<LF>".
    static std::string ReplaceLineBreaks(std::string_view data);
    // A sent line that carries the password (PASS, XAUT) with its argument
    // as "********"; any other line as it is.
    static std::string HideCredentials(std::string_view data);
    // The local short date, a blank and the long time (strftime %x %X under
    // the environment's LC_TIME); exactly midnight gives the date alone.
    static std::string FormatLogTime();

  protected:
    virtual void Open() = 0;
    virtual void Close() noexcept = 0;
    virtual void LogStatus(std::string_view text) = 0;
    virtual void LogReceivedData(std::string_view time, std::string_view data) = 0;
    virtual void LogSentData(std::string_view time, std::string_view data) = 0;

  private:
    void LogData(bool received, const std::string& bytes);
    bool FActive = false;
    bool FLogTime = true;
    bool FReplaceCRLF = true;
};

class TIdLogFile final : public TIdLogBase {
  public:
    ~TIdLogFile() override;

    const std::string& Filename() const noexcept { return FFilename; }
    // Fails while the file is open; the file stays open under its old name.
    void SetFilename(std::string path);
    // Text that sent lines show as "********" besides the arguments that
    // HideCredentials hides (a password kept in a keyring must not end up in
    // a file, in any line); empty: lines stand as sent, but for those.
    void SetHiddenText(std::string text) { FHiddenText = std::move(text); }

  protected:
    void Open() override;
    void Close() noexcept override;
    void LogStatus(std::string_view text) override;
    void LogReceivedData(std::string_view time, std::string_view data) override;
    void LogSentData(std::string_view time, std::string_view data) override;

  private:
    void WriteLine(std::string line) noexcept;
    std::string FFilename;
    std::string FHiddenText;
    int FHandle = -1;
};

}  // namespace vd::ftp
