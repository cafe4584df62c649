#pragma once
// Where the password of a settings file is kept: the desktop's keyring
// first, the file (scrambled, as always) where no keyring answers. A file
// that holds a password is still read; once a keyring answers, the password
// moves there and the file keeps an empty "Password=" with
// "PasswordStore=keyring" beside it.

#include <QString>

#include "app/core/Language.h"
#include "app/core/Settings.h"
#include "app/settings/Keyring.h"

namespace vd::app {

/// The keyring's entry for the password of `Settings` in the settings file
/// `FileName`: labelled "Velodrop user@host:port", so that the user sees
/// which server it is for and two servers never share one, and keyed by the
/// file's full path, so that two settings files never share one either.
TKeyringEntry KeyringEntry(const QString& FileName, const TSettings& Settings);

/// The label of that entry, which names the server: the entry of a file is
/// its label and the file's path.
QString KeyringLabel(const TSettings& Settings);

/// Where earlier versions kept the password: one entry labelled "Velodrop"
/// per file name (not path) and server. Still read, so that nobody loses a
/// password with an update.
TKeyringEntry EarlierKeyringEntry(const QString& FileName, const TSettings& Settings);

/// After the file was read: the password from the keyring when the file
/// says it is there. Answers why the password is not at hand (in
/// `Language`), or empty text. When the keyring does not give it, a
/// password still in the file stands in for it. A password found only in
/// the entry of an earlier version is copied into this file's own.
QString LoadPassword(const QString& FileName, TSettings& Settings, const TKeyring& Keyring,
                     TLanguage Language);

/// A password the file still holds goes into the keyring when one answers;
/// the file then keeps none. Quiet when no keyring answers: the file works
/// as before. The file is read again first: when another instance has
/// saved other settings since this one read them, its password is the newer
/// one and stays.
void MovePasswordToKeyring(const QString& FileName, TSettings& Settings, const TKeyring& Keyring);

/// Before the settings are written: the password into the keyring, and
/// `Settings.PasswordPlace` set to where it went. The entry labelled
/// `OldLabel` (of the server the file named before) goes when it is
/// another. Answers what the user must be told once: that no keyring was
/// found, or empty text.
QString StorePassword(const QString& FileName, TSettings& Settings, const QString& OldLabel,
                      const TKeyring& Keyring, TLanguage Language);

}  // namespace vd::app
