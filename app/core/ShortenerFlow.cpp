#include "app/core/ShortenerFlow.h"

#include "app/core/Language.h"
#include "app/core/RandomNames.h"
#include "app/core/ServerAccount.h"
#include "app/core/ServerSession.h"
#include "app/core/ShareNames.h"
#include "app/core/ShortenerAddress.h"
#include "app/core/ShortenerScripts.h"
#include "app/core/ShortenerTable.h"

namespace vd::app {
namespace {

const QString kTableName = QStringLiteral("shortener.ini");

}  // namespace

void TShortenerFlow::InstallShortenerScripts() {
    TRemoteFolder& folder = FContext.Folder;
    try {
        const QStringList names = folder.ListNames();
        const std::pair<QString, QByteArray> scripts[] = {
            {QStringLiteral(".htaccess"), HtaccessContent()},
            {QStringLiteral("index.php"), IndexPhpContent()},
        };
        for (const auto& [name, content] : scripts) {
            if (!IsListed(names, name)) folder.PutContent(content, name);
        }
        // Appending nothing creates a missing table and leaves an existing
        // one as it is, whatever the listing failed to show.
        if (!IsListed(names, kTableName)) folder.Append({}, kTableName);
    } catch (const std::exception& e) {
        // Named after the session's transport: not every error of a folder
        // (a local file's, a plain library error) carries it.
        const TTransport transport = ServerAccountOf(FContext.State.Settings).Transport;
        FContext.User.ShowMessage(TransportName(transport) + QStringLiteral(" (Shortener): ") +
                                  QString::fromUtf8(e.what()));
    }
}

QString TShortenerFlow::ShortenURL(const QString& URL) {
    TControllerState& state = FContext.State;
    const TStorableAddress storable = AddressToStore(URL);
    if (storable.Refusal) {
        const TLanguage language = InterfaceLanguage(state.Settings.AutoLanguage);
        FContext.User.ShowMessage(Text(language, *storable.Refusal) + ShownAddress(URL));
        return {};
    }
    const QString& address = storable.Stored;
    if (!TServerSession(FContext).ConnectToServer()) return {};
    // From here on the program ends, whether the shortening succeeds or not.
    state.TerminationRequested = true;

    InstallShortenerScripts();
    TShortenerTable table = ParseShortenerTable(FContext.Folder.Get(kTableName));
    QString code = FindCode(table.Lines, address);
    if (code.isEmpty()) {
        code = NewCode(table.Lines, [] { return randomString(5); });
        table.Lines << code + QStringLiteral("=\"") + address + u'"';
        FContext.Folder.PutContent(SerializeShortenerTable(table), kTableName);
    }
    FContext.Folder.Close();
    const QString link = BuildLink(state.Settings.BaseURL, code);
    FContext.User.SetClipboardText(link);
    FContext.User.OpenURL(link);
    return link;
}

}  // namespace vd::app
