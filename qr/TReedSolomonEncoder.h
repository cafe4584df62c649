// Reed-Solomon error-correction codewords over a TGenericGF, with the
// generator polynomials cached by degree.
#pragma once

#include <vector>

#include "QRTypes.h"
#include "TGenericGFPoly.h"

namespace vd::qr {

class TReedSolomonEncoder final {
  public:
    // AField is not owned and must outlive the encoder.
    explicit TReedSolomonEncoder(TGenericGF& AField);

    // (x - alpha^b)(x - alpha^(b+1))...(x - alpha^(b+Degree-1)), b the
    // field's generator base; Degree >= 0.
    const TGenericGFPoly& BuildGenerator(int Degree);
    // ToEncode holds the data codewords followed by ECBytes places; the EC
    // codewords are written into those places. Leaves ToEncode unchanged when
    // ECBytes <= 0 or there is no data codeword.
    void Encode(TIntegerArray& ToEncode, int ECBytes);

  private:
    TGenericGF* FField;  // not owned
    // Entry d is the generator of degree d; the field owns the polynomials.
    std::vector<const TGenericGFPoly*> FCachedGenerators;
};

}  // namespace vd::qr
