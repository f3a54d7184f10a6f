#include "sceneapi/NumberText.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace orv::number_text {
namespace {

// "%g" keeps 6 significant digits.
constexpr int kPrecision = 6;

char* exact_g(char* out, double value) {
  return std::to_chars(out, out + kShortRoom, value, std::chars_format::general, kPrecision).ptr;
}

// Lays out significant digits (no trailing zeros, at least one digit) with the
// decimal exponent of the first one, the way "%g" does.
char* layout_g(char* out, bool negative, const char* digits, int count, int exponent) {
  if (negative) *out++ = '-';
  if (exponent < -4 || exponent >= kPrecision) {
    *out++ = digits[0];
    if (count > 1) {
      *out++ = '.';
      std::memcpy(out, digits + 1, count - 1);
      out += count - 1;
    }
    *out++ = 'e';
    *out++ = exponent < 0 ? '-' : '+';
    const int magnitude = exponent < 0 ? -exponent : exponent;
    if (magnitude < 10) *out++ = '0';
    return std::to_chars(out, out + 8, magnitude).ptr;
  }
  if (exponent < 0) {
    *out++ = '0';
    *out++ = '.';
    for (int i = -1; i > exponent; --i) *out++ = '0';
    std::memcpy(out, digits, count);
    return out + count;
  }
  const int integer_digits = exponent + 1;
  if (count <= integer_digits) {
    std::memcpy(out, digits, count);
    out += count;
    for (int i = count; i < integer_digits; ++i) *out++ = '0';
    return out;
  }
  std::memcpy(out, digits, integer_digits);
  out += integer_digits;
  *out++ = '.';
  std::memcpy(out, digits + integer_digits, count - integer_digits);
  return out + count - integer_digits;
}

// The shortest text that reads back as the value is cheap to get. For a normal
// (not subnormal) value its distance to the exact value is far below half a
// step of 6 significant digits, so rounding its digits gives the digits of
// "%g", except when they end in exactly one "5" past the sixth digit: that tie
// is decided by the exact value.
template <class Real>
char* fast_g(char* out, Real value) {
  if (!std::isfinite(value)) {
    return std::to_chars(out, out + kShortRoom, value, std::chars_format::general).ptr;
  }
  if (value != 0 && std::fabs(value) < std::numeric_limits<Real>::min()) {
    return exact_g(out, value);
  }
  char shortest[48];
  const char* end =
      std::to_chars(shortest, shortest + sizeof shortest, value, std::chars_format::scientific).ptr;
  const char* p = shortest;
  const bool negative = *p == '-';
  if (negative) ++p;
  char digits[24];
  int count = 0;
  digits[count++] = *p++;
  if (*p == '.') {
    for (++p; *p != 'e'; ++p) digits[count++] = *p;
  }
  ++p;  // 'e'
  const bool negative_exponent = *p == '-';
  ++p;  // exponent sign
  int exponent = 0;
  std::from_chars(p, end, exponent);
  if (negative_exponent) exponent = -exponent;

  if (count > kPrecision) {
    if (count == kPrecision + 1 && digits[kPrecision] == '5') return exact_g(out, value);
    const bool round_up = digits[kPrecision] >= '5';
    count = kPrecision;
    if (round_up) {
      int i = kPrecision - 1;
      while (i >= 0 && digits[i] == '9') digits[i--] = '0';
      if (i < 0) {
        digits[0] = '1';
        ++exponent;
      } else {
        ++digits[i];
      }
    }
  }
  while (count > 1 && digits[count - 1] == '0') --count;
  return layout_g(out, negative, digits, count, exponent);
}

// Powers of ten 1e-20 to 1e20 as doubles: the floats between two of them all
// have the same decimal exponent (no float lies between a power of ten and
// its nearest double).
constexpr int kMinPower = -20;
constexpr int kMaxPower = 20;
constexpr double kPowersOfTen[] = {
    1e-20, 1e-19, 1e-18, 1e-17, 1e-16, 1e-15, 1e-14, 1e-13, 1e-12, 1e-11, 1e-10, 1e-9, 1e-8, 1e-7,
    1e-6,  1e-5,  1e-4,  1e-3,  1e-2,  1e-1,  1e0,   1e1,   1e2,   1e3,   1e4,   1e5,  1e6,  1e7,
    1e8,   1e9,   1e10,  1e11,  1e12,  1e13,  1e14,  1e15,  1e16,  1e17,  1e18,  1e19, 1e20};

uint64_t power_of_ten(int exponent) {
  uint64_t power = 1;
  while (exponent-- > 0) power *= 10;
  return power;
}

// Rounds numerator / 2^shift to the nearest integer, ties to even (as printf).
uint64_t round_shifted(unsigned __int128 numerator, int shift) {
  if (shift == 0) return static_cast<uint64_t>(numerator);
  const auto quotient = static_cast<uint64_t>(numerator >> shift);
  const unsigned __int128 remainder =
      numerator & ((static_cast<unsigned __int128>(1) << shift) - 1);
  const unsigned __int128 half = static_cast<unsigned __int128>(1) << (shift - 1);
  return quotient + ((remainder > half || (remainder == half && (quotient & 1))) ? 1 : 0);
}

uint64_t round_divided(uint64_t numerator, uint64_t divisor) {
  const uint64_t quotient = numerator / divisor;
  const uint64_t twice_remainder = 2 * (numerator % divisor);
  return quotient +
         ((twice_remainder > divisor || (twice_remainder == divisor && (quotient & 1))) ? 1 : 0);
}

// Floats from 1e-14 to 1e19 (every mesh coordinate) are rounded to 6
// significant digits exactly, with integer arithmetic: the float is
// mantissa x 2^exponent with a 24-bit mantissa.
char* float_g(char* out, float value) {
  const float magnitude = std::fabs(value);
  if (!(magnitude >= 1e-14f && magnitude < 1e19f)) return fast_g(out, value);
  int binary_exponent;
  const float fraction = std::frexp(magnitude, &binary_exponent);  // magnitude = fraction x 2^e
  const auto mantissa = static_cast<uint64_t>(std::ldexp(fraction, 24));
  const int exponent2 = binary_exponent - 24;

  // Decimal exponent: estimated from the binary one, then settled on the table.
  const double exact = magnitude;
  int exponent10 = static_cast<int>(std::floor((binary_exponent - 1) * 0.30102999566398120));
  if (exponent10 < kMinPower) exponent10 = kMinPower;
  if (exponent10 > kMaxPower - 1) exponent10 = kMaxPower - 1;
  while (exponent10 > kMinPower && exact < kPowersOfTen[exponent10 - kMinPower]) --exponent10;
  while (exponent10 < kMaxPower - 1 && exact >= kPowersOfTen[exponent10 + 1 - kMinPower]) {
    ++exponent10;
  }

  uint64_t digits;
  const int scale = exponent10 - (kPrecision - 1);
  if (scale >= 0) {
    // At least 1e5, so the binary exponent is above -8 and 2^-exponent2 x 10^scale fits.
    if (exponent2 >= 0) {
      digits = round_divided(mantissa << exponent2, power_of_ten(scale));
    } else {
      digits = round_divided(mantissa, power_of_ten(scale) << -exponent2);
    }
  } else {
    // Below 1e5, so exponent2 is negative; 10^-scale fits 64 bits from 1e-14 on.
    const unsigned __int128 numerator =
        static_cast<unsigned __int128>(mantissa) * power_of_ten(-scale);
    digits = round_shifted(numerator, -exponent2);
  }
  if (digits >= 1000000) {  // rounded up into the next power of ten
    digits /= 10;
    ++exponent10;
  }
  char text[kPrecision];
  for (int i = kPrecision - 1; i >= 0; --i) {
    text[i] = static_cast<char>('0' + digits % 10);
    digits /= 10;
  }
  int count = kPrecision;
  while (count > 1 && text[count - 1] == '0') --count;
  return layout_g(out, std::signbit(value), text, count, exponent10);
}

}  // namespace

char* put_g(char* out, double value) { return fast_g(out, value); }

char* put_g(char* out, float value) { return float_g(out, value); }

char* put_fixed(char* out, double value, int precision, int width) {
  char text[kFixedRoom];
  const char* end =
      std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, precision).ptr;
  const int length = static_cast<int>(end - text);
  for (int i = length; i < width; ++i) *out++ = ' ';
  std::memcpy(out, text, length);
  return out + length;
}

char* put_int(char* out, int64_t value) { return std::to_chars(out, out + kShortRoom, value).ptr; }

char* put_uint(char* out, uint64_t value) {
  return std::to_chars(out, out + kShortRoom, value).ptr;
}

}  // namespace orv::number_text
