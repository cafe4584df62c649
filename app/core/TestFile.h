#pragma once

#include <QString>

namespace vd::app {

/// Creates the connection test's file in the temporary folder ("vdf" + a
/// hexadecimal number + ".TMP") holding "Velodrop-FTP-TEST" and CR LF, 19
/// bytes, and returns its path. The file is left behind. Raises EFileError
/// when it cannot be made.
QString CreateTestFile();

}  // namespace vd::app
