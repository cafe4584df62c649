#include "app/core/TestFile.h"

#include <cstdio>

#include "app/core/EFileError.h"
#include "platform/SpecialFolders.h"
#include "platform/TempFiles.h"

namespace vd::app {

QString CreateTestFile() {
    const std::string folder = platform::TempFolder();
    const std::string path = platform::GetTempFileName(folder, "vdf");
    if (path.empty()) {
        throw EFileError("Datei " + folder + "vdf*.TMP kann nicht erstellt werden.");
    }
    static constexpr char kContent[] = "Velodrop-FTP-TEST\r\n";
    FILE* file = std::fopen(path.c_str(), "wb");
    const bool written =
        file && std::fwrite(kContent, 1, sizeof kContent - 1, file) == sizeof kContent - 1;
    const bool closed = file && std::fclose(file) == 0;
    if (!written || !closed) throw EFileError("Datei " + path + " kann nicht erstellt werden.");
    return QString::fromStdString(path);
}

}  // namespace vd::app
