#include "app/core/Language.h"

#include <array>
#include <iterator>

#include "platform/LocaleInfo.h"

namespace vd::app {
namespace {

struct TTextRow {
    const char16_t* Id;
    std::array<const char16_t*, kLanguageCount> Texts;  // by TLanguage; u"": English stays
};

// clang-format off
constexpr TTextRow kTexts[] = {
    // main window
    {u"BtnSettings",     {u"&Settings...", u"&Einstellungen..."}},
    {u"BtnCancel",       {u"E&xit", u""}},
    {u"DropHint",        {u"Drop file here", u"Datei hierher ziehen und loslassen"}},
    {u"NotExistingText", {u" not existing", u" nicht vorhanden"}},
    {u"QRCodeTooLong",   {u"The link is too long for a QR code.",
                          u"Der Link ist zu lang für einen QR-Code."}},
    // settings dialog
    {u"VelodropSettings",      {u"Velodrop Settings", u"Velodrop-Einstellungen"}},
    {u"OKButton",              {u"&OK", u""}},
    {u"CancelButton",          {u"&Cancel", u"&Abbruch"}},
    {u"GroupBox1",             {u"FTP", u""}},
    {u"HostLabel",             {u"Host:", u"Server:"}},
    {u"HostInputHint",         {u"The FTP server's name. For SFTP write sftp://name; the port "
                                u"is then the SSH port (21 means 22).",
                                u"Name des FTP-Servers. Für SFTP schreiben Sie sftp://name; der "
                                u"Port ist dann der SSH-Port (21 bedeutet 22)."}},
    {u"PortLabel",             {u"Port:", u""}},
    {u"useTLSCheckBox",        {u"Use TLS (needs OpenSSL 3)",
                                u"TLS benutzen (benötigt OpenSSL 3)"}},
    {u"UsernameLabel",         {u"Username:", u"Benutzername:"}},
    {u"PasswordLabel",         {u"Password:", u"Kennwort:"}},
    {u"HostdirectoryLabel",    {u"Host directory:", u"Serververzeichnis:"}},
    {u"ExtraDirButton",        {u"E&xtra Directory", u"E&xtra Ordner"}},
    {u"GroupBox2",             {u"Common", u"Allgemein"}},
    {u"basurlLabel",           {u"Link base:", u"Linkbasis:"}},
    {u"AutoclosetimeoutLabel", {u"Auto close:", u"Autom. beenden:"}},
    {u"Label3",                {u"Timeout in seconds (0=no auto close)",
                                u"Verzögerung in Sekunden (0=nicht automatisch beenden)"}},
    {u"resizeJPGLabel",        {u"Resize JPG Images:", u"Größe JPG Bilder:"}},
    {u"percentLabel",          {u"Percent (0=no change)", u"Prozent (0=keine Änderung)"}},
    {u"CopyLinkToClipboardCheckBox", {u"Copy link to Clipboard",
                                      u"Kopiere Link in die Zwischenablage"}},
    {u"RemoveFileAtExitCheckBox",    {u"At exit remove uploaded files on FTP host",
                                      u"Lösche hochgeladene Dateien vom Server bei Exit"}},
    {u"DeleteAfterDaysLabel",  {u"Delete shares after (days)", u"Freigaben löschen nach (Tagen)"}},
    {u"OnlineManualLinkLabel", {u"Online manual", u"Online-Handbuch"}},
    // messages; the offending text follows them
    {u"LineBreakInFileName",   {u"The file name holds a line break and cannot be shared: ",
                                u"Der Dateiname enthält einen Zeilenumbruch und kann nicht "
                                u"geteilt werden: "}},
    // several files dropped: %1 how many, %2 the first one's path
    {u"OnlyFirstFileShared",   {u"%1 files were dropped; Velodrop shares one file at a time, "
                                u"so only the first is shared now:\n%2",
                                u"%1 Dateien wurden abgelegt; Velodrop teilt eine Datei auf "
                                u"einmal, daher wird jetzt nur die erste geteilt:\n%2"}},
    {u"LinkDoesNotLead",       {u"The test file went up, but its link does not lead to it (%1): %2\n"
                                u"The link base must be the web address of the host directory.",
                                u"Die Testdatei wurde hochgeladen, aber ihr Link führt nicht zu ihr "
                                u"(%1): %2\nDie Linkbasis muss die Webadresse des "
                                u"Serververzeichnisses sein."}},
    {u"LinkWarning",           {u"This link does not lead to the file (%1). The link base in the "
                                u"settings must be the web address of the host directory.",
                                u"Dieser Link führt nicht zur Datei (%1). Die Linkbasis in den "
                                u"Einstellungen muss die Webadresse des Serververzeichnisses sein."}},
    // what answered at a link instead of the file
    {u"LinkNotWebAddress",     {u"the link base is empty or not an http/https address",
                                u"die Linkbasis ist leer oder keine http/https-Adresse"}},
    {u"LinkConnectionRefused", {u"connection refused", u"Verbindung abgelehnt"}},
    {u"LinkHostNotFound",      {u"host not found", u"Server nicht gefunden"}},
    {u"LinkCertificateNotTrusted", {u"certificate not trusted",
                                    u"Zertifikat nicht vertrauenswürdig"}},
    {u"LinkOtherContent",      {u"other content", u"anderer Inhalt"}},
    {u"LinkNoAnswer",          {u"no answer within 10 seconds",
                                u"keine Antwort innerhalb von 10 Sekunden"}},
    // a server's certificate other than the one trusted before: %1 the
    // server (host:port); the question: %2 the fingerprint trusted before,
    // %3 the one shown now; the refusal: %2 the one shown now, %3 the file
    // of known certificates
    {u"CertificateChanged",    {u"The server %1 shows another certificate than the one trusted "
                                u"before. That happens when its certificate was renewed, but also "
                                u"when someone between you and the server is listening in.\n\n"
                                u"Trusted before (SHA-256):\n%2\n\nShown now (SHA-256):\n%3\n\n"
                                u"Trust the new certificate?",
                                u"Der Server %1 zeigt ein anderes Zertifikat als das bisher "
                                u"vertraute. Das geschieht, wenn sein Zertifikat erneuert wurde, "
                                u"aber auch, wenn jemand zwischen Ihnen und dem Server mithört."
                                u"\n\nBisher vertraut (SHA-256):\n%2\n\nJetzt gezeigt "
                                u"(SHA-256):\n%3\n\nDem neuen Zertifikat vertrauen?"}},
    {u"CertificateNotTrusted", {u"The new certificate of %1 is not trusted; the session ended "
                                u"before the login. To trust it (SHA-256 %2), answer Yes when "
                                u"asked, or remove the line of %1 from %3.",
                                u"Dem neuen Zertifikat von %1 wird nicht vertraut; die Sitzung "
                                u"endete vor der Anmeldung. Um ihm zu vertrauen (SHA-256 %2), "
                                u"antworten Sie bei der Frage mit Ja, oder entfernen Sie die Zeile "
                                u"von %1 aus %3."}},
    // an SFTP server's host key that known_hosts does not confirm: %1 the
    // server (host:port), %2 the key's SHA-256 fingerprint; %3 for the
    // refusal: the ssh command that accepts it, for the change: the name
    // known_hosts gives the server
    {u"HostKeyUnknown",        {u"The SFTP server %1 is not known yet. Its host key has the "
                                u"fingerprint\n\n%2\n\nCompare it with the one your provider "
                                u"gives. Trust this key and add it to ~/.ssh/known_hosts?",
                                u"Der SFTP-Server %1 ist noch nicht bekannt. Sein Hostschlüssel "
                                u"hat den Fingerabdruck\n\n%2\n\nVergleichen Sie ihn mit dem, "
                                u"den Ihr Anbieter nennt. Diesem Schlüssel vertrauen und ihn in "
                                u"~/.ssh/known_hosts eintragen?"}},
    {u"HostKeyNotTrusted",     {u"The host key of %1 (%2) is not trusted; nothing was sent to "
                                u"the server. To trust it, answer Yes when the window asks, or "
                                u"connect once with \"%3\" and accept the key there.",
                                u"Dem Hostschlüssel von %1 (%2) wird nicht vertraut; an den "
                                u"Server wurde nichts gesendet. Um ihm zu vertrauen, antworten "
                                u"Sie im Fenster bei der Frage mit Ja, oder verbinden Sie sich "
                                u"einmal mit \"%3\" und nehmen den Schlüssel dort an."}},
    {u"HostKeyChanged",        {u"The host key of %1 has changed (now %2). That happens when "
                                u"the server was set up anew, but also when someone between you "
                                u"and the server is listening in. Nothing was sent to the server. "
                                u"If the change is expected, remove the old key with "
                                u"\"ssh-keygen -R '%3'\" and connect again.",
                                u"Der Hostschlüssel von %1 hat sich geändert (jetzt %2). Das "
                                u"geschieht, wenn der Server neu eingerichtet wurde, aber auch, "
                                u"wenn jemand zwischen Ihnen und dem Server mithört. An den "
                                u"Server wurde nichts gesendet. Ist die Änderung erwartet, "
                                u"entfernen Sie den alten Schlüssel mit \"ssh-keygen -R '%3'\" "
                                u"und verbinden Sie sich neu."}},
    {u"AddressNotStorable",    {u"The address holds a line break, a quotation mark or a NUL "
                                u"character and cannot be shortened: ",
                                u"Die Adresse enthält einen Zeilenumbruch, ein "
                                u"Anführungszeichen oder ein NUL-Zeichen und kann nicht gekürzt "
                                u"werden: "}},
    {u"AddressTooLong",        {u"The address is longer than 8 KiB and cannot be shortened: ",
                                u"Die Adresse ist länger als 8 KiB und kann nicht gekürzt "
                                u"werden: "}},
    // the file of known certificates cannot be written: %1 the server
    // (host:port), %2 the file
    {u"CertificateNotRemembered", {u"The certificate of %1 could not be remembered: %2 cannot "
                                   u"be written. It is trusted until Velodrop ends.",
                                   u"Das Zertifikat von %1 konnte nicht gespeichert werden: %2 "
                                   u"ist nicht beschreibbar. Ihm wird vertraut, bis Velodrop "
                                   u"endet."}},
    // followed by why: the desktop's answer or the keeper's
    {u"ClipboardNotSet",       {u"The link could not be put on the clipboard: ",
                                u"Der Link konnte nicht in die Zwischenablage gelegt werden: "}},
    // the record of shares: followed by why
    {u"ShareRecordTrouble",    {u"The record of shares could not be kept, so shares may not be "
                                u"deleted as set; sharing goes on. ",
                                u"Das Verzeichnis der Freigaben konnte nicht geführt werden, "
                                u"daher werden Freigaben womöglich nicht wie eingestellt "
                                u"gelöscht; das Teilen geht weiter. "}},
    // %1 the date and time in the user's format
    {u"ExpiresOn",             {u"expires on %1", u"läuft ab am %1"}},
    // the link field's menu
    {u"RecentShares",          {u"Recent shares", u"Letzte Freigaben"}},
    {u"DeleteShownShare",      {u"Delete this share from the server",
                                u"Diese Freigabe vom Server löschen"}},
    // followed by the link
    {u"ShareDeleted",          {u"Deleted from the server: ", u"Vom Server gelöscht: "}},
    {u"ShareNotInRecord",      {u"No share with this link in the record: ",
                                u"Keine Freigabe mit diesem Link im Verzeichnis: "}},
    // %1 the share's server (user@host:port), %2 the link
    {u"ShareOnOtherServer",    {u"The share is on %1, not on the server of the settings; it "
                                u"was not deleted: %2",
                                u"Die Freigabe liegt auf %1, nicht auf dem Server der "
                                u"Einstellungen; sie wurde nicht gelöscht: %2"}},
    // %1 the name the record holds, %2 the link
    {u"ShareNameForeign",      {u"Velodrop refuses to delete \"%1\": that is not a name "
                                u"Velodrop gives its uploads, so the record of this share is "
                                u"not to be trusted: %2",
                                u"Velodrop verweigert das Löschen von „%1“: Solche Namen gibt "
                                u"Velodrop seinen Uploads nicht, dem Eintrag dieser Freigabe "
                                u"ist daher nicht zu trauen: %2"}},
    // the password in the desktop's keyring
    {u"KeyringGaveNoPassword", {u"The password is kept in the desktop's keyring, but the keyring "
                                u"did not give it (it is locked and was not unlocked, or the entry "
                                u"is gone). Nothing was sent to the server. Unlock the keyring, or "
                                u"enter the password again in the settings.",
                                u"Das Passwort liegt im Schlüsselbund der Arbeitsumgebung, aber "
                                u"der Schlüsselbund hat es nicht herausgegeben (er ist gesperrt "
                                u"und wurde nicht entsperrt, oder der Eintrag fehlt). An den "
                                u"Server wurde nichts gesendet. Entsperren Sie den Schlüsselbund "
                                u"oder geben Sie das Passwort in den Einstellungen neu ein."}},
    // %1 why, in the keyring's words
    {u"KeyringUnreachable",    {u"The password is kept in the desktop's keyring, which did not "
                                u"answer (%1). Nothing was sent to the server.",
                                u"Das Passwort liegt im Schlüsselbund der Arbeitsumgebung, der "
                                u"nicht geantwortet hat (%1). An den Server wurde nichts "
                                u"gesendet."}},
    {u"NoKeyringFound",        {u"No keyring was found (%1), so the password is stored scrambled "
                                u"in the settings file, as before.",
                                u"Es wurde kein Schlüsselbund gefunden (%1), daher wird das "
                                u"Passwort wie bisher verschleiert in der Einstellungsdatei "
                                u"gespeichert."}},
};

struct TLocaleRow {
    const char16_t* Abbreviation;  // as GetLocaleString(LOCALE_SABBREVLANGNAME) gives it
    TLanguage Language;
};

// Only German (Germany): the other German locales keep English.
constexpr TLocaleRow kLocales[] = {
    {u"DEU", TLanguage::German},
};
// clang-format on

// The table's row names of TText, in its order.
constexpr const char16_t* kTextNames[] = {
    u"DropHint",
    u"NotExistingText",
    u"QRCodeTooLong",
    u"LineBreakInFileName",
    u"OnlyFirstFileShared",
    u"LinkDoesNotLead",
    u"LinkWarning",
    u"LinkNotWebAddress",
    u"LinkConnectionRefused",
    u"LinkHostNotFound",
    u"LinkCertificateNotTrusted",
    u"LinkOtherContent",
    u"LinkNoAnswer",
    u"CertificateChanged",
    u"CertificateNotTrusted",
    u"HostKeyUnknown",
    u"HostKeyNotTrusted",
    u"HostKeyChanged",
    u"AddressNotStorable",
    u"AddressTooLong",
    u"CertificateNotRemembered",
    u"ClipboardNotSet",
    u"ShareRecordTrouble",
    u"ExpiresOn",
    u"RecentShares",
    u"DeleteShownShare",
    u"ShareDeleted",
    u"ShareNotInRecord",
    u"ShareOnOtherServer",
    u"ShareNameForeign",
    u"KeyringGaveNoPassword",
    u"KeyringUnreachable",
    u"NoKeyringFound",
};

constexpr bool SameName(const char16_t* A, const char16_t* B) {
    while (*A && *A == *B) ++A, ++B;
    return *A == *B;
}

constexpr bool EveryTextHasARow() {
    for (const char16_t* name : kTextNames) {
        bool found = false;
        for (const TTextRow& row : kTexts) found = found || SameName(row.Id, name);
        if (!found) return false;
    }
    return true;
}
static_assert(std::size(kTextNames) == static_cast<std::size_t>(TText::NoKeyringFound) + 1,
              "every TText has a name in kTextNames");
static_assert(EveryTextHasARow(), "every name in kTextNames has a row in kTexts");

}  // namespace

QString GetLocaleString(int LCType) {
    if (LCType != LOCALE_SABBREVLANGNAME) return {};
    return QString::fromStdString(platform::LocaleAbbreviatedLanguageName());
}

TLanguage LanguageOfLocale(const QString& Abbreviation) {
    for (const TLocaleRow& row : kLocales) {
        if (Abbreviation == QStringView(row.Abbreviation)) return row.Language;
    }
    return TLanguage::English;
}

TLanguage InterfaceLanguage(bool AutoLanguage) {
    if (!AutoLanguage) return TLanguage::English;
    return LanguageOfLocale(GetLocaleString(LOCALE_SABBREVLANGNAME));
}

QString Text(TLanguage Language, TText Id) {
    return TextNamed(Language, QStringView(kTextNames[static_cast<std::size_t>(Id)]));
}

QString TextNamed(TLanguage Language, QStringView Name) {
    for (const TTextRow& row : kTexts) {
        if (Name != QStringView(row.Id)) continue;
        const QString own = QString::fromUtf16(row.Texts[static_cast<std::size_t>(Language)]);
        return own.isEmpty() ? QString::fromUtf16(row.Texts[0]) : own;
    }
    return {};
}

}  // namespace vd::app
