#include "app/net/TrafficLog.h"

namespace vd::app {

void TTrafficLog::SetFileName(const QString& FileName) {
    FFile.SetFilename(FileName.toStdString());
}

QString TTrafficLog::FileName() const { return QString::fromStdString(FFile.Filename()); }

void TTrafficLog::BeginSession() { FFile.SetActive(!FFile.Filename().empty()); }

void TTrafficLog::EndSession() noexcept { FFile.SetActive(false); }

void TTrafficLog::Connected() {
    if (FFile.Active()) FFile.Connect(nullptr);
}

void TTrafficLog::Disconnected() {
    if (FFile.Active()) FFile.Disconnect();
}

void TTrafficLog::Sent(const QString& Line) {
    if (!FFile.Active()) return;
    std::string bytes = Line.toStdString();
    FFile.Send(bytes);
}

void TTrafficLog::Received(const QString& Line) {
    if (!FFile.Active()) return;
    std::string bytes = Line.toStdString();
    FFile.Receive(bytes);
}

}  // namespace vd::app
