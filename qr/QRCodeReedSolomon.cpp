#include "QRCodeReedSolomon.h"

#include <algorithm>
#include <array>

namespace vd::qr {

namespace {

constexpr int kPrimitive = 0x11D;

// alpha^i for i = 0 to 509: twice round the group, so that the sum of two
// logarithms needs no reduction modulo 255.
using TExpTable = std::array<std::uint8_t, 510>;
// The logarithm of every nonzero element; entry 0 is never read.
using TLogTable = std::array<std::uint8_t, 256>;

constexpr TExpTable MakeExp() {
    TExpTable exp{};
    int x = 1;
    for (int i = 0; i < 255; ++i) {
        exp[i] = static_cast<std::uint8_t>(x);
        exp[i + 255] = static_cast<std::uint8_t>(x);
        x <<= 1;
        if (x & 0x100) x ^= kPrimitive;
    }
    return exp;
}
constexpr TExpTable kExp = MakeExp();

constexpr TLogTable MakeLog() {
    TLogTable log{};
    for (int i = 0; i < 255; ++i) log[kExp[i]] = static_cast<std::uint8_t>(i);
    return log;
}
constexpr TLogTable kLog = MakeLog();

constexpr int Multiply(int a, int b) { return a == 0 || b == 0 ? 0 : kExp[kLog[a] + kLog[b]]; }

// Generator polynomial of degree d, d = 1 to 30:
// (x - alpha^0)(x - alpha^1)...(x - alpha^(d-1)). Kept as the logarithms of
// its coefficients below the leading 1, highest degree first; -1 stands for
// a zero coefficient.
using TGeneratorLogs =
    std::array<std::array<int, kMaxECCodewordsPerBlock>, kMaxECCodewordsPerBlock + 1>;

constexpr TGeneratorLogs MakeGenerators() {
    TGeneratorLogs logs{};
    // Coefficients, highest degree first; starts as the polynomial 1.
    std::array<int, kMaxECCodewordsPerBlock + 1> poly{};
    poly[0] = 1;
    for (int d = 1; d <= kMaxECCodewordsPerBlock; ++d) {
        // Multiply by (x + alpha^(d-1)); minus is plus in GF(2^8).
        const int root = kExp[d - 1];
        for (int i = d; i >= 1; --i) poly[i] ^= Multiply(poly[i - 1], root);
        for (int i = 0; i < d; ++i) logs[d][i] = poly[i + 1] == 0 ? -1 : kLog[poly[i + 1]];
    }
    return logs;
}
constexpr TGeneratorLogs kGeneratorLogs = MakeGenerators();

}  // namespace

void QRCodeECBytes(const std::uint8_t* Data, int DataCount, std::uint8_t* EC,
                   int ECCount) noexcept {
    const std::array<int, kMaxECCodewordsPerBlock>& generator = kGeneratorLogs[ECCount];
    // Synthetic division: EC holds the running remainder, its leading term
    // first; each data codeword shifts it by one place.
    std::fill(EC, EC + ECCount, std::uint8_t{0});
    for (int i = 0; i < DataCount; ++i) {
        const int factor = Data[i] ^ EC[0];
        std::copy(EC + 1, EC + ECCount, EC);
        EC[ECCount - 1] = 0;
        if (factor == 0) continue;
        const int factorLog = kLog[factor];
        for (int j = 0; j < ECCount; ++j)
            if (generator[j] >= 0) EC[j] ^= kExp[generator[j] + factorLog];
    }
}

}  // namespace vd::qr
