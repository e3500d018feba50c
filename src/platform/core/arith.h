// Arithmetic rules shared by every layout computation: single-precision ratios, products
// and quotients in extended precision, round half to even, truncation, integer halving.
#pragma once

#include <cfenv>
#include <cmath>
#include <cstdint>

namespace galimo {

// Round half to even, as the layout rules require (323.5 -> 324, 324.5 -> 324).
// nearbyintl follows the current rounding mode, which this program never changes from
// round-to-nearest-even; we check it anyway rather than trust a library's side effects.
inline int64_t RoundEven(long double v)
{
    if (std::fegetround() != FE_TONEAREST) std::fesetround(FE_TONEAREST);
    return static_cast<int64_t>(std::nearbyintl(v));
}

// Drops the fraction (toward zero).
inline int64_t Truncate(long double v) { return static_cast<int64_t>(v); }

// Integer halving and division as C++ '/' does it: toward zero.
inline int Div(int a, int b) { return a / b; }

// The ratio b / a rounded to single precision, as stored for pictures.
inline float Ratio(int numerator, int denominator)
{
    // Quotient in extended precision, then one rounding to single, so no double rounding.
    return static_cast<float>(static_cast<long double>(numerator) / static_cast<long double>(denominator));
}

// a * b / c with a 64-bit product, rounded to the nearest integer (halves away from zero).
inline int MulDiv(int a, int b, int c)
{
    if (c == 0) return -1;
    const int64_t p = static_cast<int64_t>(a) * b;
    const bool negative = (p < 0) != (c < 0);
    const int64_t ap = p < 0 ? -p : p;
    const int64_t ac = c < 0 ? -static_cast<int64_t>(c) : c;
    const int64_t q = (ap + ac / 2) / ac;
    return static_cast<int>(negative ? -q : q);
}

}  // namespace galimo
