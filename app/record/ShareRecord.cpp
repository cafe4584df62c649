#include "app/record/ShareRecord.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAtomicInteger>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <cerrno>
#include <cstring>
#include <iterator>

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
};
static_assert(std::size(kMigrations) == TShareRecord::kSchemaVersion);

// Written as text, so that the file reads plainly in the sqlite3 shell.
constexpr const char* kStateNames[] = {"uploading", "up", "failed", "deleted", "delete failed"};

QString StateName(TShareState State) { return QString::fromLatin1(kStateNames[int(State)]); }

std::optional<TShareState> StateNamed(const QString& Name) {
    for (std::size_t i = 0; i < std::size(kStateNames); ++i)
        if (Name == QLatin1String(kStateNames[i])) return TShareState(i);
    return std::nullopt;
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

const char kColumns[] =
    "id, shared_at, transport, host, port, user, folder, remote_name, link, size, local_name,"
    " remove_at_exit, expires_at, state, run_pid, run_start";

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
    row.State = StateNamed(Query.value(13).toString()).value_or(TShareState::Failed);
    row.Run = {Query.value(14).toLongLong(), Query.value(15).toLongLong()};
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
    // Another process writing: wait for it rather than lose the row.
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    if (!db.open()) return Fail(db.lastError().text());
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("PRAGMA journal_mode=WAL")) || !query.next() ||
        query.value(0).toString() != u"wal") {
        const QString why =
            Path + QStringLiteral(" is not a usable database: ") + query.lastError().text();
        db.close();
        return Fail(why);
    }
    query.finish();
    if (!Migrate()) {
        db.close();
        return false;
    }
    return true;
}

bool TShareRecord::Migrate() {
    QSqlDatabase db = QSqlDatabase::database(FConnection, false);
    QSqlQuery query(db);
    // One writer at a time brings the schema up; the others then find it done.
    if (!query.exec(QStringLiteral("BEGIN IMMEDIATE"))) return Fail(query.lastError().text());
    const auto rollback = [&](const QString& Why) {
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        return Fail(Why);
    };
    if (!query.exec(QStringLiteral("PRAGMA user_version")) || !query.next())
        return rollback(query.lastError().text());
    const int version = query.value(0).toInt();
    query.finish();  // a statement still reading would keep the COMMIT from ending
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

std::optional<qint64> TShareRecord::Add(const TShareRow& Row) {
    if (!IsOpen()) {
        Fail(QStringLiteral("the record is not open"));
        return std::nullopt;
    }
    QSqlQuery query(QSqlDatabase::database(FConnection, false));
    query.prepare(QStringLiteral(
        "INSERT INTO shares (shared_at, transport, host, port, user, folder, remote_name, link,"
        " size, local_name, remove_at_exit, expires_at, state, run_pid, run_start)"
        " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    query.addBindValue(Row.SharedAt);
    query.addBindValue(Row.Transport);
    query.addBindValue(Row.Host);
    query.addBindValue(Row.Port);
    query.addBindValue(Row.User);
    query.addBindValue(Row.Folder);
    query.addBindValue(Row.RemoteName);
    query.addBindValue(Row.Link);
    query.addBindValue(Row.Size);
    query.addBindValue(Row.LocalName);
    query.addBindValue(Row.RemoveAtExit ? 1 : 0);
    query.addBindValue(Row.ExpiresAt ? QVariant(*Row.ExpiresAt)
                                     : QVariant(QMetaType::fromType<qint64>()));
    query.addBindValue(StateName(Row.State));
    query.addBindValue(Row.Run.ProcessId);
    query.addBindValue(Row.Run.StartTicks);
    if (!query.exec()) {
        Fail(query.lastError().text());
        return std::nullopt;
    }
    return query.lastInsertId().toLongLong();
}

bool TShareRecord::SetState(qint64 Id, TShareState State, qint64 Size) {
    if (!IsOpen()) return Fail(QStringLiteral("the record is not open"));
    QSqlQuery query(QSqlDatabase::database(FConnection, false));
    query.prepare(QStringLiteral(
        "UPDATE shares SET state = ?, size = CASE WHEN ? < 0 THEN size ELSE ? END WHERE id = ?"));
    query.addBindValue(StateName(State));
    query.addBindValue(Size);
    query.addBindValue(Size);
    query.addBindValue(Id);
    if (!query.exec()) return Fail(query.lastError().text());
    if (query.numRowsAffected() != 1)
        return Fail(QStringLiteral("no share %1 in the record").arg(Id));
    return true;
}

std::optional<std::vector<TShareRow>> TShareRecord::Recent(int Limit) {
    if (!IsOpen()) {
        Fail(QStringLiteral("the record is not open"));
        return std::nullopt;
    }
    QSqlQuery query(QSqlDatabase::database(FConnection, false));
    query.prepare(QStringLiteral("SELECT %1 FROM shares ORDER BY shared_at DESC, id DESC LIMIT ?")
                      .arg(QLatin1String(kColumns)));
    query.addBindValue(Limit);
    if (!query.exec()) {
        Fail(query.lastError().text());
        return std::nullopt;
    }
    std::vector<TShareRow> rows;
    while (query.next()) rows.push_back(RowFrom(query));
    return rows;
}

std::optional<std::vector<TShareRow>> TShareRecord::OnServers() {
    if (!IsOpen()) {
        Fail(QStringLiteral("the record is not open"));
        return std::nullopt;
    }
    QSqlQuery query(QSqlDatabase::database(FConnection, false));
    if (!query.exec(QStringLiteral("SELECT %1 FROM shares WHERE state IN ('uploading', 'up',"
                                   " 'failed', 'delete failed') ORDER BY id")
                        .arg(QLatin1String(kColumns)))) {
        Fail(query.lastError().text());
        return std::nullopt;
    }
    std::vector<TShareRow> rows;
    while (query.next()) rows.push_back(RowFrom(query));
    return rows;
}

namespace {

// Field 22 of /proc/PID/stat, after the command name in parentheses (which
// may itself hold blanks and parentheses).
std::optional<qint64> StartTicksOf(qint64 ProcessId) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(ProcessId));
    if (!stat.open(QIODevice::ReadOnly)) return std::nullopt;
    const QByteArray text = stat.readAll();
    const qsizetype end = text.lastIndexOf(')');
    if (end < 0) return std::nullopt;
    const QList<QByteArray> fields = text.mid(end + 2).split(' ');
    // Fields from the state (3rd) on: the start time is the 22nd.
    if (fields.size() < 20) return std::nullopt;
    bool ok = false;
    const qint64 ticks = fields[19].toLongLong(&ok);
    return ok ? std::optional<qint64>(ticks) : std::nullopt;
}

}  // namespace

TRunIdentity CurrentRun() {
    const qint64 pid = ::getpid();
    return {pid, StartTicksOf(pid).value_or(0)};
}

bool RunIsAlive(const TRunIdentity& Run) {
    const auto ticks = StartTicksOf(Run.ProcessId);
    return ticks && *ticks == Run.StartTicks;
}

}  // namespace vd::app
