#pragma once
// Shortener mode: a web address gets a five-character code in
// "shortener.ini" in the host directory, served by two small server-side
// files uploaded once; the short link goes to the clipboard and opens in
// the browser, and the program ends.

#include "app/core/FlowContext.h"

namespace vd::app {

class TShortenerFlow final {
  public:
    explicit TShortenerFlow(TFlowContext Context) : FContext(Context) {}

    /// Inside an open session: uploads ".htaccess" and "index.php" where the
    /// listing lacks them, and creates a missing table without ever
    /// emptying one. A failure is shown ("FTP (Shortener): ...", over SFTP
    /// "SFTP (Shortener): ...") and ends the installation, not the
    /// shortening.
    void InstallShortenerScripts();

    /// Finds or adds the code of `URL` and returns the short link, which is
    /// also put on the clipboard and opened. Empty text when no session
    /// could be opened or the address cannot be stored (the user has been
    /// told). Once a session is open, termination is requested whatever
    /// follows; a failure of the table itself raises.
    QString ShortenURL(const QString& URL);

  private:
    TFlowContext FContext;
};

}  // namespace vd::app
