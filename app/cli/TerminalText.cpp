#include "app/cli/TerminalText.h"

namespace vd::app {

QString TerminalSafe(const QString& Text) {
    QString safe;
    safe.reserve(Text.size());
    for (qsizetype i = 0; i < Text.size(); ++i) {
        const char16_t c = Text[i].unicode();
        const bool crBeforeLf = c == u'\r' && i + 1 < Text.size() && Text[i + 1] == u'\n';
        if (crBeforeLf) continue;
        if (c == u'\n' || c == u'\t' || (c >= 0x20 && c < 0x7F) || c > 0x9F)
            safe += QChar(c);
        else if (c <= 0x7F)
            safe += QStringLiteral("\\x%1").arg(static_cast<unsigned>(c), 2, 16, QLatin1Char('0'));
        else
            safe += QStringLiteral("\\u%1").arg(static_cast<unsigned>(c), 4, 16, QLatin1Char('0'));
    }
    return safe;
}

}  // namespace vd::app
