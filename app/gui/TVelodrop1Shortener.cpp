// The main window in shortener mode: the web address on the clipboard gets
// a five-character code in "shortener.ini" on the server; the short link
// goes to the clipboard and opens in the browser, and the program ends.

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QUrl>

#include "app/core/Language.h"
#include "app/core/RandomNames.h"
#include "app/core/ShareNames.h"
#include "app/core/ShortenerTable.h"
#include "app/gui/ModalSeam.h"
#include "app/gui/TVelodrop1.h"
#include "ftp/TIdStream.h"

namespace vd::app {
namespace {

constexpr const char* kTableName = "shortener.ini";

// A listing may carry a path in front of each name; the name is what counts.
bool Listed(const std::vector<std::string>& Names, const QString& Name) {
    for (const std::string& entry : Names) {
        const QString listed = QString::fromStdString(entry.substr(entry.rfind('/') + 1));
        if (listed.compare(Name, Qt::CaseInsensitive) == 0) return true;
    }
    return false;
}

}  // namespace

bool TVelodrop1::ClipboardHasURL() {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    return data && data->hasText() && IsWebAddress(data->text());
}

void TVelodrop1::InstallShortenerScripts() {
    try {
        std::vector<std::string> names;
        IdFTP1.List(names);
        const std::pair<QString, QByteArray> scripts[] = {
            {QStringLiteral(".htaccess"), HtaccessContent()},
            {QStringLiteral("index.php"), IndexPhpContent()},
        };
        for (const auto& [name, content] : scripts) {
            if (Listed(names, name)) continue;
            ftp::TIdMemoryStream stream(content.toStdString());
            IdFTP1.Put(stream, name.toStdString());
        }
        if (!Listed(names, QString::fromLatin1(kTableName))) {
            // Appending nothing creates a missing table and leaves an existing
            // one as it is, whatever the listing failed to show.
            ftp::TIdMemoryStream empty;
            IdFTP1.Append(empty, kTableName);
        }
    } catch (const std::exception& e) {
        ShowMessage(QStringLiteral("FTP (Shortener): ") + QString::fromUtf8(e.what()));
    }
}

void TVelodrop1::ShortenURL(const QString& URL) {
    const QString address = AddressToStore(URL);
    if (address.isEmpty()) {
        ShowMessage(UseGermanTexts(FState.AutoLanguage)
                        ? QStringLiteral("Die Adresse enthält einen Zeilenumbruch oder ein "
                                         "Anführungszeichen und kann nicht gekürzt werden: ") +
                              URL
                        : QStringLiteral("The address holds a line break or a quotation mark and "
                                         "cannot be shortened: ") +
                              URL);
        return;
    }
    if (!ConnectToServer()) return;
    // From here on the program ends, whether the shortening succeeds or not.
    FTerminationRequested = true;

    InstallShortenerScripts();
    ftp::TIdMemoryStream fetched;
    IdFTP1.Get(kTableName, fetched, true);
    TShortenerTable table = ParseShortenerTable(QByteArray::fromStdString(fetched.Bytes()));
    QString code = FindCode(table.Lines, address);
    if (code.isEmpty()) {
        code = NewCode(table.Lines, [this] { return randomString(5); });
        table.Lines << code + QStringLiteral("=\"") + address + u'"';
        ftp::TIdMemoryStream upload(SerializeShortenerTable(table).toStdString());
        IdFTP1.Put(upload, kTableName);
    }
    IdFTP1.Disconnect();
    IdLogFile1.SetActive(false);
    QGuiApplication::clipboard()->setText(BuildLink(FState.BaseURL, code));
    TModalSeam::OpenUrl(QUrl(QGuiApplication::clipboard()->text()));
}

}  // namespace vd::app
