#pragma once
// The record of every upload in an SQLite database of the user's, through
// Qt's SQL module.
//
// Several processes (a window and --cli runs) may open and write it at
// once: the database keeps a write-ahead log, and a busy peer is waited for
// (up to a timeout) instead of failing. A database that cannot be opened or
// written makes each call answer false with `Error()` saying why.

#include <QString>
#include <optional>
#include <vector>

#include "app/core/SharedFiles.h"

class QSqlQuery;

namespace vd::app {

class TShareRecord final : public TShareStore {
  public:
    TShareRecord();
    ~TShareRecord() override;
    TShareRecord(const TShareRecord&) = delete;
    TShareRecord& operator=(const TShareRecord&) = delete;

    /// Opens (or makes, mode 0600, with its folder) the database at `Path`
    /// and brings its tables to this program's version.
    bool Open(const QString& Path);
    bool IsOpen() const;
    const QString& Error() const override { return FError; }

    std::optional<qint64> Add(const TShareRow& Row) override;
    bool SetState(qint64 Id, TShareState State, qint64 Size = -1) override;
    bool SetRemoveAtExit(qint64 Id, bool Remove) override;
    std::optional<std::vector<TShareRow>> Recent(int Limit) override;
    bool EachShare(const std::function<bool(const TShareRow&)>& Visit) override;
    std::optional<std::optional<TShareRow>> WithLink(const QString& Link) override;
    std::optional<std::vector<TShareRow>> MaybeDue(qint64 Now) override;

    /// The schema version this program writes.
    static constexpr int kSchemaVersion = 3;

  private:
    bool Fail(const QString& Why);
    bool UseWriteAheadLog(const QString& Path);
    bool Migrate();
    // `Statement` prepared on the open database; nothing (and Error() says
    // why) when the record is not open or the statement is refused.
    std::optional<QSqlQuery> Prepared(const QString& Statement);
    // Runs a prepared update with `Id` bound last; true when it changed
    // exactly that share.
    bool UpdateOne(std::optional<QSqlQuery>& Query, qint64 Id);
    // Runs a prepared query (values bound) and hands its rows to `Visit`
    // as they are read.
    bool EachRow(std::optional<QSqlQuery>& Query,
                 const std::function<bool(const TShareRow&)>& Visit);
    // ... and collects them.
    std::optional<std::vector<TShareRow>> Rows(std::optional<QSqlQuery>& Query);
    QString FConnection;
    QString FError;
};

}  // namespace vd::app
