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
    // by synthetic division: the same arithmetic as long division, without
    // a polynomial per step.
    const auto ec = ToEncode.begin() + dataCount;
    std::fill(ec, ToEncode.end(), 0);
    for (int i = 0; i < dataCount; ++i) {
        const int factor = ToEncode[static_cast<std::size_t>(i)] ^ *ec;
        std::copy(ec + 1, ToEncode.end(), ec);
        ToEncode.back() = 0;
        for (int j = 0; j < ECBytes; ++j)
            *(ec + j) ^= FField->Multiply(generator[static_cast<std::size_t>(j) + 1], factor);
    }
}

}  // namespace vd::qr
