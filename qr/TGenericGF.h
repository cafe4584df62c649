// A Galois field GF(Size) with exponent and logarithm tables, and the arena
// that owns every polynomial created over it.
#pragma once

#include <deque>
#include <memory>

#include "QRTypes.h"

namespace vd::qr {

class TGenericGFPoly;

class TGenericGF final {
  public:
    // Primitive: the field's primitive polynomial as a bit mask; Size: number
    // of elements; B: exponent of the first root of generator polynomials.
    // The tables are built on first use.
    TGenericGF(int Primitive, int Size, int B);
    ~TGenericGF();
    // Polynomials point back at their field: it stays where it was made.
    TGenericGF(const TGenericGF&) = delete;
    TGenericGF& operator=(const TGenericGF&) = delete;

    // GF(256) of ISO/IEC 18004: x^8 + x^4 + x^3 + x^2 + 1 (0x11D), base 0.
    static std::unique_ptr<TGenericGF> CreateQRCodeField256();

    // alpha^A for 0 <= A < Size.
    int Exp(int A);
    // The multiplicative inverse; 0 for 0.
    int Inverse(int A);
    int Multiply(int A, int B);
    // The exponent i with alpha^i = A, for A != 0.
    int Log(int A);
    // alpha^(LogA + LogB): the product of two nonzero elements given by
    // their logarithms. The tables must exist (any Log call builds them).
    int MultiplyLogs(int LogA, int LogB) const noexcept {
        const int sum = LogA + LogB;  // below 2 (Size - 1): one wrap at most
        return FExpTable[static_cast<std::size_t>(sum >= FSize - 1 ? sum - (FSize - 1) : sum)];
    }
    static int AddOrSubtract(int A, int B) noexcept { return A ^ B; }
    const TGenericGFPoly& GetZero();
    int GetGeneratorBase() const noexcept { return FGeneratorBase; }
    // Coefficient * x^Degree; nullptr when Degree < 0, the zero polynomial
    // when Coefficient is 0.
    const TGenericGFPoly* BuildMonomial(int Degree, int Coefficient);

  private:
    friend class TGenericGFPoly;
    const TGenericGFPoly& Register(TGenericGFPoly Poly);
    void EnsureTables();
    void BuildTables();

    TIntegerArray FExpTable;
    TIntegerArray FLogTable;  // entry 0 is never used
    const TGenericGFPoly* FZero = nullptr;
    const TGenericGFPoly* FOne = nullptr;
    int FSize = 0;
    int FPrimitive = 0;
    int FGeneratorBase = 0;
    bool FInitialized = false;
    // Every polynomial created over this field, in creation order; a deque
    // keeps the references handed out valid as it grows.
    std::deque<TGenericGFPoly> FPolyList;
};

}  // namespace vd::qr
