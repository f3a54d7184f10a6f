// Number texts must equal what printf writes in the "C" locale, which is what
// the scene format is defined by; printf itself is the oracle here.
#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "sceneapi/NumberText.h"
#include "support/scene_capture.h"

namespace {

using orv::number_text::put_fixed;
using orv::number_text::put_g;
using orv::number_text::put_int;
using orv::number_text::put_uint;

std::string printf_text(const char* format, double value) {
  char text[512];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

std::string g_of(double value) {
  char text[orv::number_text::kShortRoom];
  return {text, put_g(text, value)};
}

std::string g_of(float value) {
  char text[orv::number_text::kShortRoom];
  return {text, put_g(text, value)};
}

float float_from_bits(uint32_t bits) {
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

double double_from_bits(uint64_t bits) {
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

// Values where "%g" changes layout, rounds up into a new power of ten, or sits
// at the limits of the types.
const double kEdgeValues[] = {0.0,
                              -0.0,
                              1.0,
                              -1.0,
                              0.1,
                              0.5,
                              1e-5,
                              1e-4,
                              9.99995e-5,
                              0.000099999949,
                              0.0001234565,
                              1e16,
                              1e15,
                              123456.0,
                              999999.0,
                              999999.4,
                              999999.5,
                              9999995.0,
                              99999.95,
                              9.999995,
                              0.9999995,
                              1234565.0,
                              2.5,
                              1e100,
                              1e-100,
                              1.7976931348623157e308,
                              -1.7976931348623157e308,
                              2.2250738585072014e-308,
                              4.9406564584124654e-324,
                              1e-310,
                              3.4028234663852886e38,
                              -3.4028234663852886e38,
                              1.1754943508222875e-38,
                              1.401298464324817e-45,
                              std::numeric_limits<double>::infinity(),
                              -std::numeric_limits<double>::infinity()};

TEST(NumberText, GeneralFormOfEdgeValuesMatchesPrintf) {
  for (const double value : kEdgeValues) {
    EXPECT_EQ(g_of(value), printf_text("%g", value)) << "double " << value;
    const auto as_float = static_cast<float>(value);
    EXPECT_EQ(g_of(as_float), printf_text("%g", as_float)) << "float " << as_float;
  }
}

TEST(NumberText, NanIsWrittenAsPrintfWritesIt) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(g_of(nan), "nan");
  EXPECT_EQ(g_of(-nan), "-nan");
  EXPECT_EQ(g_of(static_cast<float>(nan)), "nan");
  char text[orv::number_text::kFixedRoom];
  EXPECT_EQ(std::string(text, put_fixed(text, nan, 16, 16)), "             nan");
}

TEST(NumberText, GeneralFormOfRandomFloatsMatchesPrintf) {
  std::mt19937 random(20261211);
  std::uniform_real_distribution<float> mesh_range(-2000.0f, 2000.0f);
  int mismatches = 0;
  for (int i = 0; i < 400000 && mismatches < 10; ++i) {
    // Any bit pattern (all exponents, subnormals, NaNs) and typical coordinates.
    const float any = float_from_bits(static_cast<uint32_t>(random()));
    const float coordinate = mesh_range(random);
    for (const float value : {any, coordinate}) {
      if (std::isnan(value)) continue;  // the sign of a NaN is not portable
      const std::string expected = printf_text("%g", value);
      if (g_of(value) != expected) {
        ADD_FAILURE() << "float bits " << std::hex << std::bit_cast<uint32_t>(value) << ": "
                      << g_of(value) << " != " << expected;
        ++mismatches;
      }
    }
  }
}

TEST(NumberText, GeneralFormOfRandomDoublesMatchesPrintf) {
  std::mt19937_64 random(1211);
  int mismatches = 0;
  for (int i = 0; i < 300000 && mismatches < 10; ++i) {
    const double any = double_from_bits(random());
    // Decimal values with a 5 just past the sixth digit stress the rounding.
    const double tie = (static_cast<double>(random() % 2000000) * 10 + 5) *
                       std::pow(10.0, static_cast<int>(random() % 40) - 20);
    for (const double value : {any, tie}) {
      if (std::isnan(value)) continue;
      const std::string expected = printf_text("%g", value);
      if (g_of(value) != expected) {
        ADD_FAILURE() << "double " << value << ": " << g_of(value) << " != " << expected;
        ++mismatches;
      }
    }
  }
}

TEST(NumberText, FixedFormMatchesPrintf) {
  std::mt19937_64 random(7);
  char text[orv::number_text::kFixedRoom];
  for (const double value : kEdgeValues) {
    EXPECT_EQ(std::string(text, put_fixed(text, value, 16, 16)), printf_text("%16.16f", value));
    EXPECT_EQ(std::string(text, put_fixed(text, value, 3)), printf_text("%.3f", value));
  }
  for (int i = 0; i < 20000; ++i) {
    const double value = double_from_bits(random());
    if (std::isnan(value)) continue;
    ASSERT_EQ(std::string(text, put_fixed(text, value, 16, 16)), printf_text("%16.16f", value));
  }
}

TEST(NumberText, IntegersMatchPrintf) {
  char text[orv::number_text::kShortRoom];
  for (const int value :
       {0, 1, -1, 42, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()}) {
    char expected[32];
    std::snprintf(expected, sizeof expected, "%d", value);
    EXPECT_EQ(std::string(text, put_int(text, value)), expected);
  }
  EXPECT_EQ(std::string(text, put_uint(text, 4294967295u)), "4294967295");
}

// End to end: a large float-triple array written as text equals the same
// elements printed with snprintf.
TEST(NumberText, TextArrayOfRandomFloatsEqualsSnprintfOfTheSameElements) {
  std::mt19937 random(99);
  std::uniform_real_distribution<float> range(-1000.0f, 1000.0f);
  std::vector<float> points(3 * 20000);
  for (float& value : points) value = range(random);

  std::string expected = "\"v\" [ ";
  const size_t count = points.size() / 3;
  for (size_t i = 0; i < count; ++i) {
    char element[128];
    std::snprintf(element, sizeof element, "%g %g %g%s", points[3 * i], points[3 * i + 1],
                  points[3 * i + 2], i + 1 < count ? "," : " ");
    expected += element;
    if (i > 0 && i % 8 == 0) expected += "\n";
  }
  expected += "] ,\n";

  const orvArray array{points.data(), static_cast<int32_t>(count)};
  EXPECT_EQ(
      capture_scene([&](orvScene_api& api) { api.parameter("v", ORV_ARRAY + ORV_FLOAT3, &array); }),
      expected);
}

}  // namespace
