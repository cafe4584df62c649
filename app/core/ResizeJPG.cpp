#include "app/core/ResizeJPG.h"

#include <malloc.h>

#include <QFile>
#include <cstring>

namespace vd::app {
namespace {

QString SystemMessage(int Errno) { return QString::fromLocal8Bit(std::strerror(Errno)); }

}  // namespace

EJPEGError::EJPEGError(int Code)
    : std::runtime_error("JPEG-Fehler #" + std::to_string(Code)), FCode(Code) {}

bool StartsAsJpeg(const QString& FileName) {
    QFile file(FileName);
    if (!file.open(QIODevice::ReadOnly)) return false;
    return file.read(2) == QByteArrayLiteral("\xFF\xD8");
}

QString ResizeJPG(const QString& FileName, std::int32_t Percent) {
    using TOutcome = TJpegResizeResult::TOutcome;
    const QString out = QString::fromStdString(ResizedCopyPath(FileName.toStdString()));
    const TJpegResizeResult result = ResizeJpegFile(FileName.toLocal8Bit().toStdString(),
                                                    out.toLocal8Bit().toStdString(), Percent);
    // glibc's malloc raises its threshold for mapping blocks of their own
    // whenever it frees one: from the second copy on, the source's
    // coefficients (tens of MiB) come from the heap, and once freed they
    // would stay resident for as long as the program runs.
    ::malloc_trim(0);
    switch (result.Outcome) {
        case TOutcome::Written:
            break;
        case TOutcome::SourceUnreadable:
            throw EFileError(QStringLiteral("Datei %1 kann nicht geöffnet werden. %2")
                                 .arg(FileName, SystemMessage(result.Errno))
                                 .toStdString());
        case TOutcome::OutputUnwritable:
            throw EFileError(QStringLiteral("Datei %1 kann nicht erstellt werden. %2")
                                 .arg(out, SystemMessage(result.Errno))
                                 .toStdString());
        case TOutcome::CodecError:
            throw EJPEGError(result.CodecMessage);
        case TOutcome::TooLarge:
            throw EJPEGTooLarge(QStringLiteral("Das Bild %1 ist mit %2 × %3 Pixeln zu groß zum "
                                               "Verkleinern (höchstens %4 Megapixel).")
                                    .arg(FileName)
                                    .arg(result.SourceWidth)
                                    .arg(result.SourceHeight)
                                    .arg(kMaxJpegSourcePixels / 1'000'000)
                                    .toStdString());
    }
    return out;
}

}  // namespace vd::app
