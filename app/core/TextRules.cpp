#include "app/core/TextRules.h"

namespace vd::app {

QString TrimControl(const QString& Text) {
    qsizetype first = 0;
    qsizetype last = Text.size();
    while (first < last && Text[first].unicode() <= 32) ++first;
    while (last > first && Text[last - 1].unicode() <= 32) --last;
    return Text.mid(first, last - first);
}

QString ErrorBoxText(const QString& Message) {
    if (!Message.isEmpty() && Message.back().unicode() > u'.') return Message + u'.';
    return Message;
}

QString FormatBytes(std::uint64_t Bytes) {
    if (Bytes < 1024 * 1024) return QStringLiteral("%1 KiB").arg(Bytes / 1024.0, 0, 'f', 1);
    if (Bytes < 1024ull * 1024 * 1024)
        return QStringLiteral("%1 MiB").arg(Bytes / (1024.0 * 1024), 0, 'f', 1);
    return QStringLiteral("%1 GiB").arg(Bytes / (1024.0 * 1024 * 1024), 0, 'f', 2);
}

}  // namespace vd::app
