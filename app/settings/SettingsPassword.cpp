#include "app/settings/SettingsPassword.h"

#include <QFileInfo>

#include "app/core/ServerAccount.h"
#include "app/settings/SettingsFile.h"
#include "platform/SecretMemory.h"

namespace vd::app {
namespace {

// Moving a password over is a courtesy at start: a keyring that does not
// answer at once must not hold every start up.
constexpr std::chrono::seconds kMoveLimit{5};

QString AccountText(const TSettings& Settings) {
    const TServerAccount account = ServerAccountOf(Settings);
    return account.Username + u'@' + account.Server();
}

// The entry of an earlier version, when this file's own has none. Copied,
// not moved: another settings file of the same name (another configuration
// folder) may still need it.
TKeyringResult ReadEarlierEntry(const QString& FileName, const TSettings& Settings,
                                const TKeyring& Keyring) {
    TKeyringResult earlier = Keyring.Read(EarlierKeyringEntry(FileName, Settings));
    if (earlier.Status == TKeyringStatus::Done)
        Keyring.Write(KeyringEntry(FileName, Settings), earlier.Password);
    return earlier;
}

}  // namespace

QString KeyringLabel(const TSettings& Settings) {
    return QStringLiteral("Velodrop ") + AccountText(Settings);
}

TKeyringEntry KeyringEntry(const QString& FileName, const TSettings& Settings) {
    return {KeyringLabel(Settings), QFileInfo(FileName).absoluteFilePath()};
}

TKeyringEntry EarlierKeyringEntry(const QString& FileName, const TSettings& Settings) {
    return {QStringLiteral("Velodrop"),
            QFileInfo(FileName).fileName() + u' ' + AccountText(Settings)};
}

QString LoadPassword(const QString& FileName, TSettings& Settings, const TKeyring& Keyring,
                     TLanguage Language) {
    if (Settings.PasswordPlace != TPasswordPlace::Keyring) return {};
    TKeyringResult found = Keyring.Read(KeyringEntry(FileName, Settings));
    if (found.Status == TKeyringStatus::NotFound)
        found = ReadEarlierEntry(FileName, Settings, Keyring);
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
    // Another instance (the window beside a share in the terminal) may have
    // saved a new password since this one read the file: what this one holds
    // would overwrite it in the keyring.
    const TSettings now = ReadSettingsFile(FileName);
    if (now.PasswordPlace != TPasswordPlace::Unset || now.Password != Settings.Password ||
        KeyringEntry(FileName, now) != KeyringEntry(FileName, Settings))
        return;
    const TKeyring quick(std::min<std::chrono::milliseconds>(kMoveLimit, Keyring.Limit()));
    if (quick.Write(KeyringEntry(FileName, Settings), Settings.Password).Status !=
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

QString StorePassword(const QString& FileName, TSettings& Settings, const QString& OldLabel,
                      const TKeyring& Keyring, TLanguage Language) {
    // The password just entered is in this process now.
    platform::KeepSecretsOutOfCoreDumps();
    const TKeyringEntry entry = KeyringEntry(FileName, Settings);
    QString notice;
    if (Settings.Password.isEmpty()) {
        // Nothing to keep: an empty password is no secret.
        Settings.PasswordPlace = TPasswordPlace::Unset;
    } else if (const TKeyringResult stored = Keyring.Write(entry, Settings.Password);
               stored.Status == TKeyringStatus::Done) {
        Settings.PasswordPlace = TPasswordPlace::Keyring;
    } else {
        // Told once: the file says so from now on.
        if (Settings.PasswordPlace != TPasswordPlace::File)
            notice = Text(Language, TText::NoKeyringFound).arg(stored.Why);
        Settings.PasswordPlace = TPasswordPlace::File;
    }
    if (!OldLabel.isEmpty() &&
        (OldLabel != entry.Label || Settings.PasswordPlace != TPasswordPlace::Keyring))
        Keyring.Remove({OldLabel, entry.Key});
    return notice;
}

}  // namespace vd::app
