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
    return CrLfLines({
        "<?php",
        "$links = parse_ini_file(\"shortener.ini\");",
        "if(isset($_GET[\"l\"]) && array_key_exists($_GET[\"l\"], $links))",
        "{ header(\"Location: \" . $links[$_GET[\"l\"]]);",
        " }",
        " else { ",
        "  header(\"HTTP/1.0 404 Not Found\");",
        "  echo \"Unknown link.\";",
        "}",
    });
}

}  // namespace vd::app
