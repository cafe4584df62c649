#include "TReedSolomonEncoder.h"

#include <algorithm>

namespace vd::qr {

TReedSolomonEncoder::TReedSolomonEncoder(TGenericGF& AField)
    : FField(&AField), FCachedGenerators{&TGenericGFPoly::Create(AField, {1})} {}

const TGenericGFPoly& TReedSolomonEncoder::BuildGenerator(int Degree) {
    for (int d = static_cast<int>(FCachedGenerators.size()); d <= Degree; ++d) {
        const int root = FField->Exp(d - 1 + FField->GetGeneratorBase());
        const TGenericGFPoly& factor = TGenericGFPoly::Create(*FField, {1, root});
        FCachedGenerators.push_back(FCachedGenerators.back()->Multiply(factor));
    }
    return *FCachedGenerators[static_cast<std::size_t>(Degree)];
}

void TReedSolomonEncoder::Encode(TIntegerArray& ToEncode, int ECBytes) {
    const int dataCount = static_cast<int>(ToEncode.size()) - ECBytes;
    if (ECBytes <= 0 || dataCount <= 0) return;
    const TIntegerArray& generator = BuildGenerator(ECBytes).Coefficients();
    // The remainder of data(x) * x^ECBytes divided by the (monic) generator,
    // by synthetic division: the arithmetic of long division without a
    // polynomial per step. Products go through the logarithms, those of the
    // generator taken once (-1 for a zero coefficient).
    std::vector<int> generatorLog(static_cast<std::size_t>(ECBytes));
    for (std::size_t j = 0; j < generatorLog.size(); ++j)
        generatorLog[j] = generator[j + 1] == 0 ? -1 : FField->Log(generator[j + 1]);
    // The remainder lives in the EC places; entry 0 is its leading term.
    const auto remainder = ToEncode.begin() + dataCount;
    std::fill(remainder, ToEncode.end(), 0);
    for (int i = 0; i < dataCount; ++i) {
        const int factor = ToEncode[static_cast<std::size_t>(i)] ^ remainder[0];
        std::copy(remainder + 1, ToEncode.end(), remainder);
        ToEncode.back() = 0;
        if (factor == 0) continue;
        const int factorLog = FField->Log(factor);
        for (std::size_t j = 0; j < generatorLog.size(); ++j)
            if (generatorLog[j] >= 0)
                remainder[static_cast<std::ptrdiff_t>(j)] ^=
                    FField->MultiplyLogs(generatorLog[j], factorLog);
    }
}

}  // namespace vd::qr
