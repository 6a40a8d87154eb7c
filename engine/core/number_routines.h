// Integer and floating-point helpers with fixed results: absolute values, truncating
// conversions, values held to a range, square root, combined sine and cosine, and the
// 128-bit multiply and divide behind the microsecond clock.
#pragma once

#include <cstdint>

std::int32_t AbsInt(std::int32_t value);
float AbsFloat(float value);
// Truncate toward zero. NaN and values outside the 32-bit range give INT32_MIN
// (0x80000000), the processor's "integer indefinite".
std::int32_t FloatToInt(float value);
std::int32_t DoubleToInt(double value);
// Values held to a range instead of wrapping or becoming the indefinite integer.
// `value` held to [low, high]; when low > high the low bound is tested first and wins
// for values below it, the high bound for the rest.
std::int32_t ClampInt(std::int32_t value, std::int32_t low, std::int32_t high);
// A 64-bit sum or difference held to the 32-bit range.
std::int32_t HoldToInt(std::int64_t value);
// Truncated toward zero and held to [low, high]: NaN and anything below `low` give `low`,
// anything above `high` gives `high`.
std::int32_t HoldDoubleToRange(double value, std::int32_t low, std::int32_t high);
// Truncated toward zero and held to the 32-bit range; NaN gives INT32_MIN.
std::int32_t HoldFloatToInt(float value);
float SqrtFloat(float value);
void SinCosFloat(float angle, float* sine, float* cosine);
// product: four 32-bit words, lowest first.
void MultiplyU64(const std::uint64_t* a, const std::uint64_t* b, std::uint32_t product[4]);
// Writes the low 64 bits of dividend / divisor. A zero divisor gives all bits set
// instead of looping.
void DivideU128ByU64(const std::uint32_t dividend[4], const std::uint64_t* divisor, std::uint64_t* quotient);
