// The penalty rules that score a masked symbol (after ISO/IEC 18004 7.8.3).
// Each takes a complete matrix whose cells are 0 (light) or 1 (dark), the
// function patterns included; lower is better.
#pragma once

#include "PackedLines.h"
#include "TByteMatrix.h"

namespace vd::qr {

// Runs of one colour along rows (Horizontal) or columns: a run of n >= 5
// modules scores 3 + (n - 5); runs end at the edge.
int PenaltyRule1(const TByteMatrix& Matrix, bool Horizontal);
// 3 for every 2 x 2 block of one colour, overlapping blocks included.
int PenaltyRule2(const TByteMatrix& Matrix);
// 40 for every dark-light-dark-dark-dark-light-dark sequence in a row or
// column with four light modules inside the matrix before or after it.
int PenaltyRule3(const TByteMatrix& Matrix);
// Balance: 1 when fewer than 25 % or more than 75 % of the modules are dark,
// otherwise 0. (The standard gives 10 points per 5 % step; this system has
// always scored the feature 0 or 1.)
int PenaltyRule4(const TByteMatrix& Matrix);
// Rule 1 both ways plus rules 2, 3 and 4.
int TotalPenalty(const TByteMatrix& Matrix);
// The same on the matrix's dark modules packed as rows and as columns.
int TotalPenalty(const TPackedLines& Rows, const TPackedLines& Columns);

}  // namespace vd::qr
