#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "app/core/ResizeJPG.h"
#include "common/JpegFiles.h"
#include "common/TempDir.h"

namespace vd::app {
namespace {

using test::ReadJpegInfo;
using test::TTempDir;

class ResizeJPGTest : public ::testing::Test {
  protected:
    void SetUp() override { ::setenv("TMPDIR", FTemp.Path().c_str(), 1); }
    void TearDown() override { ::unsetenv("TMPDIR"); }

    TTempDir FTemp;    // where the copies go
    TTempDir FSource;  // where the originals are
};

TEST_F(ResizeJPGTest, CopyHasTheRoundedSizeQuality90AndTheSourceScanMode) {
    const struct {
        int Width, Height;
        std::int32_t Percent;
        bool Progressive;
        int ExpectedWidth, ExpectedHeight;
    } cases[] = {
        {1000, 750, 50, false, 500, 375}, {1000, 750, 200, false, 2000, 1500},
        {3, 3, 50, false, 2, 2},          {5, 5, 50, false, 2, 2},  // 1.5 and 2.5: ties to even
        {7, 5, 50, true, 4, 2},           {640, 480, 100, true, 640, 480},
        {333, 333, 33, false, 110, 110},  {1, 1, 10, false, 1, 1},  // never below one pixel
        {801, 601, 37, true, 296, 222},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.Width) + "x" + std::to_string(c.Height) + " at " +
                     std::to_string(c.Percent));
        const std::string source = FSource.File("photo.jpg");
        test::WriteQuadrantJpeg(source, c.Width, c.Height, c.Progressive);
        const QString out = ResizeJPG(QString::fromStdString(source), c.Percent);
        EXPECT_EQ(out.toStdString(), FTemp.Path().string() + "/_tmp_photo.jpg");
        const auto info = ReadJpegInfo(out.toStdString());
        ASSERT_TRUE(info.Valid);
        EXPECT_EQ(info.Width, c.ExpectedWidth);
        EXPECT_EQ(info.Height, c.ExpectedHeight);
        EXPECT_EQ(info.Progressive, c.Progressive);
        EXPECT_EQ(info.LuminanceQuant0, 3);  // the standard table scaled to quality 90
    }
}

TEST_F(ResizeJPGTest, PictureKeepsItsLayout) {
    const std::string source = FSource.File("quadrants.jpg");
    for (std::int32_t percent : {25, 50, 63, 150}) {
        test::WriteQuadrantJpeg(source, 400, 300, percent == 63);
        const std::string out = ResizeJPG(QString::fromStdString(source), percent).toStdString();
        const auto info = ReadJpegInfo(out);
        const int w = info.Width, h = info.Height;
        const std::pair<int, int> centres[4] = {
            {w / 4, h / 4}, {3 * w / 4, h / 4}, {3 * w / 4, 3 * h / 4}, {w / 4, 3 * h / 4}};
        for (int q = 0; q < 4; ++q) {
            EXPECT_TRUE(
                test::SimilarColour(test::JpegPixel(out, centres[q].first, centres[q].second),
                                    test::kQuadrantColours[q]))
                << "quadrant " << q << " at " << percent << "%";
        }
    }
}

TEST_F(ResizeJPGTest, NonJpegFilesAreRefusedWithTheCodecsNumber) {
    const struct {
        const char* Name;
        std::string Bytes;
    } cases[] = {
        {"image.png", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)},
        {"doc.pdf", "%PDF-1.4\n1 0 obj\n<<>>\nendobj\n"},
        {"empty.jpg", ""},
        {"header-only.jpg", "\xFF\xD8\xFF\xE0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string source = FSource.File(c.Name);
        test::WriteFileBytes(source, c.Bytes);
        try {
            ResizeJPG(QString::fromStdString(source), 50);
            ADD_FAILURE() << "no error";
        } catch (const EJPEGError& e) {
            EXPECT_GT(e.ErrorCode(), 0);
            EXPECT_EQ(std::string(e.what()), "JPEG-Fehler #" + std::to_string(e.ErrorCode()));
        }
        EXPECT_FALSE(std::filesystem::exists(FTemp.File(std::string("_tmp_") + c.Name)));
    }
}

TEST_F(ResizeJPGTest, TruncatedJpegStillDecodes) {
    const std::string source = FSource.File("cut.jpg");
    test::WriteQuadrantJpeg(source, 200, 200, false);
    const std::string bytes = test::ReadFileBytes(source);
    test::WriteFileBytes(source, bytes.substr(0, bytes.size() * 2 / 3));
    const auto info = ReadJpegInfo(ResizeJPG(QString::fromStdString(source), 50).toStdString());
    EXPECT_EQ(info.Width, 100);
    EXPECT_EQ(info.Height, 100);
}

TEST_F(ResizeJPGTest, FileErrorsNameTheFile) {
    EXPECT_THROW(ResizeJPG(QString::fromStdString(FSource.File("missing.jpg")), 50), EFileError);

    const std::string source = FSource.File("photo.jpg");
    test::WriteQuadrantJpeg(source, 16, 16, false);
    ::setenv("TMPDIR", FTemp.File("no/such/folder").c_str(), 1);
    try {
        ResizeJPG(QString::fromStdString(source), 50);
        ADD_FAILURE() << "no error";
    } catch (const EFileError& e) {
        EXPECT_NE(std::string(e.what()).find("_tmp_photo.jpg"), std::string::npos) << e.what();
    }
}

// A disk that fills up while the copy is written: the failure reaches the
// caller, whichever thread of the copy meets it, and no copy passes for done.
TEST_F(ResizeJPGTest, CopyThatCannotBeWrittenToTheEndFails) {
    for (const bool progressive : {false, true}) {
        SCOPED_TRACE(progressive ? "progressive" : "baseline");
        const std::string source = FSource.File("full.jpg");
        test::WriteQuadrantJpeg(source, 1200, 900, progressive);
        const std::string copy = FTemp.File("_tmp_full.jpg");
        std::filesystem::remove(copy);
        std::filesystem::create_symlink("/dev/full", copy);
        try {
            ResizeJPG(QString::fromStdString(source), 50);
            ADD_FAILURE() << "a copy to a full disk reported success";
        } catch (const EJPEGError& e) {
            EXPECT_GT(e.ErrorCode(), 0);
        } catch (const EFileError& e) {
            EXPECT_NE(std::string(e.what()).find("_tmp_full.jpg"), std::string::npos) << e.what();
        }
    }
}

TEST_F(ResizeJPGTest, SameNameFromTwoFoldersSharesTheTemporaryPath) {
    std::filesystem::create_directories(FSource.File("a"));
    std::filesystem::create_directories(FSource.File("b"));
    test::WriteQuadrantJpeg(FSource.File("a/x.jpg"), 100, 100, false);
    test::WriteQuadrantJpeg(FSource.File("b/x.jpg"), 300, 100, false);
    const QString first = ResizeJPG(QString::fromStdString(FSource.File("a/x.jpg")), 50);
    const QString second = ResizeJPG(QString::fromStdString(FSource.File("b/x.jpg")), 50);
    EXPECT_EQ(first, second);
    EXPECT_EQ(ReadJpegInfo(second.toStdString()).Width, 150);
}

}  // namespace
}  // namespace vd::app
