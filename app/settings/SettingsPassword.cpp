#include "app/settings/SettingsPassword.h"

#include <QFileInfo>

#include "app/core/ServerAccount.h"
#include "app/settings/SettingsFile.h"

namespace vd::app {
namespace {

// Moving a password over is a courtesy at start: a keyring that does not
// answer at once must not hold every start up.
constexpr std::chrono::seconds kMoveLimit{5};

}  // namespace

QString KeyringAccount(const QString& FileName, const TSettings& Settings) {
    const TServerAccount account = ServerAccountOf(Settings);
    return QFileInfo(FileName).fileName() + u' ' + account.Username + u'@' + account.Server();
}

QString LoadPassword(const QString& FileName, TSettings& Settings, const TKeyring& Keyring,
                     TLanguage Language) {
    if (Settings.PasswordPlace != TPasswordPlace::Keyring) return {};
    const TKeyringResult found = Keyring.Read(KeyringAccount(FileName, Settings));
    if (found.Status == TKeyringStatus::Done) {
        Settings.Password = found.Password;
        return {};
    }
    // The file's own password, where one is left, stands in.
    if (!Settings.Password.isEmpty()) return {};
    switch (found.Status) {
        case TKeyringStatus::NotFound:
            return Text(Language, TText::KeyringGaveNoPassword);
        case TKeyringStatus::TimedOut:
        case TKeyringStatus::Unavailable:
        case TKeyringStatus::Done:
            break;
    }
    return Text(Language, TText::KeyringUnreachable).arg(found.Why);
}

void MovePasswordToKeyring(const QString& FileName, TSettings& Settings, const TKeyring& Keyring) {
    if (Settings.PasswordPlace != TPasswordPlace::Unset || Settings.Password.isEmpty()) return;
    const TKeyring quick(std::min<std::chrono::milliseconds>(kMoveLimit, Keyring.Limit()));
    if (quick.Write(KeyringAccount(FileName, Settings), Settings.Password).Status !=
        TKeyringStatus::Done)
        return;
    Settings.PasswordPlace = TPasswordPlace::Keyring;
    try {
        WritePasswordKeys(FileName, Settings);
    } catch (const EIniFileException&) {
        // The file keeps its password and says nothing of the keyring: it
        // works as before, and the next start tries again.
        Settings.PasswordPlace = TPasswordPlace::Unset;
    }
}

QString StorePassword(const QString& FileName, TSettings& Settings, const QString& OldAccount,
                      const TKeyring& Keyring, TLanguage Language) {
    const QString account = KeyringAccount(FileName, Settings);
    QString notice;
    if (Settings.Password.isEmpty()) {
        // Nothing to keep: an empty password is no secret.
        Settings.PasswordPlace = TPasswordPlace::Unset;
    } else if (const TKeyringResult stored = Keyring.Write(account, Settings.Password);
               stored.Status == TKeyringStatus::Done) {
        Settings.PasswordPlace = TPasswordPlace::Keyring;
    } else {
        // Told once: the file says so from now on.
        if (Settings.PasswordPlace != TPasswordPlace::File)
            notice = Text(Language, TText::NoKeyringFound).arg(stored.Why);
        Settings.PasswordPlace = TPasswordPlace::File;
    }
    if (!OldAccount.isEmpty() &&
        (OldAccount != account || Settings.PasswordPlace != TPasswordPlace::Keyring))
        Keyring.Remove(OldAccount);
    return notice;
}

}  // namespace vd::app
