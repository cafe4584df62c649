#pragma once
// The two server-side files that serve the short links from the table: the
// web server hands every request to index.php, which redirects.

#include <QByteArray>

namespace vd::app {

/// ".htaccess": hands every request path except index.php to index.php.
QByteArray HtaccessContent();
/// "index.php": looks the code up in shortener.ini and redirects to its
/// http or https address (blanks and controls encoded); answers 404
/// "Unknown link." for a code the table lacks, 403 for a record that is no
/// web address, and 500 when the table cannot be read.
QByteArray IndexPhpContent();

}  // namespace vd::app
