#include <gtest/gtest.h>

#include <QUrl>

#include "app/core/ShareNames.h"

namespace vd::app {
namespace {

TEST(ShareLink, ABrowserOpeningTheLinkAsksForTheStoredName) {
    const struct {
        QString Name;
        QString Link;  // after "https://x.org/d/"
    } cases[] = {
        {"velodrop_A_Bericht #3.txt", "velodrop_A_Bericht %233.txt"},
        {"velodrop_A_why?.txt", "velodrop_A_why%3F.txt"},
        {"velodrop_A_100% sure.txt", "velodrop_A_100%25 sure.txt"},
        {"velodrop_A_%23 literal.txt", "velodrop_A_%2523 literal.txt"},
        {"velodrop_A_Grüße 日本語.txt", "velodrop_A_Grüße 日本語.txt"},  // as it is
        {"velodrop_A_a&b=c;d+e.txt", "velodrop_A_a&b=c;d+e.txt"},        // path characters
        {"velodrop_A_a\\..\\..\\index.html", "velodrop_A_a%5C..%5C..%5Cindex.html"},
        // Controls, which no address may hold: a terminal would obey them.
        {QStringLiteral("velodrop_A_\x1b]0;t\x07\t\x7f\u009b.txt"),
         "velodrop_A_%1B]0;t%07%09%7F%C2%9B.txt"},
    };
    for (const auto& c : cases) {
        const QString link = ShareLink(QStringLiteral("https://x.org/d"), c.Name);
        EXPECT_EQ(link, QStringLiteral("https://x.org/d/") + c.Link);
        // What a browser makes of it: the path holds the whole name, nothing
        // became a query or a fragment.
        const QUrl opened(link, QUrl::TolerantMode);
        EXPECT_EQ(opened.path(QUrl::FullyDecoded), QStringLiteral("/d/") + c.Name)
            << link.toStdString();
        // Browsers read "\" in a web address's path as "/".
        EXPECT_FALSE(link.contains(u'\\')) << link.toStdString();
        EXPECT_FALSE(opened.hasQuery());
        EXPECT_FALSE(opened.hasFragment());
        EXPECT_TRUE(opened.isValid()) << link.toStdString();
    }
    // Short links keep the plain join.
    EXPECT_EQ(BuildLink(QStringLiteral("https://s.org"), QStringLiteral("Ab3De")),
              QStringLiteral("https://s.org/Ab3De"));
}

}  // namespace
}  // namespace vd::app
