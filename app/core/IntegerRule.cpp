#include "app/core/IntegerRule.h"

#include <limits>

namespace vd::app {
namespace {

int HexDigitValue(QChar C) {
    const char16_t u = C.unicode();
    if (u >= '0' && u <= '9') return u - '0';
    if (u >= 'a' && u <= 'f') return u - 'a' + 10;
    if (u >= 'A' && u <= 'F') return u - 'A' + 10;
    return -1;
}

std::optional<std::uint32_t> ParseHex(QStringView Digits) {
    if (Digits.isEmpty() || Digits.size() > 8) return std::nullopt;
    std::uint32_t value = 0;
    for (QChar c : Digits) {
        const int d = HexDigitValue(c);
        if (d < 0) return std::nullopt;
        value = value * 16 + static_cast<std::uint32_t>(d);
    }
    return value;
}

// Decimal digits as a magnitude up to 2^31 (the smallest integer's).
std::optional<std::int64_t> ParseDecimal(QStringView Digits) {
    if (Digits.isEmpty()) return std::nullopt;
    std::int64_t value = 0;
    for (QChar c : Digits) {
        if (c < u'0' || c > u'9') return std::nullopt;
        value = value * 10 + (c.unicode() - '0');
        if (value > std::int64_t{1} << 31) return std::nullopt;
    }
    return value;
}

QStringView HexDigitsAfterPrefix(QStringView Text) {
    if (Text.startsWith(u'$') || Text.startsWith(u'x') || Text.startsWith(u'X')) return Text.mid(1);
    if (Text.startsWith(u"0x") || Text.startsWith(u"0X")) return Text.mid(2);
    return {};
}

}  // namespace

std::optional<std::int32_t> ParseInteger(QStringView Text) {
    while (!Text.isEmpty() && (Text.front() == u' ' || Text.front() == u'\t')) Text = Text.mid(1);
    const bool negative = Text.startsWith(u'-');
    if (negative || Text.startsWith(u'+')) Text = Text.mid(1);

    if (QStringView hex = HexDigitsAfterPrefix(Text); !hex.isNull()) {
        const auto pattern = ParseHex(hex);
        if (!pattern) return std::nullopt;
        const auto value = static_cast<std::int32_t>(*pattern);
        return negative ? static_cast<std::int32_t>(0u - static_cast<std::uint32_t>(value)) : value;
    }
    const auto magnitude = ParseDecimal(Text);
    if (!magnitude) return std::nullopt;
    const std::int64_t value = negative ? -*magnitude : *magnitude;
    if (value > std::numeric_limits<std::int32_t>::max()) return std::nullopt;
    return static_cast<std::int32_t>(value);
}

std::int32_t IntegerOrDefault(QStringView Text, std::int32_t Default) {
    return ParseInteger(Text).value_or(Default);
}

std::int32_t AbsoluteValue(std::int32_t Value) {
    if (Value == std::numeric_limits<std::int32_t>::min()) return Value;
    return Value < 0 ? -Value : Value;
}

}  // namespace vd::app
