// The JPEGs people really have: printers' colours, grayscale, phone photos
// with an EXIF orientation and a GPS position, colour profiles, and files
// that lie about their size.

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <cstdlib>

#include "app/core/ResizeJPG.h"
#include "common/JpegFiles.h"
#include "common/TempDir.h"

namespace vd::app {
namespace {

using test::TTempDir;

class ResizeRealJPG : public ::testing::Test {
  protected:
    void SetUp() override { ::setenv("TMPDIR", FTemp.Path().c_str(), 1); }
    void TearDown() override { ::unsetenv("TMPDIR"); }

    std::string Shrunk(const std::string& Source, int Percent = 50) {
        return ResizeJPG(QString::fromStdString(Source), Percent).toStdString();
    }

    TTempDir FTemp;
    TTempDir FSource;
};

// A program's output; the test fails when it does not run.
QByteArray RunProgram(const QString& Program, const QStringList& Arguments) {
    QProcess process;
    process.start(Program, Arguments);
    EXPECT_TRUE(process.waitForFinished(30000)) << Program.toStdString();
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    return process.readAllStandardOutput();
}

// exiftool's reading of a file's EXIF and GPS tags, as numbers.
QJsonObject ExifTags(const std::string& Path) {
    const QByteArray json =
        RunProgram(QStringLiteral("/usr/bin/exiftool"),
                   {"-j", "-n", "-EXIF:all", "-GPS:all", QString::fromStdString(Path)});
    return QJsonDocument::fromJson(json).array().at(0).toObject();
}

TEST_F(ResizeRealJPG, PrintersColoursComeOutAsTheirRgb) {
    const struct {
        const char* Name;
        test::TInkJpeg Ink;
        std::uint32_t Rgb;
    } cases[] = {
        {"Adobe CMYK, red", {0, 255, 255, 0, false, true}, 0xFF0000},
        {"Adobe YCCK, red", {0, 255, 255, 0, true, true}, 0xFF0000},
        {"Adobe CMYK, blue", {255, 255, 0, 0, false, true}, 0x0000FF},
        {"Adobe YCCK, half black", {0, 0, 0, 128, true, true}, 0x7F7F7F},
        {"plain CMYK, red", {0, 255, 255, 0, false, false}, 0xFF0000},
        {"plain CMYK, green", {255, 0, 255, 0, false, false}, 0x00FF00},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string source = FSource.File("print.jpg");
        test::WriteInkJpeg(source, 64, 48, c.Ink);
        const std::string out = Shrunk(source);
        ASSERT_EQ(test::ReadJpegInfo(out).Width, 32);
        const std::uint32_t pixel = test::JpegPixel(out, 16, 12);
        EXPECT_TRUE(test::SimilarColour(pixel, c.Rgb, 24)) << std::hex << pixel;
    }
}

TEST_F(ResizeRealJPG, GrayscaleStaysGray) {
    const std::string source = FSource.File("gray.jpg");
    RunProgram(QStringLiteral("/usr/bin/convert"), {"-size", "64x48", "xc:gray30", "-colorspace",
                                                    "Gray", QString::fromStdString(source)});
    const std::string out = Shrunk(source);
    EXPECT_EQ(test::ReadJpegInfo(out).Height, 24);
    EXPECT_TRUE(test::SimilarColour(test::JpegPixel(out, 10, 10), 0x4D4D4D, 8));
}

TEST_F(ResizeRealJPG, TheOrientationStaysAndNothingElseOfTheExif) {
    for (int orientation = 1; orientation <= 8; ++orientation) {
        // Every other source is progressive: its copy is written another way.
        const bool progressive = orientation % 2 == 0;
        SCOPED_TRACE(std::to_string(orientation) + (progressive ? ", progressive" : ""));
        const std::string source = FSource.File("phone.jpg");
        test::WriteQuadrantJpeg(source, 300, 200, progressive);
        RunProgram(
            QStringLiteral("/usr/bin/exiftool"),
            {"-q", "-overwrite_original", QStringLiteral("-Orientation#=%1").arg(orientation),
             "-GPSLatitude=48.137", "-GPSLatitudeRef=N", "-GPSLongitude=11.575",
             "-GPSLongitudeRef=E", "-Make=PhoneMaker", "-Model=Phone 9",
             "-DateTimeOriginal=2026:12:10 12:00:00", QString::fromStdString(source)});
        ASSERT_TRUE(ExifTags(source).contains(QStringLiteral("GPSLatitude")));

        const std::string out = Shrunk(source);
        const QJsonObject tags = ExifTags(out);
        // Upright as taken: the orientation, unless it is the normal one.
        if (orientation == 1) {
            EXPECT_FALSE(tags.contains(QStringLiteral("Orientation")));
        } else {
            EXPECT_EQ(tags.value(QStringLiteral("Orientation")).toInt(), orientation);
        }
        for (const char* gone :
             {"GPSLatitude", "GPSLongitude", "Make", "Model", "DateTimeOriginal"})
            EXPECT_FALSE(tags.contains(QString::fromLatin1(gone))) << gone;
        const auto info = test::ReadJpegInfo(out);
        EXPECT_EQ(info.Width, 150);  // the pixels keep their layout; viewers turn them
        EXPECT_EQ(info.Height, 100);
        EXPECT_EQ(info.Progressive, progressive);
    }
}

TEST_F(ResizeRealJPG, TheColourProfileIsCopied) {
    // Larger than one marker holds (65519 bytes), so it spans two.
    std::string profile(70000, '\0');
    for (std::size_t i = 0; i < profile.size(); ++i) profile[i] = static_cast<char>(i * 7 + 3);
    const std::string source = FSource.File("wide-gamut.jpg");
    for (bool progressive : {false, true}) {
        SCOPED_TRACE(progressive ? "progressive" : "baseline");
        test::WriteJpegWithIcc(source, profile, progressive);
        EXPECT_EQ(test::ReadIccProfile(Shrunk(source)), profile);
    }

    test::WriteQuadrantJpeg(source, 16, 16, false);
    EXPECT_EQ(test::ReadIccProfile(Shrunk(source)), std::string());  // none: none added
}

// A small JPEG whose header declares Width x Height.
std::string WithDeclaredSize(std::string Jpeg, unsigned Width, unsigned Height) {
    const std::size_t sof = Jpeg.find("\xFF\xC0");
    if (sof == std::string::npos) std::abort();
    Jpeg[sof + 5] = static_cast<char>(Height >> 8);
    Jpeg[sof + 6] = static_cast<char>(Height & 0xFF);
    Jpeg[sof + 7] = static_cast<char>(Width >> 8);
    Jpeg[sof + 8] = static_cast<char>(Width & 0xFF);
    return Jpeg;
}

TEST_F(ResizeRealJPG, ADecompressionBombIsRefusedWithItsSize) {
    const std::string source = FSource.File("bomb.jpg");
    test::WriteQuadrantJpeg(source, 16, 16, false);
    test::WriteFileBytes(source, WithDeclaredSize(test::ReadFileBytes(source), 60000, 60000));
    ASSERT_LT(test::ReadFileBytes(source).size(), 4096u);  // a few KiB only
    try {
        Shrunk(source);
        ADD_FAILURE() << "no error";
    } catch (const EJPEGTooLarge& e) {
        EXPECT_NE(std::string(e.what()).find("60000 × 60000"), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("200 Megapixel"), std::string::npos) << e.what();
    }
}

TEST_F(ResizeRealJPG, DamagedFilesGiveTheCodecsMessageOrStillAPicture) {
    const std::string good = FSource.File("good.jpg");
    test::WriteQuadrantJpeg(good, 400, 400, true);
    const std::string progressive = test::ReadFileBytes(good);
    test::WriteQuadrantJpeg(good, 400, 400, false);
    const std::string baseline = test::ReadFileBytes(good);
    enum class TOutcome { Picture, Refused, Either };
    const struct {
        const char* Name;
        std::string Bytes;
        TOutcome Outcome;
    } cases[] = {
        {"garbage after SOI", "\xFF\xD8" + std::string(200, '\x5A'), TOutcome::Refused},
        {"a PNG named .jpg", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), TOutcome::Refused},
        {"baseline, cut in the middle", baseline.substr(0, baseline.size() / 2), TOutcome::Picture},
        // Where the cut falls decides: a picture from the scans that came, or the codec's word.
        {"progressive, cut in the middle", progressive.substr(0, progressive.size() / 2),
         TOutcome::Either},
        {"1 x 1", {}, TOutcome::Picture},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string source = FSource.File("damaged.jpg");
        if (c.Bytes.empty())
            test::WriteQuadrantJpeg(source, 1, 1, false);
        else
            test::WriteFileBytes(source, c.Bytes);
        bool refused = false;
        try {
            EXPECT_TRUE(test::ReadJpegInfo(Shrunk(source)).Valid);
        } catch (const EJPEGError& e) {
            refused = true;
            EXPECT_EQ(std::string(e.what()), "JPEG-Fehler #" + std::to_string(e.ErrorCode()));
        }
        if (c.Outcome != TOutcome::Either) {
            EXPECT_EQ(refused, c.Outcome == TOutcome::Refused);
        }
    }
}

}  // namespace
}  // namespace vd::app
