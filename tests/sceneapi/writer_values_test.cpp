// Names, byte strings, parameter values and arrays as the text writer writes them.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "support/scene_capture.h"

namespace {

using Body = std::function<void(orvScene_api&)>;

// Indentation is on from the first statement, as in an exported file.
std::string indented_scene(const Body& body, bool raw_arrays = false) {
  return capture_scene(
      [&](orvScene_api& api) {
        api.set_flags(raw_arrays ? 3 : 1);
        body(api);
      },
      raw_arrays);
}

std::string bytes(std::initializer_list<int> values) {
  std::string out;
  for (const int v : values) out.push_back(static_cast<char>(v));
  return out;
}

struct NameCase {
  const char* name;
  const char* written;
};

TEST(WriterNames, QuotedUnlessTheyHoldQuotesLineBreaksOrHighBytes) {
  const NameCase cases[] = {
      {"Box", "\"Box\""},
      {"", "\"\""},
      {"a\tb", "\"a\tb\""},
      {"back\\slash", "\"back\\slash\""},
      {"100% %s", "\"100% %s\""},
      {"a\"b", "xX612262"},
      {"Caf\xc3\xa9", "xX436166c3a9"},
      {"\xc3\xa9", "xXc3a9"},
      {"two\nlines", "xX74776f0a6c696e6573"},
      {"cr\r", "xX63720d"},
      {"\x7f\x80\xff", "xX7f80ff"},
  };
  for (const NameCase& c : cases) {
    EXPECT_EQ(capture_scene([&](orvScene_api& api) { api.use_material(c.name); }),
              std::string("material ") + c.written + "\n")
        << c.name;
  }
}

TEST(WriterNames, HexNamesCarryNoIndentationQuotedNamesDo) {
  const int one = 1;
  EXPECT_EQ(indented_scene([&](orvScene_api& api) {
              api.begin_geometry("t");
              api.parameter("\xc3\xa9", ORV_INT, &one);
              api.parameter("plain", ORV_INT, &one);
              api.end_geometry();
            }),
            "geometry \"t\" {\n"
            "xXc3a9 1,\n"
            " \"plain\" 1,\n"
            "}\n");
}

TEST(WriterNames, NullTextsAreWrittenAsEmpty) {
  EXPECT_EQ(capture_scene([](orvScene_api& api) {
              api.begin_group(nullptr, true);
              api.end_group();
              api.attribute(nullptr, nullptr);
              api.write_text(nullptr);
            }),
            "\ngroup \"\" {\n}\nattribute \"\" \"\"\n");
}

struct ValueCase {
  const char* what;
  int type;
  std::function<const void*()> value;
  std::string written;
};

const float kFloat3[3] = {0.75f, 0.5f, -0.5f};
const float kFloat4[4] = {1, 2, 3, 4.5f};
const float kFloat2[2] = {1e-5f, 1e16f};
const double kDouble3[3] = {1e16, -0.0, 0.5};
const int kInts[4] = {-7, 0, 2147483647, -2147483647 - 1};
const float kNan = std::numeric_limits<float>::quiet_NaN();
const float kInf = std::numeric_limits<float>::infinity();
const char* const kTextPointer = "by reference";

template <class T>
std::function<const void*()> holding(T value) {
  auto stored = std::make_shared<T>(value);
  return [stored] { return static_cast<const void*>(stored.get()); };
}

std::function<const void*()> at(const void* pointer) {
  return [pointer] { return pointer; };
}

TEST(WriterValues, EachTypeCodeInListStyle) {
  const double rounded_matrix[16] = {0.1, 1.00000001, 123456789.0, -2, 0, 0, 0, 0,
                                     0,   0,          0,           0,  0, 0, 0, 1};
  const ValueCase cases[] = {
      {"float triple", ORV_FLOAT3, at(kFloat3), "0.75 0.5 -0.5"},
      {"float quad", ORV_FLOAT4, at(kFloat4), "1 2 3 4.5"},
      {"window quad", ORV_FLOAT4B, at(kFloat4), "1 2 3 4.5"},
      {"float pair", ORV_FLOAT2, at(kFloat2), "1e-05 1e+16"},
      {"float", ORV_FLOAT, holding(45.0f), "45"},
      {"small float", ORV_FLOAT, holding(0.01f), "0.01"},
      {"float NaN", ORV_FLOAT, holding(kNan), "-1"},
      {"float maximum", ORV_FLOAT, holding(FLT_MAX), "-1"},
      {"negative float maximum", ORV_FLOAT, holding(-FLT_MAX), "-1"},
      {"float infinity", ORV_FLOAT, holding(kInf), "-1"},
      {"float below maximum", ORV_FLOAT, holding(std::nextafter(FLT_MAX, 0.0f)), "3.40282e+38"},
      {"double", ORV_DOUBLE, holding(0.1), "0.1000000000000000"},
      {"negative double", ORV_DOUBLE, holding(-2.5), "-2.5000000000000000"},
      {"double NaN", ORV_DOUBLE, holding(std::numeric_limits<double>::quiet_NaN()),
       "             nan"},
      {"double triple", ORV_DOUBLE3, at(kDouble3), "1e+16 -0 0.5"},
      {"int", ORV_INT, at(kInts), "-7"},
      {"int, second code", ORV_INT_B, holding(12), "12"},
      {"truth off", ORV_BOOL, holding(0), "off"},
      {"truth on", ORV_BOOL, holding(-5), "on"},
      {"matrix rounded to float", ORV_MATRIX, at(rounded_matrix),
       "0.1 1 1.23457e+08 -2 0 0 0 0 0 0 0 0 0 0 0 1"},
      {"text", ORV_STRING, at("abc"), "\"abc\""},
      {"text in hex", ORV_STRING, at("\xc3\xa9"), "xXc3a9"},
      {"text by reference", ORV_STRING_REF, at(&kTextPointer), "\"by reference\""},
      {"int pair", ORV_INT2, at(kInts), "-7 0"},
      {"int triple", ORV_INT3, at(kInts), "-7 0 2147483647"},
      {"int quad", ORV_INT4, at(kInts), "-7 0 2147483647 -2147483648"},
      {"unknown code", 8, at(kInts), ""},
      {"array of an unknown element code", ORV_ARRAY + ORV_FLOAT2, at(kInts), ""},
  };
  for (const ValueCase& c : cases) {
    EXPECT_EQ(capture_scene([&](orvScene_api& api) { api.parameter("v", c.type, c.value()); }),
              "\"v\" " + c.written + ",\n")
        << c.what;
  }
}

TEST(WriterValues, KeywordStyleWritesTheNameUnquotedOnItsOwnLine) {
  const float fov = 45;
  EXPECT_EQ(indented_scene([&](orvScene_api& api) {
              api.begin_camera("cam");
              api.parameter("fov", ORV_FLOAT, &fov);
              api.end_camera();
              api.parameter("fov", ORV_FLOAT, &fov);
            }),
            "\ncamera \"cam\" {\n fov 45\n}\n\"fov\" 45,\n");
}

TEST(WriterValues, CapturedShaderAsValueIsReindentedAtDepthTwo) {
  EXPECT_EQ(indented_scene([](orvScene_api& api) {
              const int one = 1;
              api.begin_shader(nullptr, "s");
              api.parameter("k", ORV_INT, &one);
              ShaderBuffer* shader = api.current_shader();
              api.end_shader();
              api.parameter("surface", ORV_SHADER, &shader);
              ShaderBuffer* none = nullptr;
              api.parameter("none", ORV_SHADER, &none);
            }),
            "\"surface\"   \"s\" {\n   \"k\" 1,\n  },\n"
            "\"none\" ,\n");
}

// Arrays in text form: elements joined by commas, a blank after the last;
// 9 elements on the first line, 8 on every further one.
TEST(WriterArrays, TextFormLineBreaksAndSeparators) {
  std::vector<float> twenty(20);
  for (int i = 0; i < 20; ++i) twenty[i] = static_cast<float>(i);
  const orvArray twenty_floats{twenty.data(), 20};
  const orvArray nine_floats{twenty.data(), 9};
  const orvArray no_floats{twenty.data(), 0};
  EXPECT_EQ(indented_scene([&](orvScene_api& api) {
              api.begin_geometry("t");
              api.parameter("a", ORV_ARRAY + ORV_FLOAT, &twenty_floats);
              api.parameter("nine", ORV_ARRAY + ORV_FLOAT, &nine_floats);
              api.parameter("none", ORV_ARRAY + ORV_FLOAT, &no_floats);
              api.end_geometry();
            }),
            "geometry \"t\" {\n"
            " \"a\" [ 0,1,2,3,4,5,6,7,8,\n"
            " 9,10,11,12,13,14,15,16,\n"
            " 17,18,19 ] ,\n"
            " \"nine\" [ 0,1,2,3,4,5,6,7,8 \n"
            " ] ,\n"
            " \"none\" [ ] ,\n"
            "}\n");
}

TEST(WriterArrays, TextFormOfEachElementCode) {
  const float floats[] = {kNan, FLT_MAX, 1.5f};
  const double doubles[] = {std::numeric_limits<double>::quiet_NaN(), 3.4028234663852886e38,
                            -3.4028234663852886e38, 1.5};
  const double double3[] = {1, 2, 3, 0.25, 1e16, -0.0};
  const float float4[] = {1, 2, 3, 4, 5, 6, 7, 8};
  const int truths[] = {3, 0, -1};
  const orvArray float_array{floats, 3}, double_array{doubles, 4}, double3_array{double3, 2},
      float4_array{float4, 2}, truth_array{truths, 3}, int_array{kInts, 4};
  struct ArrayCase {
    const char* what;
    int type;
    const orvArray* array;
    const char* written;
  } cases[] = {
      {"floats out of range", ORV_FLOAT, &float_array, "[ -1,-1,1.5 ] "},
      {"doubles", ORV_DOUBLE, &double_array,
       "[ -1.0000000000000000,-1.0000000000000000,-1.0000000000000000,1.5000000000000000 ] "},
      {"double triples", ORV_DOUBLE3, &double3_array, "[ 1 2 3,0.25 1e+16 -0 ] "},
      {"float quads", ORV_FLOAT4, &float4_array, "[ 1 2 3 4,5 6 7 8 ] "},
      {"truths", ORV_BOOL, &truth_array, "[ 1,0,1 ] "},
      {"ints", ORV_INT, &int_array, "[ -7,0,2147483647,-2147483648 ] "},
      {"ints, second code", ORV_INT_B, &int_array, "[ -7,0,2147483647,-2147483648 ] "},
  };
  for (const ArrayCase& c : cases) {
    EXPECT_EQ(
        capture_scene([&](orvScene_api& api) { api.parameter("v", ORV_ARRAY + c.type, c.array); }),
        std::string("\"v\" ") + c.written + ",\n")
        << c.what;
  }
}

TEST(WriterArrays, MatricesStandOneToALine) {
  double matrices[32] = {};
  for (int i = 0; i < 16; i += 5) matrices[i] = 1;
  for (int i = 0; i < 16; ++i) matrices[16 + i] = 0.1 * i;  // not rounded to float
  const orvArray array{matrices, 2};
  EXPECT_EQ(indented_scene([&](orvScene_api& api) {
              api.begin_geometry("t");
              api.parameter("m", ORV_ARRAY + ORV_MATRIX, &array);
              api.end_geometry();
            }),
            "geometry \"t\" {\n"
            " \"m\" [  1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1 ,\n"
            " 0 0.1 0.2 0.3 0.4 0.5 0.6 0.7 0.8 0.9 1 1.1 1.2 1.3 1.4 1.5 \n"
            "] ,\n"
            "}\n");
}

TEST(WriterArrays, TextArraysOfNames) {
  std::vector<std::string> names;
  for (int i = 0; i < 10; ++i) names.push_back("n" + std::to_string(i));
  names[2] = "\xc3\xa9";
  std::vector<const char*> pointers;
  for (const auto& n : names) pointers.push_back(n.c_str());
  const orvArray array{pointers.data(), 10};
  const std::string expected =
      "\"v\" [ \"n0\",\"n1\",xXc3a9,\"n3\",\"n4\",\"n5\",\"n6\",\"n7\",\"n8\",\n"
      "\"n9\" ] ,\n";
  for (const int code : {ORV_STRING, ORV_STRING_REF}) {
    EXPECT_EQ(
        capture_scene([&](orvScene_api& api) { api.parameter("v", ORV_ARRAY + code, &array); }),
        expected);
  }
}

TEST(WriterArrays, RawFormIsTagCountAndTheBytesInMemory) {
  const int ints[3] = {1, 2, -1};
  const float points[6] = {0, 1, 2, 3, 4, 5};
  const double doubles[1] = {0.5};
  const orvArray int_array{ints, 3}, point_array{points, 2}, double_array{doubles, 1},
      float_array{points, 6}, quad_array{points, 1};
  const std::string scene = capture_scene(
      [&](orvScene_api& api) {
        api.parameter("i", ORV_ARRAY + ORV_INT, &int_array);
        api.parameter("c", ORV_ARRAY + ORV_FLOAT3, &point_array);
        api.parameter("f", ORV_ARRAY + ORV_FLOAT, &float_array);
        api.parameter("r", ORV_ARRAY + ORV_DOUBLE, &double_array);
        api.parameter("q", ORV_ARRAY + ORV_FLOAT4, &quad_array);  // no raw form
      },
      /*raw_arrays=*/true);
  auto memory = [](const void* data, size_t size) {
    return std::string(static_cast<const char*>(data), size);
  };
  EXPECT_EQ(scene, "\"i\" [ " + bytes({1, 2, 3, 'i', 3, 0, 0, 0}) + memory(ints, 12) + "] ,\n" +
                       "\"c\" [ " + bytes({1, 2, 3, 'c', 6, 0, 0, 0}) + memory(points, 24) +
                       "] ,\n" + "\"f\" [ " + bytes({1, 2, 3, 'f', 6, 0, 0, 0}) +
                       memory(points, 24) + "] ,\n" + "\"r\" [ " +
                       bytes({1, 2, 3, 'r', 1, 0, 0, 0}) + memory(doubles, 8) + "] ,\n" +
                       "\"q\" [ 0 1 2 3 ] ,\n");
  // Little-endian data: the int -1 is four 0xff bytes.
  EXPECT_EQ(scene.substr(22, 4), bytes({0xff, 0xff, 0xff, 0xff}));
}

TEST(WriterArrays, SetFlagsSwitchesRawArraysWithBitOne) {
  const int ints[2] = {4, 5};
  const orvArray array{ints, 2};
  bool raw_after_1 = true, raw_after_2 = false;
  const std::string scene = capture_scene(
      [&](orvScene_api& api) {
        raw_after_1 = api.set_flags(1);
        api.parameter("a", ORV_ARRAY + ORV_INT, &array);
        raw_after_2 = api.set_flags(2);
        api.parameter("b", ORV_ARRAY + ORV_INT, &array);
      },
      /*raw_arrays=*/true);
  EXPECT_FALSE(raw_after_1);
  EXPECT_TRUE(raw_after_2);
  EXPECT_EQ(scene, "\"a\" [ 4,5 ] ,\n\"b\" [ " + bytes({1, 2, 3, 'i', 2, 0, 0, 0}) +
                       std::string(reinterpret_cast<const char*>(ints), 8) + "] ,\n");
}

TEST(WriterArrays, ElementByElementInText) {
  EXPECT_EQ(indented_scene([](orvScene_api& api) {
              api.begin_array("pts");
              for (int i = 0; i < 5; ++i) {
                const float p[3] = {float(i), float(i), float(i)};
                api.array_element(ORV_FLOAT3, p);
              }
              api.end_array();
              api.begin_array("ints");
              for (int i = 1; i <= 8; ++i) api.array_element(ORV_INT, &i);
              api.end_array();
            }),
            "\"pts\" [\n"
            " 0 0 0, 1 1 1,\n"
            " 2 2 2, 3 3 3,\n"
            " 4 4 4 ],\n"
            "\"ints\" [\n"
            " 1, 2, 3, 4, 5, 6,\n"
            " 7, 8 ],\n");
}

TEST(WriterArrays, ElementByElementGathersRawValuesUntilTheEnd) {
  const float a[3] = {1, 2, 3}, b[3] = {4, 5, 6};
  const double d = 0.5;
  const std::string scene = capture_scene(
      [&](orvScene_api& api) {
        api.begin_array("pts");
        api.array_element(ORV_FLOAT3, a);
        api.array_element(ORV_FLOAT3, b);
        api.end_array();
        api.begin_array("d");  // doubles have no raw form here
        api.array_element(ORV_DOUBLE, &d);
        api.end_array();
        api.begin_array("empty");
        api.end_array();
      },
      /*raw_arrays=*/true);
  EXPECT_EQ(scene, "\"pts\" [\n" + bytes({1, 2, 3, 'c', 6, 0, 0, 0}) +
                       std::string(reinterpret_cast<const char*>(a), 12) +
                       std::string(reinterpret_cast<const char*>(b), 12) + " ],\n" +
                       "\"d\" [\n0.5000000000000000 ],\n" + "\"empty\" [\n ],\n");
}

TEST(WriterArrays, LargeElementByElementArrayKeepsEveryValue) {
  constexpr int kCount = 200000;  // several growths of the gathering buffer
  const std::string scene = capture_scene(
      [](orvScene_api& api) {
        api.begin_array("i");
        for (int i = 0; i < kCount; ++i) api.array_element(ORV_INT, &i);
        api.end_array();
      },
      /*raw_arrays=*/true);
  const std::string head = "\"i\" [\n" + bytes({1, 2, 3, 'i'});
  ASSERT_EQ(scene.size(), head.size() + 4 + 4 * kCount + 4);
  EXPECT_EQ(scene.substr(0, head.size()), head);
  int32_t count;
  std::memcpy(&count, scene.data() + head.size(), 4);
  EXPECT_EQ(count, kCount);
  for (int i = 0; i < kCount; i += 9973) {
    int32_t value;
    std::memcpy(&value, scene.data() + head.size() + 4 + 4 * i, 4);
    ASSERT_EQ(value, i);
  }
}

TEST(WriterIndentation, FlagBit22SwitchesItOff) {
  const float twenty[20] = {};
  const orvArray array{twenty, 20};
  auto body = [&](orvScene_api& api) {
    api.begin_group("a", true);
    api.begin_group("b", true);
    api.parameter("v", ORV_ARRAY + ORV_FLOAT, &array);
    api.write_text("x\ny\n");
    api.end_group();
    api.end_group();
  };
  const std::string without = capture_scene([&](orvScene_api& api) {
    api.set_flags(1 | (1 << 22));
    body(api);
  });
  EXPECT_EQ(without.find("\n "), std::string::npos) << without;
  // The writer starts with indentation off too.
  EXPECT_EQ(capture_scene(body), without);
  EXPECT_NE(indented_scene(body).find("\n  x\n  y\n"), std::string::npos);
}

}  // namespace
