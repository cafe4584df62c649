#include "app/core/RandomNames.h"

namespace vd::app {
namespace {

std::uint32_t Seed = 0;

}  // namespace

void Randomize(std::uint32_t NewSeed) { Seed = NewSeed; }

std::uint32_t RandSeed() { return Seed; }

std::uint32_t RandomBelow(std::uint32_t Range) {
    Seed = Seed * 134775813u + 1u;
    return static_cast<std::uint32_t>((static_cast<std::uint64_t>(Range) * Seed) >> 32);
}

QString randomString(std::int32_t numberOfChars) {
    constexpr std::uint32_t alphabetSize = std::size(kRandomAlphabet) - 1;
    static_assert(alphabetSize == 60);
    QString text;
    for (std::int32_t i = 0; i < numberOfChars; ++i) {
        text += QChar(kRandomAlphabet[RandomBelow(alphabetSize)]);
    }
    return text;
}

}  // namespace vd::app
