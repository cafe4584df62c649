// The main window's view of the record of shares: the link field's menu
// with the recent shares, showing one of them again, and deleting the share
// on show from its server.

#include <QDateTime>
#include <QFileInfo>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>

#include "app/gui/PaintBox.h"
#include "app/gui/TBusy.h"
#include "app/gui/TVelodrop1.h"

namespace vd::app {
namespace {

// As many as a menu shows without scrolling.
constexpr int kRecentShares = 15;

// What the menu names a share by: when, and the file that went up.
QString MenuText(const TShareRow& Share) {
    const QString when = QLocale::system().toString(QDateTime::fromSecsSinceEpoch(Share.SharedAt),
                                                    QLocale::ShortFormat);
    // A name is shown, never read as a mnemonic.
    QString name = QFileInfo(Share.LocalName).fileName();
    name.replace(u'&', QStringLiteral("&&"));
    return when + QStringLiteral("  ") + name;
}

}  // namespace

QMenu* TVelodrop1::NewLinkMenu() {
    QMenu* menu = urlDisplay->createStandardContextMenu();
    menu->addSeparator();
    const TLanguage language = InterfaceLanguage(State().Settings.AutoLanguage);
    QMenu* recent = menu->addMenu(Text(language, TText::RecentShares));
    recent->setObjectName(QStringLiteral("RecentShares"));
    const auto shares = FCore.Record().Recent(kRecentShares);
    if (shares) {
        for (const TShareRow& share : *shares) {
            // Only what may still open: shares that went up and stay.
            if (share.State != TShareState::Up) continue;
            QAction* action = recent->addAction(MenuText(share));
            action->setToolTip(share.Link);
            connect(action, &QAction::triggered, this,
                    [this, share] { RunHandler([&] { ShowRecordedShare(share); }); });
        }
    }
    recent->setEnabled(!recent->isEmpty());
    QAction* remove = menu->addAction(Text(language, TText::DeleteShownShare));
    remove->setObjectName(QStringLiteral("DeleteShownShare"));
    remove->setEnabled(!urlDisplay->text().isEmpty() && !FBusy);
    connect(remove, &QAction::triggered, this,
            [this] { RunHandler([this] { DeleteShownShare(); }); });
    return menu;
}

void TVelodrop1::ShowRecordedShare(const TShareRow& Share) {
    if (DeferIfBusy([this, Share] { ShowRecordedShare(Share); })) return;
    State().Link = Share.Link;
    State().LinkFileSize = Share.Size;
    ShowLink(Share.Link);
    SetLinkExpiry(Share.ExpiresAt);
    ShowLinkCode(Share.Link);
    FLinkCheck->Start(Share.Link, Share.Size);
    try {
        SetClipboardText(Share.Link);
    } catch (const std::exception& e) {
        ShowMessage(QString::fromUtf8(e.what()));
    }
}

void TVelodrop1::DeleteShownShare() {
    if (DeferIfBusy([this] { DeleteShownShare(); })) return;
    const QString link = urlDisplay->text();
    if (link.isEmpty()) return;
    bool gone = false;
    {
        const TBusy busy(*this);
        gone = FCore.DeleteShare(link);
    }
    if (!gone) return;
    ShowLink({});
    SetLinkExpiry(std::nullopt);
    QRCodeBitmap = QImage();
    QRCodePaintBox->update();
}

}  // namespace vd::app
