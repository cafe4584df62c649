#include "app/core/ConnectionTest.h"

#include <QFile>

#include "app/core/ServerSession.h"
#include "app/core/ShareNames.h"
#include "app/core/TestFile.h"
#include "platform/SpecialFolders.h"

namespace vd::app {
namespace {

QByteArray FileContent(const QString& FileName) {
    QFile file(FileName);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
}

}  // namespace

TTestResult TConnectionTest::TestConnection() {
    if (!TServerSession(FContext).ConnectToServer()) return TTestResult::NotConnected;
    QString link;
    TLinkVerdict verdict;
    try {
        const QString file = CreateTestFile();
        const QString name = QString::fromStdString(platform::FileNamePart(file.toStdString()));
        FContext.Folder.Put(file, name);
        // While the file is up: does its link lead to it?
        link = ShareLink(FContext.State.Settings.BaseURL, name);
        verdict = FContext.Links.CheckContent(link, FileContent(file));
        FContext.Folder.Delete(name);
        FContext.Folder.Close();
    } catch (const std::exception& e) {
        FContext.User.ShowMessage(ServerMessage(e));
        return TTestResult::FailedAfterConnecting;
    }
    if (verdict.Ok()) return TTestResult::Passed;
    const TLanguage language = InterfaceLanguage(FContext.State.Settings.AutoLanguage);
    FContext.User.ShowMessage(
        Text(language, TText::LinkDoesNotLead).arg(LinkFaultText(verdict, language), link));
    return TTestResult::FailedAfterConnecting;
}

}  // namespace vd::app
