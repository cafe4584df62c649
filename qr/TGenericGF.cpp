#include "TGenericGF.h"

#include "TGenericGFPoly.h"

namespace vd::qr {

TGenericGF::TGenericGF(int Primitive, int Size, int B)
    : FSize(Size), FPrimitive(Primitive), FGeneratorBase(B) {}

TGenericGF::~TGenericGF() = default;

std::unique_ptr<TGenericGF> TGenericGF::CreateQRCodeField256() {
    return std::make_unique<TGenericGF>(0x11D, 256, 0);
}

void TGenericGF::BuildTables() {
    FExpTable.assign(static_cast<std::size_t>(FSize), 0);
    FLogTable.assign(static_cast<std::size_t>(FSize), 0);
    int x = 1;
    for (int i = 0; i < FSize; ++i) {
        FExpTable[static_cast<std::size_t>(i)] = x;
        x *= 2;
        if (x >= FSize) x = (x ^ FPrimitive) & (FSize - 1);
    }
    for (int i = 0; i < FSize - 1; ++i) FLogTable[static_cast<std::size_t>(FExpTable[i])] = i;
    FInitialized = true;  // before the polynomials: Create must not recurse
    FZero = &TGenericGFPoly::Create(*this, {0});
    FOne = &TGenericGFPoly::Create(*this, {1});
}

void TGenericGF::EnsureTables() {
    if (!FInitialized) BuildTables();
}

int TGenericGF::Exp(int A) {
    EnsureTables();
    return FExpTable[static_cast<std::size_t>(A)];
}

int TGenericGF::Inverse(int A) {
    EnsureTables();
    if (A == 0) return 0;
    return FExpTable[static_cast<std::size_t>(FSize - FLogTable[static_cast<std::size_t>(A)] - 1)];
}

int TGenericGF::Multiply(int A, int B) {
    EnsureTables();
    if (A == 0 || B == 0) return 0;
    const int log = FLogTable[static_cast<std::size_t>(A)] + FLogTable[static_cast<std::size_t>(B)];
    return FExpTable[static_cast<std::size_t>(log % (FSize - 1))];
}

int TGenericGF::Log(int A) {
    EnsureTables();
    return FLogTable[static_cast<std::size_t>(A)];
}

const TGenericGFPoly& TGenericGF::GetZero() {
    EnsureTables();
    return *FZero;
}

const TGenericGFPoly* TGenericGF::BuildMonomial(int Degree, int Coefficient) {
    EnsureTables();
    if (Degree < 0) return nullptr;
    if (Coefficient == 0) return FZero;
    TIntegerArray coefficients(static_cast<std::size_t>(Degree) + 1, 0);
    coefficients[0] = Coefficient;
    return &TGenericGFPoly::Create(*this, std::move(coefficients));
}

const TGenericGFPoly& TGenericGF::Register(TGenericGFPoly Poly) {
    return FPolyList.emplace_back(std::move(Poly));
}

}  // namespace vd::qr
