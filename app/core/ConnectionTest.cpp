#include "app/core/ConnectionTest.h"

#include "app/core/ServerSession.h"
#include "app/core/TestFile.h"
#include "platform/SpecialFolders.h"

namespace vd::app {

TTestResult TConnectionTest::TestConnection() {
    if (!TServerSession(FContext).ConnectToServer()) return TTestResult::NotConnected;
    try {
        const QString file = CreateTestFile();
        const QString name = QString::fromStdString(platform::FileNamePart(file.toStdString()));
        FContext.Folder.Put(file, name);
        FContext.Folder.Delete(name);
        FContext.Folder.Close();
        return TTestResult::Passed;
    } catch (const std::exception& e) {
        FContext.User.ShowMessage(FtpMessage(e));
        return TTestResult::FailedAfterConnecting;
    }
}

}  // namespace vd::app
