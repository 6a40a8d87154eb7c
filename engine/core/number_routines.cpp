// Number helpers. Conversions truncate toward zero whatever the rounding mode (a C++
// conversion always truncates); out-of-range input is caught before conversion.
#include "engine/core/number_routines.h"

#include <cmath>

std::int32_t AbsInt(std::int32_t value) {
    if (value >= 0 || value == INT32_MIN) return value;
    return -value;
}

float AbsFloat(float value) { return value < 0.0f ? -value : value; }

std::int32_t DoubleToInt(double value) {
    // Anything whose truncation does not fit (and NaN) gives the indefinite integer.
    if (!(value > -2147483649.0 && value < 2147483648.0)) return INT32_MIN;
    return static_cast<std::int32_t>(value);
}

std::int32_t FloatToInt(float value) { return DoubleToInt(static_cast<double>(value)); }

std::int32_t ClampInt(std::int32_t value, std::int32_t low, std::int32_t high) {
    if (value < low) return low;
    if (value > high) return high;
    return value;
}

std::int32_t HoldToInt(std::int64_t value) {
    if (value < INT32_MIN) return INT32_MIN;
    if (value > INT32_MAX) return INT32_MAX;
    return static_cast<std::int32_t>(value);
}

std::int32_t HoldDoubleToRange(double value, std::int32_t low, std::int32_t high) {
    if (!(value >= low)) return low;  // also NaN
    if (value > high) return high;
    return DoubleToInt(value);
}

std::int32_t HoldFloatToInt(float value) { return HoldDoubleToRange(value, INT32_MIN, INT32_MAX); }

float SqrtFloat(float value) { return std::sqrt(value); }

void SinCosFloat(float angle, float* sine, float* cosine) {
    const double a = angle;
    *sine = static_cast<float>(std::sin(a));
    *cosine = static_cast<float>(std::cos(a));
}

void MultiplyU64(const std::uint64_t* a, const std::uint64_t* b, std::uint32_t product[4]) {
    const std::uint64_t a_lo = *a & 0xFFFFFFFFu, a_hi = *a >> 32;
    const std::uint64_t b_lo = *b & 0xFFFFFFFFu, b_hi = *b >> 32;
    const std::uint64_t lo_lo = a_lo * b_lo;
    const std::uint64_t hi_lo = a_hi * b_lo;
    const std::uint64_t lo_hi = a_lo * b_hi;
    const std::uint64_t hi_hi = a_hi * b_hi;
    // Middle column with its carries.
    const std::uint64_t middle = (lo_lo >> 32) + (hi_lo & 0xFFFFFFFFu) + (lo_hi & 0xFFFFFFFFu);
    const std::uint64_t high = hi_hi + (hi_lo >> 32) + (lo_hi >> 32) + (middle >> 32);
    product[0] = static_cast<std::uint32_t>(lo_lo);
    product[1] = static_cast<std::uint32_t>(middle);
    product[2] = static_cast<std::uint32_t>(high);
    product[3] = static_cast<std::uint32_t>(high >> 32);
}

void DivideU128ByU64(const std::uint32_t dividend[4], const std::uint64_t* divisor, std::uint64_t* quotient) {
    if (*divisor == 0) {
        *quotient = ~0ull;
        return;
    }
    std::uint64_t n_hi = (static_cast<std::uint64_t>(dividend[3]) << 32) | dividend[2];
    std::uint64_t n_lo = (static_cast<std::uint64_t>(dividend[1]) << 32) | dividend[0];
    const std::uint64_t d = *divisor;
    // Restoring shift-subtract division, one quotient bit per step from the top.
    std::uint64_t q_lo = 0;
    std::uint64_t remainder = 0;
    for (int bit = 127; bit >= 0; --bit) {
        const bool top = (remainder >> 63) != 0;
        const std::uint64_t next = bit >= 64 ? (n_hi >> (bit - 64)) & 1u : (n_lo >> bit) & 1u;
        remainder = (remainder << 1) | next;
        if (top || remainder >= d) {
            remainder -= d;
            if (bit < 64) q_lo |= 1ull << bit;
        }
    }
    *quotient = q_lo;
}
