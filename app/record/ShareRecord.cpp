#include "app/record/ShareRecord.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAtomicInteger>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QVariant>
#include <cerrno>
#include <cstring>
#include <iterator>
#include <variant>

namespace vd::app {
namespace {

// Each step brings the schema from its index to the next version; a new
// version appends a step and never edits an old one.
const char* const kMigrations[] = {
    // 0 -> 1
    "CREATE TABLE shares ("
    " id INTEGER PRIMARY KEY,"
    " shared_at INTEGER NOT NULL,"
    " transport TEXT NOT NULL, host TEXT NOT NULL, port INTEGER NOT NULL,"
    " user TEXT NOT NULL, folder TEXT NOT NULL,"
    " remote_name TEXT NOT NULL, link TEXT NOT NULL, size INTEGER NOT NULL,"
    " local_name TEXT NOT NULL, remove_at_exit INTEGER NOT NULL, expires_at INTEGER,"
    " state TEXT NOT NULL, run_pid INTEGER NOT NULL, run_start INTEGER NOT NULL);"
    "CREATE INDEX shares_by_state ON shares(state);"
    "CREATE INDEX shares_by_expiry ON shares(expires_at) WHERE expires_at IS NOT NULL;",
    // 1 -> 2: the start-up question reads only the shares it may act on,
    // however many were deleted before
    "CREATE INDEX shares_to_remove_at_exit ON shares(id)"
    " WHERE remove_at_exit = 1 AND state IN ('uploading', 'up');"
    "CREATE INDEX shares_on_server_by_expiry ON shares(expires_at)"
    " WHERE state IN ('uploading', 'up');",
    // 2 -> 3: where a run's process id means something (rows before this
    // have none), and the newest shares read first without sorting them all
    "ALTER TABLE shares ADD COLUMN run_boot TEXT;"
    "ALTER TABLE shares ADD COLUMN run_pid_namespace INTEGER;"
    "ALTER TABLE shares ADD COLUMN run_host TEXT;"
    "ALTER TABLE shares ADD COLUMN run_machine TEXT;"
    "CREATE INDEX shares_by_time ON shares(shared_at, id);",
};
static_assert(std::size(kMigrations) == TShareRecord::kSchemaVersion);

// How long a statement waits for other runs that hold the database.
constexpr int kBusyTimeoutMs = 5000;
// SQLite's own wait, before the record's takes over (see RunWaiting).
constexpr int kSqliteWaitMs = 2;

// SQLite's "busy" and "locked": another connection holds what this one needs.
bool IsBusy(const QSqlError& Error) {
    const int code = Error.nativeErrorCode().toInt() & 0xFF;
    return code == 5 || code == 6;
}

// Runs `Exec` on `Query` until it is not refused for a busy database, or
// the time is up. SQLite's own wait backs off to 100 ms between tries: among
// many runs writing at once, one that has waited long keeps losing the lock
// to those that have just come, until it gives up. Here every waiting run
// tries as often, a little apart. Some steps (switching the log on while
// another run makes the file) are refused at once, without SQLite's wait at
// all; they are tried again in the same way.
template <class F>
bool RunWaiting(QSqlQuery& Query, F&& Exec) {
    const QDeadlineTimer deadline(kBusyTimeoutMs);
    while (!Exec()) {
        if (!IsBusy(Query.lastError()) || deadline.hasExpired()) return false;
        QThread::usleep(QRandomGenerator::global()->bounded(500, 2500));
    }
    return true;
}

bool Run(QSqlQuery& Query) {
    return RunWaiting(Query, [&] { return Query.exec(); });
}

bool Run(QSqlQuery& Query, const QString& Statement) {
    return RunWaiting(Query, [&] { return Query.exec(Statement); });
}

// The schema's version, or the error that kept it from being read.
std::variant<int, QSqlError> SchemaVersion(QSqlQuery& Query) {
    if (!Run(Query, QStringLiteral("PRAGMA user_version")) || !Query.next())
        return Query.lastError();
    const int version = Query.value(0).toInt();
    Query.finish();  // a statement still reading would keep a COMMIT from ending
    return version;
}

QString NewConnectionName() {
    static QAtomicInteger<quint64> counter;
    return QStringLiteral("velodrop-share-record-%1").arg(counter.fetchAndAddRelaxed(1));
}

// The file exists with mode 0600 before SQLite opens it: links and their
// servers are the user's business alone. SQLite gives its log files the
// database's mode.
bool MakePrivateFile(const QString& Path, QString& Error) {
    if (!QDir().mkpath(QFileInfo(Path).absolutePath())) {
        Error = QStringLiteral("cannot make the folder of ") + Path;
        return false;
    }
    const QByteArray path = QFile::encodeName(Path);
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0 || ::fchmod(fd, 0600) != 0) {
        Error = Path + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
        if (fd >= 0) ::close(fd);
        return false;
    }
    ::close(fd);
    return true;
}

// A QString that was never set binds as NULL; the columns hold text.
QString Text(const QString& Value) { return Value.isNull() ? QStringLiteral("") : Value; }

const char kColumns[] =
    "id, shared_at, transport, host, port, user, folder, remote_name, link, size, local_name,"
    " remove_at_exit, expires_at, state, run_pid, run_start, run_boot, run_pid_namespace,"
    " run_host, run_machine";

TShareRow RowFrom(const QSqlQuery& Query) {
    TShareRow row;
    row.Id = Query.value(0).toLongLong();
    row.SharedAt = Query.value(1).toLongLong();
    row.Transport = Query.value(2).toString();
    row.Host = Query.value(3).toString();
    row.Port = Query.value(4).toInt();
    row.User = Query.value(5).toString();
    row.Folder = Query.value(6).toString();
    row.RemoteName = Query.value(7).toString();
    row.Link = Query.value(8).toString();
    row.Size = Query.value(9).toLongLong();
    row.LocalName = Query.value(10).toString();
    row.RemoveAtExit = Query.value(11).toBool();
    if (!Query.value(12).isNull()) row.ExpiresAt = Query.value(12).toLongLong();
    // A state this version does not know (a newer one's) counts as still
    // on the server: nothing is forgotten for it.
    row.State = ShareStateNamed(Query.value(13).toString()).value_or(TShareState::Failed);
    row.Run.ProcessId = Query.value(14).toLongLong();
    row.Run.StartTicks = Query.value(15).toLongLong();
    // NULL in rows written before runs had a place: they stay unknown.
    row.Run.Place.BootId = Query.value(16).toString().toStdString();
    row.Run.Place.PidNamespace = Query.value(17).toULongLong();
    row.Run.Place.HostName = Query.value(18).toString().toStdString();
    row.Run.Place.MachineId = Query.value(19).toString().toStdString();
    return row;
}

}  // namespace

TShareRecord::TShareRecord() : FConnection(NewConnectionName()) {}

TShareRecord::~TShareRecord() {
    if (!QSqlDatabase::contains(FConnection)) return;
    QSqlDatabase::database(FConnection, false).close();
    QSqlDatabase::removeDatabase(FConnection);
}

bool TShareRecord::Fail(const QString& Why) {
    FError = Why;
    return false;
}

bool TShareRecord::IsOpen() const {
    return QSqlDatabase::contains(FConnection) &&
           QSqlDatabase::database(FConnection, false).isOpen();
}

bool TShareRecord::Open(const QString& Path) {
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE")))
        return Fail(QStringLiteral("Qt's SQLite driver is not installed"));
    if (!MakePrivateFile(Path, FError)) return false;
    QSqlDatabase db = QSqlDatabase::contains(FConnection)
                          ? QSqlDatabase::database(FConnection, false)
                          : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), FConnection);
    db.setDatabaseName(Path);
    // Another process writing: each statement waits for it (RunWaiting)
    // rather than lose the row.
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kSqliteWaitMs));
    if (!db.open()) return Fail(db.lastError().text());
    if (UseWriteAheadLog(Path) && Migrate()) return true;
    db.close();
    return false;
}

bool TShareRecord::UseWriteAheadLog(const QString& Path) {
    QSqlQuery query(QSqlDatabase::database(FConnection, false));
    if (Run(query, QStringLiteral("PRAGMA journal_mode=WAL")) && query.next() &&
        query.value(0).toString() == u"wal")
        return true;
    return Fail(Path + QStringLiteral(" is not a usable database: ") + query.lastError().text());
}

bool TShareRecord::Migrate() {
    QSqlDatabase db = QSqlDatabase::database(FConnection, false);
    QSqlQuery query(db);
    // Most runs find the schema as it should be, and leave the write lock
    // to those that write rows.
    const auto current = SchemaVersion(query);
    if (const QSqlError* error = std::get_if<QSqlError>(&current)) return Fail(error->text());
    if (std::get<int>(current) == kSchemaVersion) return true;
    // One writer at a time brings the schema up; the others then find it
    // done. The version is read again inside the write transaction, so no
    // other run can change it between reading and writing.
    if (!Run(query, QStringLiteral("BEGIN IMMEDIATE"))) return Fail(query.lastError().text());
    const auto rollback = [&](const QString& Why) {
        query.finish();
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        return Fail(Why);
    };
    const auto read = SchemaVersion(query);
    if (const QSqlError* error = std::get_if<QSqlError>(&read)) return rollback(error->text());
    const int version = std::get<int>(read);
    if (version > kSchemaVersion)
        return rollback(
            QStringLiteral("the record was made by a newer Velodrop (version %1)").arg(version));
    for (int step = version; step < kSchemaVersion; ++step) {
        for (const QString& statement :
             QString::fromLatin1(kMigrations[step]).split(u';', Qt::SkipEmptyParts)) {
            if (!query.exec(statement)) return rollback(query.lastError().text());
        }
    }
    if (!query.exec(QStringLiteral("PRAGMA user_version = %1").arg(kSchemaVersion)) ||
        !query.exec(QStringLiteral("COMMIT")))
        return rollback(query.lastError().text());
    return true;
}

std::optional<QSqlQuery> TShareRecord::Prepared(const QString& Statement) {
    if (!IsOpen()) {
        Fail(QStringLiteral("the record is not open"));
        return std::nullopt;
    }
    QSqlQuery query(QSqlDatabase::database(FConnection, false));
    // Rows are read once, in order: a query that could go back would keep
    // every row it has read in memory.
    query.setForwardOnly(true);
    if (!query.prepare(Statement)) {
        Fail(query.lastError().text());
        return std::nullopt;
    }
    return query;
}

std::optional<qint64> TShareRecord::Add(const TShareRow& Row) {
    std::optional<QSqlQuery> query = Prepared(QStringLiteral(
        "INSERT INTO shares (shared_at, transport, host, port, user, folder, remote_name, link,"
        " size, local_name, remove_at_exit, expires_at, state, run_pid, run_start, run_boot,"
        " run_pid_namespace, run_host, run_machine)"
        " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    if (!query) return std::nullopt;
    for (const QVariant& value : {
             QVariant(Row.SharedAt),
             QVariant(Text(Row.Transport)),
             QVariant(Text(Row.Host)),
             QVariant(Row.Port),
             QVariant(Text(Row.User)),
             QVariant(Text(Row.Folder)),
             QVariant(Text(Row.RemoteName)),
             QVariant(Text(Row.Link)),
             QVariant(Row.Size),
             QVariant(Text(Row.LocalName)),
             QVariant(Row.RemoveAtExit ? 1 : 0),
             Row.ExpiresAt ? QVariant(*Row.ExpiresAt) : QVariant(QMetaType::fromType<qint64>()),
             QVariant(ShareStateName(Row.State)),
             QVariant(qint64{Row.Run.ProcessId}),
             QVariant(qint64{Row.Run.StartTicks}),
             QVariant(QString::fromStdString(Row.Run.Place.BootId)),
             QVariant(qint64(Row.Run.Place.PidNamespace)),
             QVariant(QString::fromStdString(Row.Run.Place.HostName)),
             QVariant(QString::fromStdString(Row.Run.Place.MachineId)),
         })
        query->addBindValue(value);
    if (!Run(*query)) {
        Fail(query->lastError().text());
        return std::nullopt;
    }
    return query->lastInsertId().toLongLong();
}

bool TShareRecord::UpdateOne(std::optional<QSqlQuery>& Query, qint64 Id) {
    if (!Query) return false;
    Query->addBindValue(Id);
    if (!Run(*Query)) return Fail(Query->lastError().text());
    if (Query->numRowsAffected() != 1)
        return Fail(QStringLiteral("no share %1 in the record").arg(Id));
    return true;
}

bool TShareRecord::SetState(qint64 Id, TShareState State, qint64 Size) {
    std::optional<QSqlQuery> query = Prepared(QStringLiteral(
        "UPDATE shares SET state = ?, size = CASE WHEN ? < 0 THEN size ELSE ? END WHERE id = ?"));
    if (query) {
        query->addBindValue(ShareStateName(State));
        query->addBindValue(Size);
        query->addBindValue(Size);
    }
    return UpdateOne(query, Id);
}

bool TShareRecord::SetRemoveAtExit(qint64 Id, bool Remove) {
    std::optional<QSqlQuery> query =
        Prepared(QStringLiteral("UPDATE shares SET remove_at_exit = ? WHERE id = ?"));
    if (query) query->addBindValue(Remove ? 1 : 0);
    return UpdateOne(query, Id);
}

bool TShareRecord::EachRow(std::optional<QSqlQuery>& Query,
                           const std::function<bool(const TShareRow&)>& Visit) {
    if (!Query) return false;
    if (!Run(*Query)) return Fail(Query->lastError().text());
    while (Query->next()) {
        if (!Visit(RowFrom(*Query))) return true;
    }
    // The end of the rows, or a read that failed on the way.
    if (Query->lastError().isValid()) return Fail(Query->lastError().text());
    return true;
}

std::optional<std::vector<TShareRow>> TShareRecord::Rows(std::optional<QSqlQuery>& Query) {
    std::vector<TShareRow> rows;
    const bool read = EachRow(Query, [&rows](const TShareRow& Row) {
        rows.push_back(Row);
        return true;
    });
    if (!read) return std::nullopt;
    return rows;
}

std::optional<std::vector<TShareRow>> TShareRecord::Recent(int Limit) {
    std::optional<QSqlQuery> query =
        Prepared(QStringLiteral("SELECT %1 FROM shares ORDER BY shared_at DESC, id DESC LIMIT ?")
                     .arg(QLatin1String(kColumns)));
    if (query) query->addBindValue(Limit);
    return Rows(query);
}

bool TShareRecord::EachShare(const std::function<bool(const TShareRow&)>& Visit) {
    std::optional<QSqlQuery> query =
        Prepared(QStringLiteral("SELECT %1 FROM shares ORDER BY shared_at DESC, id DESC")
                     .arg(QLatin1String(kColumns)));
    return EachRow(query, Visit);
}

std::optional<std::optional<TShareRow>> TShareRecord::WithLink(const QString& Link) {
    std::optional<QSqlQuery> query =
        Prepared(QStringLiteral("SELECT %1 FROM shares WHERE link = ? ORDER BY id DESC LIMIT 1")
                     .arg(QLatin1String(kColumns)));
    if (query) query->addBindValue(Link);
    const auto rows = Rows(query);
    if (!rows) return std::nullopt;
    if (rows->empty()) return std::optional<TShareRow>();
    return std::optional<TShareRow>(rows->front());
}

std::optional<std::vector<TShareRow>> TShareRecord::MaybeDue(qint64 Now) {
    // Three questions, each answered from an index: with thousands of
    // shares kept or deleted, a start with nothing due reads none of them.
    // The planner would rather scan the state index (thousands of shares
    // still up), so the indexes are named; each question on a partial index
    // repeats its condition word for word, which is how SQLite lets it be
    // used. Uploads that failed or have not ended are few: the state index
    // finds them.
    std::optional<QSqlQuery> query =
        Prepared(QStringLiteral("SELECT %1 FROM shares INDEXED BY shares_to_remove_at_exit"
                                " WHERE remove_at_exit = 1 AND state IN ('uploading', 'up')"
                                " UNION "
                                "SELECT %1 FROM shares INDEXED BY shares_on_server_by_expiry"
                                " WHERE expires_at <= ? AND state IN ('uploading', 'up')"
                                " UNION "
                                "SELECT %1 FROM shares INDEXED BY shares_by_state"
                                " WHERE state IN ('failed', 'uploading')"
                                " ORDER BY id")
                     .arg(QLatin1String(kColumns)));
    if (query) query->addBindValue(Now);
    return Rows(query);
}

}  // namespace vd::app
