#pragma once
// The flows' side of the record of shares: a row for each upload, its state
// as the upload and its deletion go, and which shares are due for deletion.
//
// The record never stands in the way of a share. A store that cannot be
// opened or written costs the row, not the share; the first such trouble of
// a run is kept and told to the user once, after the work at hand.

#include <QHash>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "app/core/Language.h"
#include "app/core/Settings.h"
#include "app/core/SharedFiles.h"
#include "app/core/UserInterface.h"

namespace vd::app {

/// The expiry of a share made at `SharedAt` under `Settings`: none when
/// they keep shares.
std::optional<qint64> ExpiryOf(const TSettings& Settings, qint64 SharedAt);

/// The server fields of a row (transport, host, port, user, folder) for the
/// account that `Settings` name.
TShareRow ServerRowOf(const TSettings& Settings);

/// Whether `Row` is on the server that `Settings` name. FTP with and without
/// TLS is the same server.
bool IsOnServerOf(const TShareRow& Row, const TSettings& Settings);

class TShareBook final {
  public:
    /// Gives the store at its first use, or nothing with the reason in `Why`.
    using TOpener = std::function<std::unique_ptr<TShareStore>(QString& Why)>;
    /// Seconds since 1970.
    using TClock = std::function<qint64()>;

    TShareBook();
    ~TShareBook();
    TShareBook(const TShareBook&) = delete;
    TShareBook& operator=(const TShareBook&) = delete;

    /// Without an opener the record is off: nothing is written or found.
    void SetOpener(TOpener Open);
    void SetClock(TClock Now);
    /// Whether this run removes its uploads at its exit when the settings
    /// ask for it (the window does; a --cli run, which ends with its link
    /// printed, does not). Its rows say so, for a later run to finish.
    void SetRunRemovesAtExit(bool Removes) { FRunRemovesAtExit = Removes; }
    qint64 Now() const;

    /// The row of an upload that starts now, written before its first byte
    /// goes up; nothing when the record is off or could not write it.
    std::optional<qint64> UploadStarting(const TSettings& Settings, const QString& RemoteName,
                                         const QString& Link, const QString& LocalName,
                                         qint64 SharedAt);
    /// The row of this run's upload `RemoteName`, if it has one.
    std::optional<qint64> RowOf(const QString& RemoteName) const;
    /// A share's new state (and size, when not negative); nothing for a
    /// share without a row.
    void SetState(std::optional<qint64> Id, TShareState State, qint64 Size = -1);
    /// The user changed whether the run removes its uploads at its exit:
    /// the rows of the shares it made so far follow at once, so that a run
    /// that dies now leaves them as the user last said.
    void RemoveAtExitChanged(bool Remove);
    /// The share stays on its server when the run ends after all.
    void KeepAfterExit(std::optional<qint64> Id);

    /// Shares on the server of `Settings` that are due now: expired ones,
    /// those of a run that died after asking for removal at exit, and
    /// uploads that failed or whose run died before they ended.
    std::vector<TShareRow> DueOn(const TSettings& Settings);
    /// The most recent `Limit` shares; nothing when the record cannot be
    /// read (`Trouble()` says why).
    std::optional<std::vector<TShareRow>> Recent(int Limit);
    /// Hands every share, newest first, to `Visit` as it is read, until it
    /// answers false; false when the record cannot be read (`Trouble()`
    /// says why).
    bool EachShare(const std::function<bool(const TShareRow&)>& Visit);
    /// The newest share with the link `Link`; `Found` false when there is none.
    std::optional<TShareRow> WithLink(const QString& Link, bool& Found);

    /// The first trouble of this run with the record; empty when none.
    const QString& Trouble() const { return FTrouble; }
    /// Tells `User` of the trouble in `Language`, once per run.
    void TellTrouble(TUserInterface& User, TLanguage Language);

  private:
    TShareStore* Store();
    void Note(const QString& Why);

    TOpener FOpen;
    TClock FNow;
    std::unique_ptr<TShareStore> FStore;
    QHash<QString, qint64> FRowsOfThisRun;  // by remote name
    bool FOpenTried = false;
    bool FRunRemovesAtExit = true;
    QString FTrouble;
    bool FTold = false;
};

}  // namespace vd::app
