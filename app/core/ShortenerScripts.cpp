#include "app/core/ShortenerScripts.h"

#include <initializer_list>

namespace vd::app {
namespace {

QByteArray CrLfLines(std::initializer_list<const char*> Lines) {
    QByteArray out;
    for (const char* line : Lines) out.append(line).append("\r\n");
    return out;
}

}  // namespace

QByteArray HtaccessContent() {
    return CrLfLines({"RewriteEngine On", "RewriteCond $1 !^(index\\.php)",
                      "RewriteRule ^(.*)$ index.php?l=$1 [L]"});
}

QByteArray IndexPhpContent() {
    // The table is read as plain text, not by PHP's INI reader, which puts
    // the server's environment in place of "${NAME}" and fails whole on one
    // bad record.
    return CrLfLines({
        R"php(<?php)php",
        R"php(// Redirects a short link to its address in shortener.ini: code="address", one a line.)php",
        R"php($table = @file_get_contents("shortener.ini");)php",
        R"php(if ($table === false) {)php",
        R"php(  header("HTTP/1.0 500 Internal Server Error");)php",
        R"php(  echo "The link table cannot be read.";)php",
        R"php(  exit;)php",
        R"php(})php",
        R"php(if (substr($table, 0, 3) === "\xEF\xBB\xBF") $table = substr($table, 3);)php",
        R"php($code = isset($_GET["l"]) && is_string($_GET["l"]) ? $_GET["l"] : "";)php",
        R"php($address = null;)php",
        R"php(foreach (preg_split('/\r\n|\r|\n/', $table) as $line) {)php",
        R"php(  if ($code !== "" && preg_match('/^\s*([^=]*?)\s*=\s*"?(.*?)"?\s*$/', $line, $m) && $m[1] === $code) {)php",
        R"php(    $address = $m[2];)php",
        R"php(    break;)php",
        R"php(  })php",
        R"php(})php",
        R"php(if ($address === null) {)php",
        R"php(  header("HTTP/1.0 404 Not Found");)php",
        R"php(  echo "Unknown link.";)php",
        R"php(} elseif (!preg_match('~^https?://~i', $address)) {)php",
        R"php(  header("HTTP/1.0 403 Forbidden");)php",
        R"php(  echo "Not a web address.";)php",
        R"php(} else {)php",
        R"php(  // Blanks and controls leave encoded, as browsers send them, whatever the table holds.)php",
        R"php(  $address = preg_replace_callback('/[\x00-\x20\x7F]|\xC2[\x80-\x9F]/',)php",
        R"php(    function ($c) { return rawurlencode($c[0]); }, $address);)php",
        R"php(  header("Location: " . $address);)php",
        R"php(})php",
    });
}

}  // namespace vd::app
