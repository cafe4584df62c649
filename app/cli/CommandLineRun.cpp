#include "app/cli/CommandLineRun.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QLocale>

#include "app/VelodropCore.h"
#include "app/cli/ShareHistory.h"
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

// The record of shares in the user's data folder. A terminal run prints its
// link and ends: it leaves its uploads for the window's removal at exit.
void UseShareRecord(TVelodropCore& Core) {
    Core.UseShareRecord(ShareRecordPath(QString::fromStdString(platform::UserDataFolder())));
    Core.Record().SetRunRemovesAtExit(false);
}

enum class TStartSweep { Run, Skip };

// Runs `Work` on a core loaded from the settings file `BaseName`, after
// the shares that are due went (unless skipped); what escapes it is
// reported like any other failure.
template <class F>
int WithCore(const QString& BaseName, TStartSweep Sweep, std::FILE* Errors, F&& Work) {
    TTerminalUser user(Errors, IsTerminal(Errors));
    try {
        TVelodropCore core(user);
        core.PrepareRunFiles(QString::fromStdString(platform::CommonAppDataFolder()), BaseName);
        UseShareRecord(core);
        if (!core.LoadSettings()) {
            user.ShowMessage(QStringLiteral("No settings in %1: start velodrop once and save "
                                            "them in its Settings dialog.")
                                 .arg(core.State().SettingsFile));
            return 1;
        }
        core.LocalizeRuntimeTexts();
        core.FetchPassword();
        if (Sweep == TStartSweep::Run) core.RemoveDueShares();
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

QString ExpiryText(TVelodropCore& Core, qint64 ExpiresAt) {
    const TLanguage language = InterfaceLanguage(Core.State().Settings.AutoLanguage);
    return Text(language, TText::ExpiresOn)
        .arg(QLocale::system().toString(QDateTime::fromSecsSinceEpoch(ExpiresAt),
                                        QLocale::ShortFormat));
}

// More than a terminal shows; scripts get every share.
constexpr int kHistoryLines = 50;

void TellUnreadable(TShareBook& Record, TTerminalUser& User) {
    User.ShowMessage(QStringLiteral("The record of shares cannot be read: ") + Record.Trouble());
}

// Every share as JSON on `Out`, written as the record is read: nothing is
// written when the record cannot be opened, and a reader that goes away
// stops the reading.
int WriteHistoryJson(TShareBook& Record, TTerminalUser& User, std::FILE* Out) {
    bool written = true;
    THistoryJson json([&](const QByteArray& Bytes) {
        written = std::fwrite(Bytes.constData(), 1, Bytes.size(), Out) ==
                      static_cast<std::size_t>(Bytes.size()) &&
                  std::fflush(Out) == 0;
        return written;
    });
    if (!Record.EachShare([&](const TShareRow& Share) { return json.Add(Share); })) {
        TellUnreadable(Record, User);
        return 1;
    }
    return written && json.End() ? 0 : 1;
}

}  // namespace

int RunHistory(bool Json, std::FILE* Out, std::FILE* Errors) {
    TTerminalUser user(Errors, IsTerminal(Errors));
    TVelodropCore core(user);
    UseShareRecord(core);
    if (Json) return WriteHistoryJson(core.Record(), user, Out);
    const auto shares = core.Record().Recent(kHistoryLines);
    if (!shares) {
        TellUnreadable(core.Record(), user);
        return 1;
    }
    if (shares->empty())
        user.ShowMessage(QStringLiteral("No shares are recorded yet."));
    else
        Write(Out, HistoryTable(*shares, QLocale::system()).toStdString());
    return 0;
}

int RunDeleteShare(const QString& Link, std::FILE* Errors) {
    return WithCore(
        QStringLiteral("velodrop_settings"), TStartSweep::Skip, Errors,
        [&](TVelodropCore& Core, TTerminalUser&) { return Core.DeleteShare(Link) ? 0 : 1; });
}

int RunCliShare(const QString& FileName, bool Copy, std::FILE* Out, std::FILE* Errors) {
    return WithCore(QStringLiteral("velodrop_settings"), TStartSweep::Run, Errors,
                    [&](TVelodropCore& Core, TTerminalUser& User) {
                        Core.State().CurrentFile = FileName;
                        const TShareResult share = Core.ShareFile(FileName);
                        const QString& link = share.Link;
                        if (link.isEmpty()) return 1;
                        if (share.ExpiresAt) User.ShowMessage(ExpiryText(Core, *share.ExpiresAt));
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
    return WithCore(QStringLiteral("shortener_settings"), TStartSweep::Run, Errors,
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
