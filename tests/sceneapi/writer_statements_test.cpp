// The statements of the text writer: blocks, shaders, single statements, the
// writer's state across them, and what it does with unbalanced or bad input.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <functional>
#include <string>

#include "support/scene_capture.h"

namespace {

using Body = std::function<void(orvScene_api&)>;

std::string indented_scene(const Body& body) {
  return capture_scene([&](orvScene_api& api) {
    api.set_flags(1);
    body(api);
  });
}

struct StatementCase {
  const char* what;
  Body body;
  const char* written;
};

const double kIdentity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
const double kShifted[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0.1, -2.5, 1e16, 1};

TEST(WriterStatements, BlocksAtDepthZeroAndOne) {
  const StatementCase cases[] = {
      {"group in place",
       [](orvScene_api& a) {
         a.begin_group("g", true);
         a.end_group();
       },
       "\ngroup \"g\" {\n}\n"},
      {"group definition",
       [](orvScene_api& a) {
         a.begin_group("g", false);
         a.end_group();
       },
       "\n#define group \"g\" {\n}\n"},
      {"object in place",
       [](orvScene_api& a) {
         a.begin_object("o", true);
         a.end_object();
       },
       "object \"o\" {\n}\n"},
      {"object definition",
       [](orvScene_api& a) {
         a.begin_object("o", false);
         a.end_object();
       },
       "#define object \"o\" {\n}\n"},
      {"geometry",
       [](orvScene_api& a) {
         a.begin_geometry("triangles");
         a.end_geometry();
       },
       "geometry \"triangles\" {\n}\n"},
      {"animation inside a group",
       [](orvScene_api& a) {
         a.begin_group("g", true);
         a.begin_animation("spin", "linear");
         a.end_animation();
         a.end_group();
       },
       "\ngroup \"g\" {\n animation \"spin\"  \"linear\" {\n }\n}\n"},
      {"load",
       [](orvScene_api& a) {
         a.begin_load("orvrtopt.so");
         a.end_load();
       },
       "load \"orvrtopt.so\" {\n}\n"},
      {"options",
       [](orvScene_api& a) {
         a.begin_options();
         a.end_options();
       },
       "\noptions {\n}\n"},
      {"named camera",
       [](orvScene_api& a) {
         a.begin_camera("c");
         a.end_camera();
       },
       "\ncamera \"c\" {\n}\n"},
      {"camera without a name",
       [](orvScene_api& a) {
         a.begin_camera(nullptr);
         a.end_camera();
       },
       "\ncamera {\n}\n"},
      {"image",
       [](orvScene_api& a) {
         a.begin_image();
         a.end_image();
       },
       "\nimage {\n}\n"},
      {"output",
       [](orvScene_api& a) {
         a.begin_output("x", "y", "z");
         a.end_output();
       },
       "output \"x\" \"y\" \"z\" {\n}\n"},
      {"light",
       [](orvScene_api& a) {
         a.begin_light("sun");
         a.end_light();
       },
       "\nlight \"sun\" {\n}\n"},
      {"accel",
       [](orvScene_api& a) {
         a.begin_accel("bvh");
         a.end_accel();
       },
       "\naccel \"bvh\" {\n}\n"},
      {"matrix",
       [](orvScene_api& a) {
         a.begin_matrix("m");
         a.end_matrix();
       },
       "#define matrix \"m\" {\n}\n"},
      {"material in place",
       [](orvScene_api& a) {
         a.begin_material("m", true);
         a.end_material();
       },
       "material \"m\" {\n}\n"},
      {"material definition",
       [](orvScene_api& a) {
         a.begin_material("m", false);
         a.end_material();
       },
       "\n#define material \"m\" {\n}\n"},
      {"material definition inside a group",
       [](orvScene_api& a) {
         a.begin_group("g", true);
         a.begin_material("m", false);
         a.end_material();
         a.use_material("m");
         a.end_group();
       },
       "\ngroup \"g\" {\n \n #define  material \"m\" {\n }\n material \"m\"\n}\n"},
      {"camera changed in place",
       [](orvScene_api& a) {
         static_cast<orvScene_api_file&>(a).modify_camera("c");
         a.end_camera();
       },
       "#modify \ncamera \"c\" {\n}\n"},
  };
  for (const StatementCase& c : cases) {
    EXPECT_EQ(indented_scene(c.body), c.written) << c.what;
  }
}

TEST(WriterStatements, SingleStatements) {
  const unsigned char icon_bytes[] = {0x00, 0xff, 0x10};
  const StatementCase cases[] = {
      {"transform, rounded to float", [](orvScene_api& a) { a.transform(kShifted); },
       "transform 1 0 0 0 0 1 0 0 0 0 1 0 0.1 -2.5 1e+16 1\n"},
      {"set transform", [](orvScene_api& a) { a.set_transform(kIdentity); },
       "set transform 1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1\n"},
      {"scale", [](orvScene_api& a) { a.scale(1, 2.5, -3); }, "scale 1 2.5 -3\n"},
      {"rotate", [](orvScene_api& a) { a.rotate(0, 90, 1e-5); }, "rotate 0 90 1e-05\n"},
      {"translate", [](orvScene_api& a) { a.translate(1234567, 0.1, -0.0); },
       "translate 1.23457e+06 0.1 -0\n"},
      {"attribute",
       [](orvScene_api& a) { a.attribute("process identifier", "Fusion 360, 0x1a2b"); },
       "attribute \"process identifier\" \"Fusion 360, 0x1a2b\"\n"},
      {"verbatim text with percent signs", [](orvScene_api& a) { a.write_text("100% %s %d\n"); },
       "100% %s %d\n"},
      {"version", [](orvScene_api& a) { a.version(9); }, "version 9\n\n"},
      {"version -1 is version 8", [](orvScene_api& a) { a.version(-1); }, "version 8\n\n"},
      {"progress", [](orvScene_api& a) { a.progress("mesh", 0.5f); },
       "progress \"mesh\" 0.500\n\n"},
      {"icon", [&](orvScene_api& a) { a.icon(icon_bytes, 3); }, "icon bX00ff10\n"},
      {"empty icon", [](orvScene_api& a) { a.icon(nullptr, 5); }, "icon bX\n"},
      {"data parameter", [&](orvScene_api& a) { a.data_parameter("data", icon_bytes, 2); },
       "data bX00ff\n"},
      {"id", [](orvScene_api& a) { a.id(4294967295u); }, "id 4294967295\n"},
      {"flags", [](orvScene_api& a) { a.flags(4096); }, "flags 4096\n"},
      {"render", [](orvScene_api& a) { EXPECT_TRUE(a.render()); }, "\nrender\n"},
      {"print", [](orvScene_api& a) { a.print("50% \"done\""); }, "#print \"50% \"done\"\"\n"},
      {"error", [](orvScene_api& a) { a.error("bad mesh"); }, "#error \"bad mesh\"\n"},
      {"shader link by number", [](orvScene_api& a) { a.link_shader_id("bump", 12); },
       "\"bump\" ! 12,\n"},
      {"statements at depth one",
       [](orvScene_api& a) {
         a.begin_group("g", true);
         a.id(3);
         a.translate(1, 2, 3);
         a.write_text("a\nb\n");
         a.end_group();
       },
       "\ngroup \"g\" {\n id 3\n translate 1 2 3\n a\n b\n}\n"},
  };
  for (const StatementCase& c : cases) {
    EXPECT_EQ(indented_scene(c.body), c.written) << c.what;
  }
}

TEST(WriterStatements, OperationsWithoutTextReturnTheirFixedResults) {
  const std::string scene = capture_scene([](orvScene_api& api) {
    EXPECT_FALSE(api.connect("localhost", 5000, 4));
    EXPECT_FALSE(api.disconnect());
    EXPECT_FALSE(api.reserved_4());
    EXPECT_FALSE(api.reserved_64());
    EXPECT_EQ(api.reserved_51(), 10);
    EXPECT_EQ(api.reserved_52(), 10);
    EXPECT_EQ(api.reserved_53(), 0);
    api.reserved_1();
    api.reserved_58();
  });
  EXPECT_EQ(scene, "");
}

TEST(WriterTopBlocks, OnlyOneOpensAndRefusedEndsWriteNothing) {
  bool camera_in_object = true, options_in_options = true, image_after = false;
  const float fov = 30;
  const std::string scene = indented_scene([&](orvScene_api& api) {
    api.begin_object("o", true);
    camera_in_object = api.begin_camera("c");
    api.end_camera();  // refused begin: writes nothing, but leaves list style
    api.parameter("fov", ORV_FLOAT, &fov);
    api.end_object();
    api.begin_options();
    options_in_options = api.begin_options();
    api.end_options();
    image_after = api.begin_image();
    api.end_image();
  });
  EXPECT_FALSE(camera_in_object);
  EXPECT_FALSE(options_in_options);
  EXPECT_TRUE(image_after);
  EXPECT_EQ(scene,
            "object \"o\" {\n"
            " \"fov\" 30,\n"
            "}\n"
            "\noptions {\n"
            "}\n"
            "\nimage {\n"
            "}\n");
}

TEST(WriterTopBlocks, EndObjectClearsTheTopBlockUnconditionally) {
  bool camera_after_object = false;
  indented_scene([&](orvScene_api& api) {
    api.begin_object("o", true);
    api.begin_object("inner", true);
    api.end_object();
    camera_after_object = api.begin_camera(nullptr);  // the outer object is still open
  });
  EXPECT_TRUE(camera_after_object);
}

TEST(WriterShaders, NamedAndNumberedShadersAreWrittenInPlace) {
  const int one = 1;
  EXPECT_EQ(indented_scene([&](orvScene_api& api) {
              api.begin_material("m", true);
              api.begin_shader("wood", "orv_diffuse");
              api.parameter("k", ORV_INT, &one);
              api.end_shader();
              api.begin_shader_id("orv_bump", 7);
              api.end_shader();
              api.assign_shader_id(ORV_SURFACE, 7);
              api.flags(1);
              api.end_material();
            }),
            "material \"m\" {\n"
            " #define shader \"wood\" \"orv_diffuse\" {\n"
            "  \"k\" 1,\n"
            " }\n"
            " #define shader 7 orv_bump {\n"
            " }\n"
            " surface 7\n"
            " flags 1\n"
            "}\n");
}

TEST(WriterShaders, AssignmentKinds) {
  struct KindCase {
    int kind;
    const char* by_handle;
    const char* by_number;
  } cases[] = {
      {ORV_SURFACE, "surface \"t\" {\n}\n", "surface 3\n"},
      {ORV_SHADOW, "shadow \"t\" {\n}\n", "shadow 3\n"},
      {ORV_VOLUME, "volume \"t\" {\n}\n", "volume 3\n"},
      {ORV_REFLECTION_MAP, "reflection map \"t\" {\n}\n", "reflection map 3\n"},
      {7, "// assuming surface shader\nsurface \"t\" {\n}\n",
       "// assuming surface shader\nsurface 3\n"},
      {-1, "// assuming surface shader\nsurface \"t\" {\n}\n",
       "// assuming surface shader\nsurface 3\n"},
  };
  for (const KindCase& c : cases) {
    EXPECT_EQ(indented_scene([&](orvScene_api& api) {
                api.begin_shader(nullptr, "t");
                ShaderBuffer* shader = api.current_shader();
                api.end_shader();
                api.assign_shader(c.kind, shader);
                api.assign_shader_id(c.kind, 3);
              }),
              std::string(c.by_handle) + c.by_number)
        << "kind " << c.kind;
  }
}

TEST(WriterShaders, NullHandlesWriteNothing) {
  EXPECT_EQ(indented_scene([](orvScene_api& api) {
              api.assign_shader(ORV_SURFACE, nullptr);
              api.link_shader("bump", nullptr);
            }),
            "");
}

// The inner capture is bracketed with push/pop, linked into the outer one,
// and the outer one is re-indented where it is assigned.
TEST(WriterShaders, NestedCapturesWithPushAndPop) {
  int pushed_at = -1;
  const std::string scene = indented_scene([&](orvScene_api& api) {
    const int one = 1;
    api.begin_material("m", true);
    api.begin_shader(nullptr, "outer");
    pushed_at = api.push_shader();
    api.begin_shader(nullptr, "inner");
    api.parameter("k", ORV_INT, &one);
    api.end_shader();
    ShaderBuffer* inner = api.current_shader();
    api.pop_shader();
    api.link_shader("in", inner);
    api.end_shader();
    ShaderBuffer* outer = api.current_shader();
    EXPECT_NE(outer, inner);
    api.assign_shader(ORV_SURFACE, outer);
    api.end_material();
  });
  EXPECT_EQ(pushed_at, 1);  // above the entry the outer begin_shader saved
  EXPECT_EQ(scene,
            "material \"m\" {\n"
            " surface  \"outer\" {\n"
            "  \"in\" !  \"inner\" {\n"
            "   \"k\" 1,\n"
            "  } ,\n"
            " } \n"
            "}\n");
}

// A capture holding bytes written with an explicit length (here a hex name)
// is copied out as it is, without re-indentation.
TEST(WriterShaders, RawCapturesAreCopiedByteForByte) {
  EXPECT_EQ(indented_scene([](orvScene_api& api) {
              const int one = 1;
              api.begin_material("m", true);
              api.begin_shader(nullptr, "t");
              api.parameter("\xc3\xa9", ORV_INT, &one);
              api.parameter("k", ORV_INT, &one);
              ShaderBuffer* shader = api.current_shader();
              api.end_shader();
              api.assign_shader(ORV_SURFACE, shader);
              api.end_material();
            }),
            "material \"m\" {\n"
            " surface \"t\" {\n"
            "xXc3a9 1,\n"
            " \"k\" 1,\n"
            "} \n"
            "}\n");
}

TEST(WriterShaders, HandlesStayValidAfterLaterCaptures) {
  const std::string scene = capture_scene([](orvScene_api& api) {
    std::vector<ShaderBuffer*> shaders;
    for (int i = 0; i < 50; ++i) {
      api.begin_shader(nullptr, ("s" + std::to_string(i)).c_str());
      shaders.push_back(api.current_shader());
      api.end_shader();
    }
    api.assign_shader(ORV_SURFACE, shaders[0]);
    api.assign_shader(ORV_SURFACE, shaders[49]);
  });
  EXPECT_EQ(scene, "surface \"s0\" {\n}\nsurface \"s49\" {\n}\n");
}

// A shader assigned inside its own capture appends the buffer to itself.
TEST(WriterShaders, AssigningTheBufferBeingCapturedIntoDoesNotCorruptIt) {
  const std::string scene = capture_scene([](orvScene_api& api) {
    api.begin_shader(nullptr, "self");
    for (int i = 0; i < 12; ++i) api.assign_shader(ORV_SURFACE, api.current_shader());
    ShaderBuffer* shader = api.current_shader();
    api.end_shader();
    api.assign_shader(ORV_SURFACE, shader);
  });
  // Each assignment appends "surface ", then the whole text so far (with that
  // word) and a line feed.
  size_t captured = std::string("\"self\" {\n").size();
  for (int i = 0; i < 12; ++i) captured = 2 * (captured + 8) + 1;
  captured += 1;  // the closing brace
  ASSERT_EQ(scene.size(), std::string("surface ").size() + captured + 1);
  EXPECT_EQ(scene.rfind("surface \"self\" {\nsurface \"self\" {\nsurface ", 0), 0u);
  EXPECT_EQ(scene.substr(scene.size() - 3), "\n}\n");
}

TEST(WriterState, UnbalancedEndsAndPopsDoNotBreakTheWriter) {
  ShaderBuffer* after_pop = reinterpret_cast<ShaderBuffer*>(1);
  const std::string scene = indented_scene([&](orvScene_api& api) {
    api.end_group();  // depth -1: no indentation
    api.end_shader();
    api.end_array();
    api.pop_shader();
    after_pop = api.current_shader();
    api.begin_group("g", true);  // the depth stays negative: no indentation
    api.end_group();
    api.begin_group("h", true);
    api.id(1);
    api.end_group();
  });
  EXPECT_EQ(after_pop, nullptr);
  EXPECT_EQ(scene,
            "}\n"
            "}\n"
            " ],\n"
            "\ngroup \"g\" {\n}\n"
            "\ngroup \"h\" {\n"
            "id 1\n"
            "}\n");
}

TEST(WriterState, CaptureWithoutABufferDropsTheTextInsteadOfCrashing) {
  EXPECT_EQ(capture_scene([](orvScene_api& api) {
              api.begin_shader(nullptr, "t");
              api.pop_shader();  // the buffer saved by begin_shader: none
              api.pop_shader();
              api.id(1);  // captured into nothing
              api.end_shader();
              api.id(2);
            }),
            "id 2\n");
}

TEST(WriterState, NullStreamWritesNothingButKeepsTheState) {
  orvScene_api_file writer(static_cast<std::FILE*>(nullptr), true);
  writer.begin_object("o", true);
  EXPECT_FALSE(writer.begin_camera("c"));
  writer.end_object();
  EXPECT_TRUE(writer.begin_camera("c"));
  writer.end_camera();
  writer.begin_shader(nullptr, "t");
  EXPECT_NE(writer.current_shader(), nullptr);
  writer.end_shader();
  const int values[3] = {1, 2, 3};
  const orvArray array{values, 3};
  writer.parameter("a", ORV_ARRAY + ORV_INT, &array);
  writer.assign_shader(ORV_SURFACE, writer.current_shader());
  EXPECT_FALSE(writer.write_failed());
}

std::string long_text(size_t size, char filler) {
  std::string text(size, filler);
  for (size_t i = 1000; i < size; i += 1000) text[i] = '\n';
  return text;
}

std::string indent_lines(const std::string& text, int blanks) {
  const std::string pad(blanks, ' ');
  std::string out = pad;
  for (size_t i = 0; i < text.size(); ++i) {
    out += text[i];
    if (text[i] == '\n' && i + 1 < text.size()) out += pad;
  }
  return out;
}

// Texts longer than any buffer of the writer are written whole.
TEST(WriterLongTexts, NamesTextsAndCapturesBeyondOneMebibyte) {
  const std::string name(3 << 20, 'n');
  const std::string text = long_text(3 << 20, 't');
  const std::string value(2 << 20, 'v');

  EXPECT_EQ(indented_scene([&](orvScene_api& api) {
              api.begin_load("l");
              api.begin_load(name.c_str());
              api.end_load();
              api.end_load();
            }),
            "load \"l\" {\n load \"" + name + "\" {\n }\n}\n");

  EXPECT_EQ(indented_scene([&](orvScene_api& api) {
              api.begin_load("l");
              api.begin_load("m");
              api.write_text(text.c_str());
              api.end_load();
              api.end_load();
            }),
            "load \"l\" {\n load \"m\" {\n" + indent_lines(text, 2) + " }\n}\n");

  EXPECT_EQ(indented_scene([&](orvScene_api& api) {
              api.begin_load("l");
              api.begin_shader(nullptr, "t");
              api.parameter("v", ORV_STRING, value.c_str());
              ShaderBuffer* shader = api.current_shader();
              api.end_shader();
              api.assign_shader(ORV_SURFACE, shader);
              api.end_load();
            }),
            "load \"l\" {\n surface  \"t\" {\n  \"v\" \"" + value + "\",\n } \n}\n");

  EXPECT_EQ(indented_scene([&](orvScene_api& api) { api.print(text.c_str()); }),
            "#print \"" + text + "\"\n");
}

std::string numeric_locale() {
  const char* name = std::setlocale(LC_NUMERIC, nullptr);
  return name ? name : "";
}

TEST(WriterLocale, NumbersUseTheCLocaleAndTheOldOneComesBack) {
  const std::string original = numeric_locale();
  std::string other;
  for (const char* candidate :
       {"de_DE.UTF-8", "C.UTF-8", "C.utf8", "German_Germany.1252", "en-US", ""}) {
    if (std::setlocale(LC_NUMERIC, candidate) && numeric_locale() != "C") {
      other = numeric_locale();
      break;
    }
  }
  if (other.empty()) GTEST_SKIP() << "no numeric locale other than C on this system";
  {
    orvScene_api_file writer(static_cast<std::FILE*>(nullptr), false);
    EXPECT_EQ(numeric_locale(), "C");
  }
  EXPECT_EQ(numeric_locale(), other);
  std::setlocale(LC_NUMERIC, original.c_str());
}

class FailingSink : public SceneTextSink {
 public:
  bool write(const char*, size_t) override { return false; }
};

TEST(WriterWriteErrors, AFailedWriteIsRemembered) {
  FailingSink sink;
  orvScene_api_file writer(&sink, false);
  EXPECT_FALSE(writer.write_failed());
  writer.begin_shader(nullptr, "t");  // captured: nothing reaches the sink yet
  writer.end_shader();
  EXPECT_FALSE(writer.write_failed());
  writer.version(9);
  EXPECT_TRUE(writer.write_failed());
}

}  // namespace
