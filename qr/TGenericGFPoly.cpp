#include "TGenericGFPoly.h"

#include <algorithm>
#include <utility>

namespace vd::qr {

TGenericGFPoly::TGenericGFPoly(TGenericGF& AField, TIntegerArray ACoefficients)
    : FField(&AField), FCoefficients(std::move(ACoefficients)) {
    const auto firstNonZero =
        std::find_if(FCoefficients.begin(), FCoefficients.end(), [](int c) { return c != 0; });
    if (firstNonZero == FCoefficients.end())
        FCoefficients.assign(1, 0);
    else
        FCoefficients.erase(FCoefficients.begin(), firstNonZero);
}

const TGenericGFPoly& TGenericGFPoly::Create(TGenericGF& AField, TIntegerArray ACoefficients) {
    return AField.Register(TGenericGFPoly(AField, std::move(ACoefficients)));
}

const TGenericGFPoly* TGenericGFPoly::AddOrSubtract(const TGenericGFPoly& Other) const {
    if (Other.FField != FField) return nullptr;
    if (IsZero()) return &Other;
    if (Other.IsZero()) return this;
    const bool thisLonger = FCoefficients.size() >= Other.FCoefficients.size();
    const TIntegerArray& longer = thisLonger ? FCoefficients : Other.FCoefficients;
    const TIntegerArray& shorter = thisLonger ? Other.FCoefficients : FCoefficients;
    TIntegerArray sum = longer;
    const std::size_t offset = longer.size() - shorter.size();
    for (std::size_t i = 0; i < shorter.size(); ++i) sum[offset + i] ^= shorter[i];
    return &Create(*FField, std::move(sum));
}

const TGenericGFPoly* TGenericGFPoly::Multiply(const TGenericGFPoly& Other) const {
    if (Other.FField != FField) return nullptr;
    if (IsZero() || Other.IsZero()) return &FField->GetZero();
    TIntegerArray product(FCoefficients.size() + Other.FCoefficients.size() - 1, 0);
    for (std::size_t i = 0; i < FCoefficients.size(); ++i)
        for (std::size_t j = 0; j < Other.FCoefficients.size(); ++j)
            product[i + j] ^= FField->Multiply(FCoefficients[i], Other.FCoefficients[j]);
    return &Create(*FField, std::move(product));
}

const TGenericGFPoly* TGenericGFPoly::MultiplyByMonomial(int Degree, int Coefficient) const {
    if (Degree < 0) return nullptr;
    if (Coefficient == 0) return &FField->GetZero();
    TIntegerArray product(FCoefficients.size() + static_cast<std::size_t>(Degree), 0);
    for (std::size_t i = 0; i < FCoefficients.size(); ++i)
        product[i] = FField->Multiply(FCoefficients[i], Coefficient);
    return &Create(*FField, std::move(product));
}

TGenericGFPolyArray TGenericGFPoly::Divide(const TGenericGFPoly& Other) const {
    if (Other.FField != FField || Other.IsZero()) return {};
    const TGenericGFPoly* quotient = &FField->GetZero();
    const TGenericGFPoly* remainder = this;
    const int inverse = FField->Inverse(Other.GetCoefficient(Other.GetDegree()));
    // Long division: cancel the remainder's leading term until its degree
    // drops below the divisor's.
    while (remainder->GetDegree() >= Other.GetDegree() && !remainder->IsZero()) {
        const int d = remainder->GetDegree() - Other.GetDegree();
        const int scale =
            FField->Multiply(remainder->GetCoefficient(remainder->GetDegree()), inverse);
        quotient = quotient->AddOrSubtract(*FField->BuildMonomial(d, scale));
        remainder = remainder->AddOrSubtract(*Other.MultiplyByMonomial(d, scale));
    }
    return {quotient, remainder};
}

}  // namespace vd::qr
