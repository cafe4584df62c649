#include "app/cli/CommandLineRun.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QFile>

#include "app/VelodropCore.h"
#include "app/cli/TerminalQRCode.h"
#include "app/cli/TerminalText.h"
#include "app/cli/TerminalUser.h"
#include "app/clipboard/ClipboardKeeperProcess.h"
#include "app/core/Language.h"
#include "app/core/ShortenerAddress.h"
#include "app/core/TextRules.h"
#include "platform/SpecialFolders.h"

namespace vd::app {
namespace {

bool IsTerminal(std::FILE* Stream) { return ::isatty(::fileno(Stream)) == 1; }

void Write(std::FILE* Stream, const std::string& Bytes) {
    std::fwrite(Bytes.data(), 1, Bytes.size(), Stream);
    std::fflush(Stream);
}

// Runs `Work` on a core loaded from the settings file `BaseName`; what
// escapes it is reported like any other failure.
template <class F>
int WithCore(const QString& BaseName, std::FILE* Errors, F&& Work) {
    TTerminalUser user(Errors, IsTerminal(Errors));
    try {
        TVelodropCore core(user);
        core.PrepareRunFiles(QString::fromStdString(platform::CommonAppDataFolder()), BaseName);
        if (!core.LoadSettings()) {
            user.ShowMessage(QStringLiteral("No settings in %1: start velodrop once and save "
                                            "them in its Settings dialog.")
                                 .arg(core.State().SettingsFile));
            return 1;
        }
        core.LocalizeRuntimeTexts();
        return Work(core, user);
    } catch (const std::exception& e) {
        user.ShowMessage(ErrorBoxText(QString::fromUtf8(e.what())));
        return 1;
    }
}

// The link onto the clipboard, after it has been printed: a link that could
// not be copied is still made, but the command says so and fails.
int CopyLink(const QString& Link, TVelodropCore& Core, TTerminalUser& User) {
    const std::string why =
        CopyThroughKeeper(QFile::encodeName(QCoreApplication::applicationFilePath()).toStdString(),
                          Link.toStdString());
    if (why.empty()) return 0;
    const TLanguage language = InterfaceLanguage(Core.State().Settings.AutoLanguage);
    User.ShowMessage(Text(language, TText::ClipboardNotSet) + QString::fromStdString(why));
    return 1;
}

}  // namespace

int RunCliShare(const QString& FileName, bool Copy, std::FILE* Out, std::FILE* Errors) {
    return WithCore(QStringLiteral("velodrop_settings"), Errors,
                    [&](TVelodropCore& Core, TTerminalUser& User) {
                        Core.State().CurrentFile = FileName;
                        const QString link = Core.ShareFile(FileName).Link;
                        if (link.isEmpty()) return 1;
                        if (IsTerminal(Out)) {
                            try {
                                Write(Out, TerminalQRCode(link));
                            } catch (const std::exception& e) {
                                // The link works without its code.
                                User.ShowMessage(QString::fromUtf8(e.what()));
                            }
                        }
                        Write(Out, (TerminalSafe(link) + u'\n').toStdString());
                        return Copy ? CopyLink(link, Core, User) : 0;
                    });
}

int RunCliShorten(const QString& URL, bool Copy, std::FILE* Out, std::FILE* Errors) {
    return WithCore(QStringLiteral("shortener_settings"), Errors,
                    [&](TVelodropCore& Core, TTerminalUser& User) {
                        // The table redirects to what it holds: only web addresses go in.
                        if (!IsWebAddress(URL)) {
                            User.ShowMessage(QStringLiteral("Not a web address (http:// or "
                                                            "https://): ") +
                                             URL);
                            return 1;
                        }
                        const QString link = Core.ShortenURL(URL);
                        if (link.isEmpty()) return 1;
                        Write(Out, (TerminalSafe(link) + u'\n').toStdString());
                        return Copy ? CopyLink(link, Core, User) : 0;
                    });
}

}  // namespace vd::app
