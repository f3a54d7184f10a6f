// Number texts of the scene format. Every number is written as the C library's
// printf would write it in the "C" locale ("%g", "%.Nf", "%d", "%u"), but
// without going through printf: arrays of millions of values are formatted
// here, and printf is several times slower.
#pragma once

#include <cstdint>

namespace orv::number_text {

// Room that put_g, put_int and put_uint need at their output.
inline constexpr int kShortRoom = 32;
// Room that put_fixed needs for a precision of at most 16 and any double.
inline constexpr int kFixedRoom = 360;

// The text of printf("%g", value); returns the end of the text (no terminator).
char* put_g(char* out, double value);
// The text of printf("%g", (double)value), faster for floats.
char* put_g(char* out, float value);
// The text of printf("%<width>.<precision>f", value); precision 0 to 16.
char* put_fixed(char* out, double value, int precision, int width = 0);
// The text of printf("%d") and printf("%u").
char* put_int(char* out, int64_t value);
char* put_uint(char* out, uint64_t value);

}  // namespace orv::number_text
