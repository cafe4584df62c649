#include "app/core/ShareBook.h"

#include <QDateTime>

#include "app/core/ServerAccount.h"

namespace vd::app {

std::optional<qint64> ExpiryOf(const TSettings& Settings, qint64 SharedAt) {
    if (Settings.DeleteAfterDays <= 0) return std::nullopt;
    return SharedAt + qint64{Settings.DeleteAfterDays} * 24 * 60 * 60;
}

TShareRow ServerRowOf(const TSettings& Settings) {
    const TServerAccount account = ServerAccountOf(Settings);
    TShareRow row;
    row.Transport = account.Transport == TTransport::Sftp ? QStringLiteral("sftp")
                    : account.UseTLS                      ? QStringLiteral("ftps")
                                                          : QStringLiteral("ftp");
    row.Host = account.Host.toLower();
    row.Port = account.Port;
    row.User = account.Username;
    row.Folder = account.Directory;
    return row;
}

bool IsOnServerOf(const TShareRow& Row, const TSettings& Settings) {
    const TShareRow server = ServerRowOf(Settings);
    const auto isSftp = [](const QString& Transport) { return Transport == u"sftp"; };
    return isSftp(Row.Transport) == isSftp(server.Transport) && Row.Host == server.Host &&
           Row.Port == server.Port && Row.User == server.User && Row.Folder == server.Folder;
}

TShareBook::TShareBook() = default;
TShareBook::~TShareBook() = default;

void TShareBook::SetOpener(TOpener Open) {
    FOpen = std::move(Open);
    FStore.reset();
    FOpenTried = false;
}

void TShareBook::SetClock(TClock Now) { FNow = std::move(Now); }

qint64 TShareBook::Now() const { return FNow ? FNow() : QDateTime::currentSecsSinceEpoch(); }

TShareStore* TShareBook::Store() {
    // Opened once: a store that failed to open stays off for the run rather
    // than costing every share a new try.
    if (!FOpenTried && FOpen) {
        FOpenTried = true;
        QString why;
        FStore = FOpen(why);
        if (!FStore) Note(why);
    }
    return FStore.get();
}

void TShareBook::Note(const QString& Why) {
    if (FTrouble.isEmpty()) FTrouble = Why.isEmpty() ? QStringLiteral("unknown error") : Why;
}

std::optional<qint64> TShareBook::UploadStarting(const TSettings& Settings,
                                                 const QString& RemoteName, const QString& Link,
                                                 const QString& LocalName, qint64 SharedAt) {
    TShareStore* store = Store();
    if (!store) return std::nullopt;
    TShareRow row = ServerRowOf(Settings);
    row.SharedAt = SharedAt;
    row.RemoteName = RemoteName;
    row.Link = Link;
    row.LocalName = LocalName;
    row.RemoveAtExit = FRunRemovesAtExit && Settings.RemoveFileAtExit;
    row.ExpiresAt = ExpiryOf(Settings, row.SharedAt);
    row.State = TShareState::Uploading;
    row.Run = platform::CurrentRun();
    const std::optional<qint64> id = store->Add(row);
    if (id)
        FRowsOfThisRun.insert(RemoteName, *id);
    else
        Note(store->Error());
    return id;
}

std::optional<qint64> TShareBook::RowOf(const QString& RemoteName) const {
    const auto found = FRowsOfThisRun.find(RemoteName);
    if (found == FRowsOfThisRun.end()) return std::nullopt;
    return *found;
}

void TShareBook::SetState(std::optional<qint64> Id, TShareState State, qint64 Size) {
    TShareStore* store = Store();
    if (!Id || !store) return;
    if (!store->SetState(*Id, State, Size)) Note(store->Error());
}

void TShareBook::RemoveAtExitChanged(bool Remove) {
    if (FRowsOfThisRun.isEmpty()) return;
    TShareStore* store = Store();
    if (!store) return;
    for (const qint64 id : std::as_const(FRowsOfThisRun)) {
        if (!store->SetRemoveAtExit(id, FRunRemovesAtExit && Remove)) Note(store->Error());
    }
}

void TShareBook::KeepAfterExit(std::optional<qint64> Id) {
    TShareStore* store = Store();
    if (!Id || !store) return;
    if (!store->SetRemoveAtExit(*Id, false)) Note(store->Error());
}

std::vector<TShareRow> TShareBook::DueOn(const TSettings& Settings) {
    TShareStore* store = Store();
    if (!store) return {};
    const qint64 now = Now();
    const auto candidates = store->MaybeDue(now);
    if (!candidates) {
        Note(store->Error());
        return {};
    }
    const TRunIdentity me = platform::CurrentRun();
    std::vector<TShareRow> due;
    for (const TShareRow& row : *candidates) {
        if (!IsOnServerOf(row, Settings)) continue;
        const bool expired = row.ExpiresAt && *row.ExpiresAt <= now;
        // A run that lives removes its own at its exit, and ends its uploads;
        // one that may live (elsewhere) is left to do so.
        const bool runEnded =
            row.Run != me && platform::LivenessOf(row.Run) == platform::TRunLiveness::Dead;
        const bool orphaned = row.RemoveAtExit && runEnded;
        // Part of a file, or none: no link was given for it.
        const bool unfinished =
            row.State == TShareState::Failed || (row.State == TShareState::Uploading && runEnded);
        if (expired || orphaned || unfinished) due.push_back(row);
    }
    return due;
}

std::optional<std::vector<TShareRow>> TShareBook::Recent(int Limit) {
    TShareStore* store = Store();
    if (!store) return std::nullopt;
    auto rows = store->Recent(Limit);
    if (!rows) Note(store->Error());
    return rows;
}

bool TShareBook::EachShare(const std::function<bool(const TShareRow&)>& Visit) {
    TShareStore* store = Store();
    if (!store) return false;
    if (store->EachShare(Visit)) return true;
    Note(store->Error());
    return false;
}

std::optional<TShareRow> TShareBook::WithLink(const QString& Link, bool& Found) {
    Found = false;
    TShareStore* store = Store();
    if (!store) return std::nullopt;
    const auto row = store->WithLink(Link);
    if (!row) {
        Note(store->Error());
        return std::nullopt;
    }
    Found = row->has_value();
    return *row;
}

void TShareBook::TellTrouble(TUserInterface& User, TLanguage Language) {
    if (FTrouble.isEmpty() || FTold) return;
    FTold = true;
    User.ShowMessage(Text(Language, TText::ShareRecordTrouble) + FTrouble);
}

}  // namespace vd::app
