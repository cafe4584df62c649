#pragma once
// The two server-side files that serve the short links from the table: the
// web server hands every request to index.php, which redirects.

#include <QByteArray>

namespace vd::app {

/// ".htaccess": hands every request path except index.php to index.php.
QByteArray HtaccessContent();
/// "index.php": looks the code up in shortener.ini and redirects, or
/// answers 404 "Unknown link.".
QByteArray IndexPhpContent();

}  // namespace vd::app
