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

}  // namespace

char* put_g(char* out, double value) { return fast_g(out, value); }

char* put_g(char* out, float value) { return fast_g(out, value); }

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
