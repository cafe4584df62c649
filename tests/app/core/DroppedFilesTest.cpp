#include <gtest/gtest.h>

#include "app/core/DroppedFiles.h"

namespace vd::app {
namespace {

TEST(DroppedFiles, OnlyThisMachinesFilesAndTheirNamesAsTheyAre) {
    const struct {
        const char* Url;
        const char16_t* File;  // nullptr: no local file
    } cases[] = {
        {"file:///home/u/a.txt", u"/home/u/a.txt"},
        {"file:///home/u/ends%20in%20a%20blank%20", u"/home/u/ends in a blank "},
        {"file:///tmp/%C3%A4%25%23.txt", u"/tmp/ä%#.txt"},
        {"file://localhost/tmp/a", u"/tmp/a"},
        {"FILE:///tmp/a", u"/tmp/a"},
        {"file://fileserver/share/a.txt", nullptr},
        {"https://example.org/a.txt", nullptr},
        {"http://example.org/", nullptr},
        {"sftp://host/home/u/a.txt", nullptr},
        {"smb://host/share/a.txt", nullptr},
        {"trash:///a.txt", nullptr},
        {"mailto:u@example.org", nullptr},
        {"", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Url);
        const QStringList files = LocalFilesOf({QUrl(QString::fromUtf8(c.Url))});
        if (c.File) {
            EXPECT_EQ(files, QStringList{QString::fromUtf16(c.File)});
        } else {
            EXPECT_TRUE(files.isEmpty()) << files.join(u'|').toStdString();
        }
    }
    // In their order, the others left out.
    EXPECT_EQ(LocalFilesOf({QUrl("https://e.org/x"), QUrl("file:///b"), QUrl("file:///a")}),
              (QStringList{"/b", "/a"}));
}

}  // namespace
}  // namespace vd::app
