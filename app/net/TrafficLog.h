#pragma once
// The traffic log of the server sessions: one file, in the FTP client's
// line format, whichever transport a session runs on. The FTP client
// writes its dialogue into it itself (as its intercept); the SFTP folder
// writes one line per operation.

#include <QString>

#include "ftp/TIdLogFile.h"

namespace vd::app {

class TTrafficLog final {
  public:
    /// Empty text: no log. Changed between sessions only.
    void SetFileName(const QString& FileName);
    QString FileName() const;

    /// A session starts: the log is written from here when it has a file.
    void BeginSession();
    /// The session has ended: nothing more is written until the next.
    void EndSession() noexcept;

    // Lines of a session; nothing is written outside one.
    void Connected();
    void Disconnected();
    void Sent(const QString& Line);
    void Received(const QString& Line);

    /// The file as the FTP client's intercept, which writes the dialogue.
    ftp::TIdLogFile& ClientIntercept() noexcept { return FFile; }

  private:
    ftp::TIdLogFile FFile;
};

}  // namespace vd::app
