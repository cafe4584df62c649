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

}  // namespace vd::app
