#include "app/settings/SettingsFile.h"

#include <QFileInfo>
#include <algorithm>
#include <utility>
#include <vector>

#include "app/core/IntegerRule.h"
#include "app/core/TextRules.h"
#include "app/settings/PasswordScrambler.h"
#include "platform/ProfileFile.h"
#include "platform/SecretMemory.h"
#include "platform/SpecialFolders.h"
#include "platform/UserName.h"

namespace vd::app {
namespace {

QString SectionFor(const QString& Section) {
    const QString user = QString::fromStdString(platform::UserName());
    if (Section.isEmpty()) return user;
    if (Section.startsWith(u'&')) return user + Section.mid(1);
    return Section;
}

QString BufferText(const TIniValueBuffer& Buffer) {
    const auto end = std::find(Buffer.begin(), Buffer.end(), u'\0');
    return QString::fromUtf16(Buffer.data(), end - Buffer.begin());
}

bool IsExactlyOne(const QString& V) { return V == u"1"; }

QString Flag(bool B) { return B ? QStringLiteral("1") : QStringLiteral("0"); }

}  // namespace

EIniFileException::EIniFileException(const QString& FileName)
    : std::runtime_error(
          QStringLiteral("In %1 kann nicht geschrieben werden").arg(FileName).toStdString()) {}

bool ReadIniValue(TIniValueBuffer& Buffer, const QString& FileName, const QString& Section,
                  const QString& Key) {
    std::string path = FileName.toStdString();
    if (!platform::FileExists(path)) {
        path = platform::FileNamePart(path);
        if (!platform::FileExists(path)) return false;
    }
    const QString value = QString::fromStdString(platform::GetPrivateProfileString(
        SectionFor(Section).toStdString(), Key.toStdString(), "", path));
    const auto length = std::min<qsizetype>(value.size(), Buffer.size() - 1);
    std::copy_n(value.utf16(), length, Buffer.begin());
    Buffer[length] = u'\0';
    return !value.isEmpty();
}

QString ReadSetting(const QString& FileName, const QString& Section, const QString& Key) {
    QString text;
    QString name = Key;
    for (int i = 1;; ++i) {
        TIniValueBuffer buffer{};
        ReadIniValue(buffer, FileName, Section, name);
        const QString v = BufferText(buffer);
        if (v.isEmpty()) break;
        text += u' ' + v;
        name = Key + u'_' + QString::number(i);
    }
    return TrimControl(text);
}

namespace {

TPasswordPlace PasswordPlaceNamed(const QString& Name) {
    if (Name == u"keyring") return TPasswordPlace::Keyring;
    if (Name == u"file") return TPasswordPlace::File;
    return TPasswordPlace::Unset;
}

QString PasswordPlaceName(TPasswordPlace Place) {
    switch (Place) {
        case TPasswordPlace::Keyring:
            return QStringLiteral("keyring");
        case TPasswordPlace::File:
            return QStringLiteral("file");
        case TPasswordPlace::Unset:
            break;
    }
    return {};
}

// The password as the file keeps it: nothing when the keyring holds it.
QString StoredPassword(const TSettings& S) {
    return S.PasswordPlace == TPasswordPlace::Keyring
               ? QString()
               : EncodePassword(S.Password, kPasswordStartKey);
}

void WriteKeys(const QString& FileName, const char* Section,
               const std::vector<std::pair<const char*, QString>>& Keys,
               const TProfileWriter& Writer) {
    const std::string path = FileName.toStdString();
    for (const auto& [key, value] : Keys) {
        if (!Writer(Section, key, value.toStdString(), path)) throw EIniFileException(FileName);
    }
}

}  // namespace

TSettings ReadSettingsFile(const QString& FileName) {
    auto read = [&](const char* section, const char* key) {
        return ReadSetting(FileName, QString::fromLatin1(section), QString::fromLatin1(key));
    };
    TSettings s;
    s.Host = read("FTP", "Host");
    s.Port = static_cast<std::uint16_t>(IntegerOrDefault(read("FTP", "Port"), 21));
    s.Username = read("FTP", "Username");
    // The file holds the password, or says that the keyring does: from here
    // on the process holds one.
    platform::KeepSecretsOutOfCoreDumps();
    s.Password = DecodePassword(read("FTP", "Password"), kPasswordStartKey);
    s.Directory = read("FTP", "Directory");
    s.BaseURL = read("FTP", "BaseURL");
    s.UseTLS = IsExactlyOne(read("FTP", "UseTLS"));
    s.PasswordPlace = PasswordPlaceNamed(read("FTP", "PasswordStore"));
    s.Timeout = IntegerOrDefault(read("Common", "Timeout"), 0);
    s.ResizeJPGImages = AbsoluteValue(IntegerOrDefault(read("Common", "ResizeJPGImages"), 0));
    s.RemoveFileAtExit = IsExactlyOne(read("Common", "RemoveFileAtExit"));
    s.CopyLinkToClipboard = IsExactlyOne(read("Common", "CopyLinkToClipboard"));
    // Below 1 keeps shares: a mistyped value never deletes anything.
    s.DeleteAfterDays = std::max(0, IntegerOrDefault(read("Common", "DeleteAfterDays"), 0));
    s.Log = IsExactlyOne(read("Common", "Log"));
    s.AutoLanguage = read("Common", "AutoLanguage") != u"0";
    return s;
}

TProfileWriter DefaultProfileWriter() {
    return [](const std::string& Section, const std::string& Key, const std::string& Value,
              const std::string& Path) {
        return platform::WritePrivateProfileString(Section, Key, Value, Path);
    };
}

void WriteSettingsFile(const QString& FileName, const TSettings& S, const TProfileWriter& Writer) {
    platform::ForceDirectories(QFileInfo(FileName).path().toStdString());
    const std::vector<std::pair<const char*, QString>> ftp = {
        {"Host", S.Host},           {"Port", QString::number(S.Port)},
        {"Username", S.Username},   {"Password", StoredPassword(S)},
        {"Directory", S.Directory}, {"BaseURL", S.BaseURL},
        {"UseTLS", Flag(S.UseTLS)},
    };
    const std::vector<std::pair<const char*, QString>> common = {
        {"Timeout", QString::number(S.Timeout)},
        {"RemoveFileAtExit", Flag(S.RemoveFileAtExit)},
        {"CopyLinkToClipboard", Flag(S.CopyLinkToClipboard)},
        {"ResizeJPGImages", QString::number(S.ResizeJPGImages)},
        {"DeleteAfterDays", QString::number(S.DeleteAfterDays)},
    };
    // Only a file that says where its password is gets the key.
    const bool placeKey =
        S.PasswordPlace != TPasswordPlace::Unset ||
        !ReadSetting(FileName, QStringLiteral("FTP"), QStringLiteral("PasswordStore")).isEmpty();
    const std::vector<std::pair<const char*, QString>> place = {
        {"PasswordStore", PasswordPlaceName(S.PasswordPlace)}};
    // Stopped half-way, a file must never be left with neither: the place
    // goes first when the password leaves the file, last when it comes back.
    const bool placeFirst = S.PasswordPlace == TPasswordPlace::Keyring;
    if (placeKey && placeFirst) WriteKeys(FileName, "FTP", place, Writer);
    WriteKeys(FileName, "FTP", ftp, Writer);
    if (placeKey && !placeFirst) WriteKeys(FileName, "FTP", place, Writer);
    WriteKeys(FileName, "Common", common, Writer);
}

void WritePasswordKeys(const QString& FileName, const TSettings& S, const TProfileWriter& Writer) {
    const std::pair<const char*, QString> place{"PasswordStore",
                                                PasswordPlaceName(S.PasswordPlace)};
    const std::pair<const char*, QString> password{"Password", StoredPassword(S)};
    // As above: never a file with neither the password nor where it is.
    if (S.PasswordPlace == TPasswordPlace::Keyring)
        WriteKeys(FileName, "FTP", {place, password}, Writer);
    else
        WriteKeys(FileName, "FTP", {password, place}, Writer);
}

}  // namespace vd::app
