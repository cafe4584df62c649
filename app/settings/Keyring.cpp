#include "app/settings/Keyring.h"

#include <qt6keychain/keychain.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <cstdlib>

namespace vd::app {
namespace {

const QString kService = QStringLiteral("Velodrop");

// Starts `Job` and waits for its end or the limit. A job that outlives the
// wait deletes itself whenever it ends, and its answer is not heard any
// more; one that never ends goes with the application.
TKeyringResult Run(QKeychain::Job* Job, const QString& Account, std::chrono::milliseconds Limit) {
    Job->setParent(QCoreApplication::instance());
    Job->setAutoDelete(true);
    Job->setKey(Account);
    TKeyringResult result;
    result.Status = TKeyringStatus::TimedOut;
    result.Why = QStringLiteral("the keyring did not answer within %1 s")
                     .arg(std::chrono::duration_cast<std::chrono::seconds>(Limit).count());
    QEventLoop loop;
    // The loop is the connection's context: once it is gone, a late answer
    // reaches nothing.
    QObject::connect(Job, &QKeychain::Job::finished, &loop, [&](QKeychain::Job* Done) {
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
    Job->start();
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

TKeyringResult TKeyring::Read(const QString& Account) const {
    return Run(new QKeychain::ReadPasswordJob(kService), Account, FLimit);
}

TKeyringResult TKeyring::Write(const QString& Account, const QString& Password) const {
    auto* job = new QKeychain::WritePasswordJob(kService);
    job->setTextData(Password);
    return Run(job, Account, FLimit);
}

TKeyringResult TKeyring::Remove(const QString& Account) const {
    return Run(new QKeychain::DeletePasswordJob(kService), Account, FLimit);
}

}  // namespace vd::app
