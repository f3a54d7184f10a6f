// The scene text reader: whatever the text writer produces reads back into
// the same calls, so writing them again gives the same bytes; malformed text
// stops with a line number and never crashes or hangs.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "livelink/SceneTextReader.h"
#include "support/scene_capture.h"

namespace {

using SceneBody = std::function<void(orvScene_api&)>;

// Reads text into a fresh writer (raw arrays as given) and returns what it wrote.
std::string reread(const std::string& text, bool writer_raw, livelink::ReadError* error, bool* ok) {
  return capture_scene(
      [&](orvScene_api& api) { *ok = livelink::read_scene_text(text, api, error); }, writer_raw);
}

void header(orvScene_api& api) {
  api.write_text("//---orvane:dal:7---\n");
  api.write_text("//---import:dal:1---\n");
  api.write_text("//---id:1---\n");
  api.write_text("// This is a LumiVex scene file\n\n");
}

// The example of the format's documentation: a load block and a group with
// one triangle and a captured diffuse shader.
void box_scene(orvScene_api& api, bool export_flags) {
  header(api);
  api.print("LumiVex SceneApi oo 9.1.3  (built Tue Apr 30 15:11:26 2019)");
  api.version(9);
  if (export_flags) api.set_flags(1);
  api.begin_load("orvrtopt.so");
  int up = 1;
  api.parameter("import_up_vector", ORV_INT, &up);
  float scale = 0.01f;
  api.parameter("meter_scale", ORV_FLOAT, &scale);
  api.end_load();
  api.begin_group("Box", true);
  api.flags(1);
  const double identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  api.transform(identity);
  api.begin_object("", true);
  api.begin_geometry("triangles");
  const float vertices[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
  orvArray vertex_array{vertices, 3};
  api.parameter("vertices", ORV_ARRAY + ORV_FLOAT3, &vertex_array);
  const int32_t triangles[3] = {0, 1, 2};
  orvArray triangle_array{triangles, 3};
  api.parameter("triangles", ORV_ARRAY + ORV_INT, &triangle_array);
  api.end_geometry();
  api.begin_material("default", true);
  api.begin_shader(nullptr, "orv_diffuse");
  const float diffuse[3] = {0.75f, 0.5f, 0.5f};
  api.parameter("diffuse", ORV_FLOAT3, diffuse);
  ShaderBuffer* shader = api.current_shader();
  api.end_shader();
  api.assign_shader(ORV_SURFACE, shader);
  api.flags(4096);
  api.end_material();
  api.end_object();
  api.end_group();
}

// Every parameter value type, once in the list style (load block) and once in
// the keyword style (inside a group).
void all_values(orvScene_api& api) {
  const float f3[3] = {0.25f, -1.5f, 1e-07f};
  const float f4[4] = {1, 2, 3.5f, 4};
  const float f1 = 3.4028235e38f;  // the float maximum is written as -1
  const float f_plain = 45;
  const double d1 = 0.1;
  const double d3[3] = {1e300, -2.5, 0};
  const int i1 = -7;
  const int b_on = 5, b_off = 0;
  double m[16];
  for (int i = 0; i < 16; ++i) m[i] = i * 0.5 - 3;
  const float f2[2] = {0.5f, 2};
  const int i2[2] = {1, 2}, i3[3] = {1, 2, 3}, i4[4] = {1234567, 2, 3, 4};
  const char* ref = "by \"reference\"";
  auto values = [&](orvScene_api& a) {
    a.parameter("f3", ORV_FLOAT3, f3);
    a.parameter("f4", ORV_FLOAT4, f4);
    a.parameter("fmax", ORV_FLOAT, &f1);
    a.parameter("fov", ORV_FLOAT, &f_plain);
    a.parameter("d1", ORV_DOUBLE, &d1);
    a.parameter("d3", ORV_DOUBLE3, d3);
    a.parameter("i1", ORV_INT, &i1);
    a.parameter("on", ORV_BOOL, &b_on);
    a.parameter("off", ORV_BOOL, &b_off);
    a.parameter("m", ORV_MATRIX, m);
    a.parameter("text", ORV_STRING, "plain text");
    a.parameter("ref", ORV_STRING_REF, &ref);
    a.parameter("f2", ORV_FLOAT2, f2);
    a.parameter("i2", ORV_INT2, i2);
    a.parameter("i3", ORV_INT3, i3);
    a.parameter("i4", ORV_INT4, i4);
    // Shader values, also under a name that is a shader kind.
    a.push_shader();
    a.begin_shader(nullptr, "orv_env");
    a.parameter("radius", ORV_FLOAT, &f_plain);
    a.end_shader();
    ShaderBuffer* env = a.current_shader();
    a.pop_shader();
    a.parameter("env", ORV_SHADER, &env);
    a.parameter("reflection map", ORV_SHADER, &env);
    a.parameter("volume", ORV_FLOAT3, f3);
  };
  api.begin_load("values.so");
  values(api);
  api.end_load();
  api.begin_group("keyword", true);
  values(api);
  api.end_group();
}

// Arrays of every element type the writer knows, in whichever form (text or
// raw) the writer's mode gives them.
void all_arrays(orvScene_api& api) {
  std::vector<float> floats(20), triples(60);
  for (size_t i = 0; i < floats.size(); ++i) floats[i] = i * 0.125f - 1;
  for (size_t i = 0; i < triples.size(); ++i) triples[i] = static_cast<float>(i % 7) / 4;
  std::vector<double> doubles = {0.5, -1, 1e-20, 12345.678};
  std::vector<int32_t> ints(25);
  for (size_t i = 0; i < ints.size(); ++i) ints[i] = static_cast<int32_t>(i * 1000003 - 40);
  std::vector<int32_t> bools = {1, 0, 7};
  const float quads[8] = {1, 2, 3, 4, 5, 6, 7, 8.5f};
  double matrices[32];
  for (int i = 0; i < 32; ++i) matrices[i] = i / 3.0;
  const char* names[10] = {"a", "b", "c\"q", "d", "e", "f", "g", "h", "i", ""};
  api.begin_group("arrays", true);
  api.begin_object("mesh", true);
  api.begin_geometry("triangles");
  auto array = [&](const char* name, int element, const void* data, int count) {
    orvArray a{data, count};
    api.parameter(name, ORV_ARRAY + element, &a);
  };
  array("floats", ORV_FLOAT, floats.data(), 20);
  array("vertices", ORV_FLOAT3, triples.data(), 20);
  array("doubles", ORV_DOUBLE, doubles.data(), 4);
  array("ints", ORV_INT, ints.data(), 25);
  array("ints_b", ORV_INT_B, ints.data(), 3);
  array("bools", ORV_BOOL, bools.data(), 3);
  array("quads", ORV_FLOAT4, quads, 2);
  array("matrices", ORV_MATRIX, matrices, 2);
  array("names", ORV_STRING_REF, names, 10);
  array("empty", ORV_INT, ints.data(), 0);
  api.end_geometry();
  api.end_object();
  api.end_group();
}

// Element-by-element arrays: floats, triples and ints (gathered into a raw
// block when raw arrays are on) and values that are always text.
void element_arrays(orvScene_api& api) {
  api.begin_group("elements", true);
  api.begin_geometry("points");
  api.begin_array("triples");
  for (int i = 0; i < 9; ++i) {
    const float t[3] = {static_cast<float>(i), 0.5f, -2};
    api.array_element(ORV_FLOAT3, t);
  }
  api.end_array();
  api.begin_array("singles");
  for (int i = 0; i < 14; ++i) {
    const float f = i * 1.5f;
    api.array_element(ORV_FLOAT, &f);
  }
  api.end_array();
  api.begin_array("ints");
  for (int i = 0; i < 13; ++i) api.array_element(ORV_INT, &i);
  api.end_array();
  api.begin_array("mixed");
  const double d = 2.25;
  api.array_element(ORV_DOUBLE, &d);
  api.array_element(ORV_STRING, "label");
  const int on = 1;
  api.array_element(ORV_BOOL, &on);
  const int pair[2] = {3, 4};
  api.array_element(ORV_INT2, pair);
  api.end_array();
  api.begin_array("empty");
  api.end_array();
  api.end_geometry();
  api.end_group();
}

// Shaders: named, numbered, captured, nested captures, links and shader values.
void shaders(orvScene_api& api) {
  api.begin_shader("wood", "orv_wood");
  const float c[3] = {1, 0.5f, 0};
  api.parameter("color", ORV_FLOAT3, c);
  api.end_shader();
  api.begin_shader_id("orv_texture", 3);
  api.parameter("file", ORV_STRING, "C:\\textures\\wood grain.png");
  api.end_shader();
  api.begin_object("thing", true);
  api.begin_material("mat", false);
  api.begin_shader(nullptr, "orv_mix");
  api.link_shader_id("first", 3);
  api.push_shader();
  api.begin_shader(nullptr, "orv_texture");
  api.parameter("file", ORV_STRING, "inner.png");
  api.end_shader();
  ShaderBuffer* inner = api.current_shader();
  api.pop_shader();
  api.link_shader("second", inner);
  api.push_shader();
  api.begin_shader(nullptr, "orv_constant");
  const float k = 0.5f;
  api.parameter("k", ORV_FLOAT, &k);
  api.end_shader();
  ShaderBuffer* constant = api.current_shader();
  api.pop_shader();
  api.parameter("factor", ORV_SHADER, &constant);
  api.end_shader();
  ShaderBuffer* mix = api.current_shader();
  for (int kind : {0, 1, 2, 3, 7}) api.assign_shader(kind, mix);
  api.assign_shader(ORV_SURFACE, nullptr);
  api.assign_shader_id(ORV_VOLUME, 3);
  api.assign_shader_id(7, 3);
  api.end_material();
  api.use_material("mat");
  api.end_object();
}

// Blocks and single statements that the scene model does not use.
void other_statements(orvScene_api& api) {
  api.begin_group("defined", false);
  api.end_group();
  api.begin_object("proto", false);
  api.id(4000000000u);
  api.end_object();
  api.begin_animation("spin", "linear");
  const double angle = 90;
  api.scale(angle, 1, 2);
  api.rotate(0, angle, 0);
  api.translate(-1.5, 2e-5, 3e12);
  api.end_animation();
  api.begin_options();
  const int samples = 16;
  api.parameter("samples", ORV_INT, &samples);
  api.end_options();
  api.begin_camera("Active Camera");
  const float fov = 45;
  api.parameter("fov", ORV_FLOAT, &fov);
  api.end_camera();
  api.begin_camera(nullptr);
  api.end_camera();
  api.begin_image();
  api.end_image();
  api.begin_output("out.png", "png", "rgba");
  api.end_output();
  api.begin_light("sun");
  api.end_light();
  api.begin_accel("bvh");
  api.end_accel();
  api.begin_matrix("placement");
  double m[16] = {};
  m[0] = m[5] = m[10] = m[15] = 1;
  m[12] = 0.1;
  api.set_transform(m);
  api.end_matrix();
  api.attribute("process identifier", "Fusion 360, 0x12c");
  api.version(-1);
  api.progress("mesh", 0.5f);
  const unsigned char icon[3] = {0, 0xff, 0x10};
  api.icon(icon, 3);
  api.data_parameter("blob", icon, 2);
  api.icon(icon, 0);
  api.flags(4294967295u);
  api.render();
  api.print("100% done \"quoted\"");
  api.error("two\nlines");
}

// Names that need the hex form, and odd but printable ones.
void names(orvScene_api& api) {
  for (const char* name : {"a\"b", "Caf\xc3\xa9", "line\nbreak", "cr\rhere", "", "tab\there",
                           "back\\slash", "{ braces }"}) {
    api.begin_group(name, true);
    api.attribute(name, name);
    api.end_group();
  }
}

// Indented output at depth, with texts that span lines.
void deep_texts(orvScene_api& api) {
  api.begin_group("outer", true);
  api.begin_group("inner", true);
  api.write_text("// a comment at depth\n");
  api.print("first\nsecond\n  third");
  api.error("x");
  api.end_group();
  api.end_group();
  api.write_text("// closing note\n\n\n");
  api.begin_group("after", true);
  api.end_group();
}

struct RoundTripCase {
  const char* name;
  bool raw_arrays;  // the original writer's mode
  int flags;        // set_flags before the body; 0 for none
  SceneBody body;
};

class ReaderRoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(ReaderRoundTrip, WritingWhatWasReadGivesTheSameBytes) {
  const RoundTripCase& c = GetParam();
  const std::string original = capture_scene(
      [&](orvScene_api& api) {
        if (c.flags) api.set_flags(c.flags);
        c.body(api);
      },
      c.raw_arrays);
  ASSERT_FALSE(original.empty());
  // Whatever mode the second writer starts in, the reader sets it up.
  for (bool writer_raw : {false, true}) {
    livelink::ReadError error;
    bool ok = false;
    const std::string again = reread(original, writer_raw, &error, &ok);
    ASSERT_TRUE(ok) << livelink::describe(error);
    EXPECT_EQ(again, original) << "second writer raw=" << writer_raw;
  }
}

const RoundTripCase kRoundTrips[] = {
    {"example_export", true, 0, [](orvScene_api& a) { box_scene(a, true); }},
    {"example_raw", true, 0, [](orvScene_api& a) { box_scene(a, false); }},
    {"example_text_unindented", false, 0, [](orvScene_api& a) { box_scene(a, false); }},
    {"values_indented", false, 1, all_values},
    {"values_unindented", false, 0, all_values},
    {"arrays_text", false, 1, all_arrays},
    {"arrays_raw", true, 3, all_arrays},
    {"elements_text", false, 1, element_arrays},
    {"elements_raw", true, 3, element_arrays},
    {"elements_raw_unindented", true, 0, element_arrays},
    {"shaders_indented", false, 1, shaders},
    {"shaders_raw_unindented", true, 0, shaders},
    {"other_statements", false, 1, other_statements},
    {"names", false, 1, names},
    {"deep_texts", false, 1, deep_texts},
    {"deep_texts_unindented", false, 1 << 22, deep_texts},
};

INSTANTIATE_TEST_SUITE_P(Scenes, ReaderRoundTrip, ::testing::ValuesIn(kRoundTrips),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ReaderRoundTrip, RawArraysSwitchedMidStream) {
  const std::string original = capture_scene(
      [](orvScene_api& api) {
        all_arrays(api);
        api.set_flags(1);
        all_arrays(api);
        api.set_flags(3);
        element_arrays(api);
      },
      true);
  for (bool writer_raw : {false, true}) {
    livelink::ReadError error;
    bool ok = false;
    EXPECT_EQ(reread(original, writer_raw, &error, &ok), original);
    EXPECT_TRUE(ok) << livelink::describe(error);
  }
}

struct MalformedCase {
  const char* name;
  std::string text;
  int line;
  const char* message_part;
};

std::string raw_block_claiming(uint32_t count) {
  std::string block = "\x01\x02\x03i";
  for (int i = 0; i < 4; ++i) block += static_cast<char>((count >> (8 * i)) & 0xff);
  return block + "abcd";
}

TEST(ReaderErrors, MalformedTextStopsWithLineAndReason) {
  const MalformedCase cases[] = {
      {"unmatched_close", "version 9\n\n}\n", 3, "without an open block"},
      {"open_at_end", "group \"a\" {\n flags 1\n", 3, "ends inside an open block"},
      {"unterminated_name", "group \"abc\n{\n}\n", 1, "unterminated name"},
      {"odd_hex_name", "group xX616\n", 1, "odd number of digits"},
      {"unknown_directive", "#include \"x\"\n", 1, "unknown directive"},
      {"raw_count_too_large",
       "load \"m\" {\n \"a\" [ " + raw_block_claiming(0x40000000u) + "] ,\n}\n", 2,
       "longer than the text"},
      {"raw_unknown_tag",
       "load \"m\" {\n \"a\" [ \x01\x02\x03q" + std::string("\x01\x00\x00\x00", 4) + "xxxx] ,\n}\n",
       2, "unknown raw array tag"},
      {"message_unterminated", "\n#print \"never closed\n", 2, "unterminated message"},
      {"wrong_matrix", "group \"g\" {\n transform 1 2 3\n}\n", 3, "expected 16 numbers"},
      {"value_without_type", "load \"m\" {\n \"a\" 1 2 3 4 5,\n}\n", 2, "has no type"},
      {"stray_brace", "{\n", 1, "expected a statement"},
      {"binary_garbage", std::string("version 9\n\n\x00\xff\x7f", 14), 3, "expected a value"},
      {"mixed_array", "load \"m\" {\n \"a\" [ 1,\"x\" ] ,\n}\n", 2, "mixes names and numbers"},
  };
  for (const MalformedCase& c : cases) {
    SCOPED_TRACE(c.name);
    livelink::ReadError error;
    capture_scene(
        [&](orvScene_api& api) { EXPECT_FALSE(livelink::read_scene_text(c.text, api, &error)); });
    EXPECT_EQ(error.line, c.line) << error.message;
    EXPECT_NE(error.message.find(c.message_part), std::string::npos) << error.message;
  }
}

TEST(ReaderErrors, NestingIsBounded) {
  std::string deep;
  for (int i = 0; i < livelink::kMaxNesting + 5; ++i) deep += "group \"g\" {\n";
  livelink::ReadError error;
  capture_scene(
      [&](orvScene_api& api) { EXPECT_FALSE(livelink::read_scene_text(deep, api, &error)); });
  EXPECT_EQ(error.line, livelink::kMaxNesting + 1);
  EXPECT_NE(error.message.find("nested too deeply"), std::string::npos);

  // Anonymous shaders nest through values, not statements: bounded as well.
  std::string shaders = "group \"g\" {\n";
  for (int i = 0; i < 1000; ++i) shaders += "surface \"s\" {\n";
  capture_scene(
      [&](orvScene_api& api) { EXPECT_FALSE(livelink::read_scene_text(shaders, api, &error)); });
  EXPECT_NE(error.message.find("nested too deeply"), std::string::npos);
}

// Any prefix of a stream (a connection cut at any byte) and any corruption of
// it ends in a clean result: read or refused, never a crash or a hang.
TEST(ReaderErrors, CutAndCorruptedStreamsNeverCrash) {
  const std::string original = capture_scene(
      [](orvScene_api& api) {
        box_scene(api, false);
        shaders(api);
        element_arrays(api);
        all_values(api);
      },
      true);
  int refused = 0;
  for (size_t cut = 0; cut < original.size(); cut += 3) {
    capture_scene([&](orvScene_api& api) {
      if (!livelink::read_scene_text(original.substr(0, cut), api)) ++refused;
    });
  }
  EXPECT_GT(refused, 0);
  std::mt19937 random(12345);
  for (int round = 0; round < 300; ++round) {
    std::string corrupt = original;
    for (int k = 0; k < 4; ++k) {
      corrupt[random() % corrupt.size()] = static_cast<char>(random() % 256);
    }
    capture_scene([&](orvScene_api& api) { livelink::read_scene_text(corrupt, api); });
  }
  // The complete text still reads.
  capture_scene([&](orvScene_api& api) {
    livelink::ReadError error;
    EXPECT_TRUE(livelink::read_scene_text(original, api, &error)) << livelink::describe(error);
  });
}

TEST(ReaderErrors, LineNumbersSkipRawData) {
  // The raw block holds line-feed bytes; they are data, not lines.
  std::string text = "load \"m\" {\n \"a\" [ \x01\x02\x03i";
  text += std::string("\x02\x00\x00\x00", 4);
  text += std::string("\n\n\n\n\n\n\n\n", 8);
  text += "] ,\n}\n}\n";
  livelink::ReadError error;
  capture_scene(
      [&](orvScene_api& api) { EXPECT_FALSE(livelink::read_scene_text(text, api, &error)); });
  EXPECT_EQ(error.line, 4);
}

}  // namespace
