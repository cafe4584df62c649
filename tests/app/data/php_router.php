<?php
// Stands in for the web server's rewrite rule from ".htaccess": every path
// but index.php reaches index.php as the parameter l.
$path = substr(parse_url($_SERVER["REQUEST_URI"], PHP_URL_PATH), 1);
if ($path === "index.php") {
    return false;
}
$_GET["l"] = $path;
require "index.php";
