#include "app/settings/Keyring.h"

#include <qt6keychain/keychain.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>
#include <cstdlib>
#include <memory>

#include "platform/SecretMemory.h"

namespace vd::app {
namespace {

// Why no keyring can answer, when the session has no D-Bus to reach one
// on: no bus address, no bus at its usual place in the runtime folder, and
// no X11 display to start one for. Asking would load libsecret and GLib's
// D-Bus stack (megabytes) only to learn that, in every share run over SSH
// or from a timer.
QString MissingSessionBus() {
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) return {};
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/bus"))) return {};
    if (!qEnvironmentVariableIsEmpty("DISPLAY")) return {};
    return QStringLiteral("no D-Bus session bus: DBUS_SESSION_BUS_ADDRESS is not set");
}

// Starts `Job` and waits for its end or the limit. A job that outlives the
// wait deletes itself whenever it ends, and its answer is not heard any
// more; one that never ends goes with the application.
TKeyringResult Run(std::unique_ptr<QKeychain::Job> Job, const QString& Key,
                   std::chrono::milliseconds Limit) {
    TKeyringResult result;
    if (result.Why = MissingSessionBus(); !result.Why.isEmpty()) return result;
    QKeychain::Job* running = Job.release();
    running->setParent(QCoreApplication::instance());
    running->setAutoDelete(true);
    running->setKey(Key);
    result.Status = TKeyringStatus::TimedOut;
    result.Why = QStringLiteral("the keyring did not answer within %1 s")
                     .arg(std::chrono::duration_cast<std::chrono::seconds>(Limit).count());
    QEventLoop loop;
    // The loop is the connection's context: once it is gone, a late answer
    // reaches nothing.
    QObject::connect(running, &QKeychain::Job::finished, &loop, [&](QKeychain::Job* Done) {
        switch (Done->error()) {
            case QKeychain::NoError:
                result.Status = TKeyringStatus::Done;
                if (auto* read = qobject_cast<QKeychain::ReadPasswordJob*>(Done))
                    result.Password = read->textData();
                break;
            case QKeychain::EntryNotFound:
                result.Status = TKeyringStatus::NotFound;
                break;
            default:
                result.Status = TKeyringStatus::Unavailable;
                break;
        }
        result.Why = Done->errorString();
        loop.quit();
    });
    QTimer::singleShot(Limit, &loop, &QEventLoop::quit);
    running->start();
    loop.exec();
    return result;
}

}  // namespace

std::chrono::milliseconds TKeyring::DefaultLimit() {
#ifdef VELODROP_TEST_HOOKS
    // Tests of a keyring that never answers run the real program with a
    // shorter limit.
    if (const char* seconds = std::getenv("VELODROP_TEST_KEYRING_TIMEOUT_SECONDS"))
        return std::chrono::seconds(std::atoi(seconds));
#endif
    return std::chrono::seconds(60);
}

// QtKeychain's "service" is what keyrings show as the entry's name.
TKeyringResult TKeyring::Read(const TKeyringEntry& Entry) const {
    // The answer brings a password into the process: no core file may keep it.
    platform::KeepSecretsOutOfCoreDumps();
    return Run(std::make_unique<QKeychain::ReadPasswordJob>(Entry.Label), Entry.Key, FLimit);
}

TKeyringResult TKeyring::Write(const TKeyringEntry& Entry, const QString& Password) const {
    auto job = std::make_unique<QKeychain::WritePasswordJob>(Entry.Label);
    job->setTextData(Password);
    return Run(std::move(job), Entry.Key, FLimit);
}

TKeyringResult TKeyring::Remove(const TKeyringEntry& Entry) const {
    return Run(std::make_unique<QKeychain::DeletePasswordJob>(Entry.Label), Entry.Key, FLimit);
}

}  // namespace vd::app
