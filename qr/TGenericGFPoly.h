// Immutable polynomials over a TGenericGF, which owns them. Every operation
// returns a polynomial of the same field (new, or one that already exists);
// nullptr stands for "no polynomial" where an argument has no meaning.
#pragma once

#include "QRTypes.h"
#include "TGenericGF.h"

namespace vd::qr {

class TGenericGFPoly;
using TGenericGFPolyArray = std::vector<const TGenericGFPoly*>;

class TGenericGFPoly final {
  public:
    // A new polynomial over AField, highest degree first; leading zeros are
    // dropped, all zeros (or none) give the single coefficient 0.
    static const TGenericGFPoly& Create(TGenericGF& AField, TIntegerArray ACoefficients);

    const TIntegerArray& Coefficients() const noexcept { return FCoefficients; }
    const TIntegerArray& GetCoefficients() const noexcept { return FCoefficients; }
    int GetDegree() const noexcept { return static_cast<int>(FCoefficients.size()) - 1; }
    bool IsZero() const noexcept { return FCoefficients[0] == 0; }
    // Coefficient of x^Degree.
    int GetCoefficient(int Degree) const noexcept {
        return FCoefficients[FCoefficients.size() - 1 - static_cast<std::size_t>(Degree)];
    }
    TGenericGF& Field() const noexcept { return *FField; }

    // nullptr when Other lives in another field.
    const TGenericGFPoly* AddOrSubtract(const TGenericGFPoly& Other) const;
    const TGenericGFPoly* Multiply(const TGenericGFPoly& Other) const;
    // nullptr when Degree < 0; zero when Coefficient is 0.
    const TGenericGFPoly* MultiplyByMonomial(int Degree, int Coefficient) const;
    // {quotient, remainder}; empty across fields or for a zero divisor.
    TGenericGFPolyArray Divide(const TGenericGFPoly& Other) const;

  private:
    TGenericGFPoly(TGenericGF& AField, TIntegerArray ACoefficients);

    TGenericGF* FField;  // not owned: the field owns this polynomial
    TIntegerArray FCoefficients;
};

}  // namespace vd::qr
