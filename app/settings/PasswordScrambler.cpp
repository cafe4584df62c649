#include "app/settings/PasswordScrambler.h"

#include <QByteArray>

namespace vd::app {
namespace {

constexpr std::uint16_t kMultiplier = 52845;
constexpr std::uint16_t kIncrement = 22719;

// The key follows the scrambled byte, so both directions advance it alike.
std::uint16_t NextKey(std::uint8_t Scrambled, std::uint16_t Key) {
    return static_cast<std::uint16_t>((Scrambled + Key) * kMultiplier + kIncrement);
}

int HexValue(QChar C) {
    if (C >= u'0' && C <= u'9') return C.unicode() - '0';
    if (C >= u'A' && C <= u'F') return C.unicode() - 'A' + 10;
    return -1;
}

}  // namespace

QString EncodePassword(const QString& Text, std::uint16_t StartKey) {
    std::uint16_t key = StartKey;
    QString out;
    for (char c : Text.toUtf8()) {
        const auto b = static_cast<std::uint8_t>(static_cast<std::uint8_t>(c) ^ (key >> 8));
        key = NextKey(b, key);
        out += QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0')).toUpper();
    }
    return out;
}

QString DecodePassword(const QString& HexText, std::uint16_t StartKey) {
    const QString h = HexText.toUpper();
    QByteArray out;
    std::uint16_t key = StartKey;
    for (qsizetype pos = 0; pos + 1 < h.size(); pos += 2) {
        const int high = HexValue(h[pos]);
        const int low = HexValue(h[pos + 1]);
        if (high < 0 || low < 0) return {};
        const auto c = static_cast<std::uint8_t>(high * 16 + low);
        out += static_cast<char>(c ^ (key >> 8));
        key = NextKey(c, key);
    }
    return QString::fromUtf8(out);
}

}  // namespace vd::app
