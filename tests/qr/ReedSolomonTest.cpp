// GF(256), polynomials and Reed-Solomon, checked against the worked example
// and against a textbook encoder written here from first principles.
#include <gtest/gtest.h>

#include <random>

#include "QrTestSupport.h"
#include "TGenericGF.h"
#include "TGenericGFPoly.h"
#include "TReedSolomonEncoder.h"
#include "TVersion.h"

namespace vd::qr {
namespace {

using test::SlowMultiply;
using test::TextbookRemainder;

std::vector<int> EncodeWith(TReedSolomonEncoder& encoder, const std::vector<int>& data, int ec) {
    TIntegerArray toEncode(data.begin(), data.end());
    toEncode.resize(data.size() + static_cast<std::size_t>(ec), 0);
    encoder.Encode(toEncode, ec);
    EXPECT_TRUE(std::equal(data.begin(), data.end(), toEncode.begin())) << "data changed";
    return std::vector<int>(toEncode.end() - ec, toEncode.end());
}

// --- The field.

TEST(QrGaloisField, TablesAndArithmetic) {
    auto field = TGenericGF::CreateQRCodeField256();
    const int powers[] = {1, 2, 4, 8, 16, 32, 64, 128, 29, 58};
    for (int i = 0; i < 10; ++i) EXPECT_EQ(field->Exp(i), powers[i]) << i;
    EXPECT_EQ(field->Exp(255), 1);
    EXPECT_EQ(field->Multiply(2, 128), 29);
    EXPECT_EQ(field->Inverse(1), 1);
    EXPECT_EQ(field->Inverse(2), 142);
    EXPECT_EQ(field->Inverse(0), 0);
    EXPECT_EQ(TGenericGF::AddOrSubtract(0x53, 0xCA), 0x99);
    for (int a = 0; a < 256; ++a) {
        EXPECT_EQ(field->Multiply(a, 0), 0);
        EXPECT_EQ(field->Multiply(0, a), 0);
        if (a != 0) {
            EXPECT_EQ(field->Multiply(a, field->Inverse(a)), 1) << a;
        }
        for (int b = 0; b < 256; b += 17) EXPECT_EQ(field->Multiply(a, b), SlowMultiply(a, b));
    }
}

// --- Polynomials.

TEST(QrPolynomial, LeadingZerosAreDropped) {
    auto field = TGenericGF::CreateQRCodeField256();
    const TGenericGFPoly& p = TGenericGFPoly::Create(*field, {0, 0, 5, 1});
    EXPECT_EQ(p.GetDegree(), 1);
    EXPECT_EQ(p.GetCoefficients(), (TIntegerArray{5, 1}));
    EXPECT_EQ(p.GetCoefficient(0), 1);
    EXPECT_EQ(p.GetCoefficient(1), 5);
    const TGenericGFPoly& zero = TGenericGFPoly::Create(*field, {0, 0, 0});
    EXPECT_TRUE(zero.IsZero());
    EXPECT_EQ(zero.GetCoefficients(), TIntegerArray{0});
}

TEST(QrPolynomial, AdditionAndTheZeroPolynomial) {
    auto field = TGenericGF::CreateQRCodeField256();
    const TGenericGFPoly& p = TGenericGFPoly::Create(*field, {3, 7, 9});
    const TGenericGFPoly& q = TGenericGFPoly::Create(*field, {1, 2});
    EXPECT_TRUE(p.AddOrSubtract(p)->IsZero());
    EXPECT_EQ(p.AddOrSubtract(field->GetZero()), &p);
    EXPECT_EQ(field->GetZero().AddOrSubtract(q), &q);
    EXPECT_EQ(p.AddOrSubtract(q)->GetCoefficients(), (TIntegerArray{3, 7 ^ 1, 9 ^ 2}));
    auto other = TGenericGF::CreateQRCodeField256();
    EXPECT_EQ(p.AddOrSubtract(TGenericGFPoly::Create(*other, {1})), nullptr);
    EXPECT_EQ(p.Multiply(TGenericGFPoly::Create(*other, {1})), nullptr);
}

TEST(QrPolynomial, MultiplicationAndMonomials) {
    auto field = TGenericGF::CreateQRCodeField256();
    const TGenericGFPoly& p = TGenericGFPoly::Create(*field, {3, 7});
    const TGenericGFPoly& q = TGenericGFPoly::Create(*field, {2, 0, 5});
    const TIntegerArray expected{SlowMultiply(3, 2), SlowMultiply(7, 2), SlowMultiply(3, 5),
                                 SlowMultiply(7, 5)};
    EXPECT_EQ(p.Multiply(q)->GetCoefficients(), expected);
    EXPECT_TRUE(p.Multiply(field->GetZero())->IsZero());
    EXPECT_EQ(p.MultiplyByMonomial(2, 4)->GetCoefficients(),
              (TIntegerArray{SlowMultiply(3, 4), SlowMultiply(7, 4), 0, 0}));
    EXPECT_EQ(p.MultiplyByMonomial(-1, 4), nullptr);
    EXPECT_TRUE(p.MultiplyByMonomial(3, 0)->IsZero());
    EXPECT_EQ(field->BuildMonomial(3, 9)->GetCoefficients(), (TIntegerArray{9, 0, 0, 0}));
    EXPECT_EQ(field->BuildMonomial(-1, 9), nullptr);
    EXPECT_TRUE(field->BuildMonomial(3, 0)->IsZero());
}

TEST(QrPolynomial, DivisionGivesQuotientAndRemainder) {
    auto field = TGenericGF::CreateQRCodeField256();
    const TGenericGFPoly& divisor = TGenericGFPoly::Create(*field, {7, 1, 200});
    const TGenericGFPoly& quotient = TGenericGFPoly::Create(*field, {5, 0, 17, 3});
    const TGenericGFPoly& remainder = TGenericGFPoly::Create(*field, {99, 4});
    const TGenericGFPoly& dividend = *divisor.Multiply(quotient)->AddOrSubtract(remainder);
    const TGenericGFPolyArray result = dividend.Divide(divisor);
    ASSERT_EQ(result.size(), 2u);
    EXPECT_EQ(result[0]->GetCoefficients(), quotient.GetCoefficients());
    EXPECT_EQ(result[1]->GetCoefficients(), remainder.GetCoefficients());
    EXPECT_TRUE(dividend.Divide(field->GetZero()).empty());
}

// --- Reed-Solomon.

TEST(QrReedSolomon, GeneratorOfDegreeSevenAndTheCache) {
    auto field = TGenericGF::CreateQRCodeField256();
    TReedSolomonEncoder encoder(*field);
    // ISO/IEC 18004 Annex A: exponents of alpha from x^7 down.
    const int exponents[] = {0, 87, 229, 146, 149, 238, 102, 21};
    const TGenericGFPoly& g10 = encoder.BuildGenerator(10);
    const TGenericGFPoly& g7 = encoder.BuildGenerator(7);
    ASSERT_EQ(g7.GetDegree(), 7);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(g7.GetCoefficients()[i], field->Exp(exponents[i])) << i;
    EXPECT_EQ(&encoder.BuildGenerator(7), &g7);
    EXPECT_EQ(&encoder.BuildGenerator(10), &g10);
    EXPECT_EQ(encoder.BuildGenerator(0).GetCoefficients(), TIntegerArray{1});
}

TEST(QrReedSolomon, WorkedExample) {
    auto field = TGenericGF::CreateQRCodeField256();
    TReedSolomonEncoder encoder(*field);
    const test::Bytes data = test::Hex("10 20 0C 56 61 80 EC 11 EC 11 EC 11 EC 11 EC 11");
    const std::vector<int> ec = EncodeWith(encoder, std::vector<int>(data.begin(), data.end()), 10);
    EXPECT_EQ(test::ToHex(test::Bytes(ec.begin(), ec.end())), "A5 24 D4 C1 ED 36 C7 87 2C 55");
}

TEST(QrReedSolomon, ZeroDataGivesZeroCodewordsAndEmptyCasesChangeNothing) {
    auto field = TGenericGF::CreateQRCodeField256();
    TReedSolomonEncoder encoder(*field);
    EXPECT_EQ(EncodeWith(encoder, std::vector<int>(19, 0), 7), std::vector<int>(7, 0));
    TIntegerArray noData{9, 9, 9};
    encoder.Encode(noData, 3);
    EXPECT_EQ(noData, (TIntegerArray{9, 9, 9}));
    TIntegerArray noEC{1, 2, 3};
    encoder.Encode(noEC, 0);
    EXPECT_EQ(noEC, (TIntegerArray{1, 2, 3}));
}

TEST(QrReedSolomon, MatchesTheTextbookEncoderOnEveryBlockSize) {
    auto field = TGenericGF::CreateQRCodeField256();
    TReedSolomonEncoder encoder(*field);
    std::mt19937 random(18004);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int v = 1; v <= 40; ++v) {
        for (const TECBlocks& blocks : TVersion::GetVersionForNumber(v)->ECBlocks()) {
            for (const TECB& group : blocks.GetECBlocks()) {
                std::vector<int> data(static_cast<std::size_t>(group.GetDataCodewords()));
                for (int& d : data) d = byte(random);
                const int ec = blocks.GetECCodewordsPerBlock();
                ASSERT_EQ(EncodeWith(encoder, data, ec), TextbookRemainder(data, ec))
                    << "version " << v << ", " << data.size() << " data, " << ec << " EC";
            }
        }
    }
}

}  // namespace
}  // namespace vd::qr
