// lvlink export as a user runs it: a separate process, its exit status, what
// it writes to the file, to standard output and to standard error.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

struct RunResult {
  int status;
  std::string out, err;
};

// Runs lvlink through the system's command interpreter (sh here, cmd under
// Windows), whose "> file" and "2> file" redirections read the same.
class LvlinkTest : public ::testing::Test {
 protected:
  LvlinkTest() {
    std::random_device seed;
    dir_ = fs::temp_directory_path() / ("lvlink-test-" + std::to_string(seed()));
    fs::create_directories(dir_);
  }
  ~LvlinkTest() override {
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }

  std::string path(const std::string& name) const { return (dir_ / name).string(); }

  std::string writeDesign(const std::string& name, const std::string& json) const {
    std::ofstream(dir_ / name, std::ios::binary) << json;
    return path(name);
  }

  RunResult lvlink(const std::string& arguments) const {
    const std::string command = std::string(LVLINK_COMMAND) + " " + arguments + " > \"" +
                                path("stdout.txt") + "\" 2> \"" + path("stderr.txt") + "\"";
    int status = std::system(command.c_str());
    // POSIX reports the exit code shifted into the second byte of the status;
    // Windows reports the code itself.
    if (status >= 256) status >>= 8;
    return {status, readFile(path("stdout.txt")), readFile(path("stderr.txt"))};
  }

 private:
  fs::path dir_;
};

std::string quoted(const std::string& text) { return "\"" + text + "\""; }

// One red quad (two triangles) in a millimetre design, its part placed once
// 2 cm along x.
const char* const kSmallDesign = R"({
  "document": {
    "name": "Plate v7",
    "appearances": [
      {"id": "red-id", "name": "Red",
       "properties": [{"type": "color", "id": "generic_diffuse", "color": [255, 0, 0]}]}
    ],
    "products": [{
      "units": "mm",
      "root": "Plate",
      "components": [
        {"name": "Plate", "area": 1, "volume": 0,
         "occurrences": [{"component": "Part", "translation": [2, 0, 0]}]},
        {"name": "Part", "area": 1, "volume": 0,
         "bodies": [{"name": "Body1", "appearance": "red-id", "faces": [{"meshes": [{
           "coordinates": [0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0],
           "indices": [0, 1, 2, 0, 2, 3]}]}]}]}
      ]
    }]
  }
})";

const char* const kSmallScene = R"lvs(//---orvane:dal:7---
//---import:dal:1---
//---id:1---
// This is a LumiVex scene file

#print "LumiVex SceneApi oo 9.1.3  (built Tue Apr 30 15:11:26 2019)"
version 9

load "orvrtopt.so" {
 "import_mode" on,
 "import_merge_groups" on,
 "import_merge_objects" on,
 "import_up_vector" 1,
 "meter_scale" 1000,
 "import_keep_original" on,
 "import_center_geometry" on,
 "import_snap_to_ground" on,
 "import_adjust_camera" on,
 "import_adjust_environment" on,
 "ext" on,
}

group "Plate" {

 group "Plate" {
  flags 32769

  group "Part" {
   flags 32769
   transform 1 0 0 0 0 1 0 0 0 0 1 0 20 0 0 1

   group "Body1" {
    flags 1024

    group "Body1" {
     flags 65536
     object "Body1" {
      geometry "triangles" {
       "vertices" [ 0 0 0,10 0 0,10 10 0,0 10 0 ] ,
       "triangles" [ 0,1,2,0,2,3 ] ,
      }
      material "red-id" {
       #define shader 1 orv_diffuse {
        "diffuse" 1 0 0,
       }
       surface 1
      }
     }
    }
   }
  }
 }
}
)lvs";

TEST_F(LvlinkTest, ExportsASmallDesignByteForByte) {
  const auto design = writeDesign("plate.json", kSmallDesign);
  const auto run = lvlink("export " + quoted(design) + " -o " + quoted(path("plate.lvs")));
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(readFile(path("plate.lvs")), kSmallScene);
}

TEST_F(LvlinkTest, DashWritesTheSceneToStandardOutputOnly) {
  const auto design = writeDesign("plate.json", kSmallDesign);
  const auto run = lvlink("export " + quoted(design) + " -o -");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, kSmallScene);
}

TEST_F(LvlinkTest, ExportsTheBundledExample) {
  const auto example = (fs::path(LV_SOURCE_DIR) / "examples" / "bracket.json").string();
  const auto run = lvlink("export " + quoted(example) + " -o " + quoted(path("bracket.lvs")));
  ASSERT_EQ(run.status, 0) << run.err;
  const std::string scene = readFile(path("bracket.lvs"));
  // The document group drops the version marker; the design is in millimetres;
  // every component group of an export counts as new.
  EXPECT_NE(scene.find("\ngroup \"Bracket\" {\n"), std::string::npos);
  EXPECT_NE(scene.find("\n \"meter_scale\" 1000,\n"), std::string::npos);
  EXPECT_EQ(scene.find("flags 1\n"), std::string::npos);
  EXPECT_NE(scene.find("flags 32769\n"), std::string::npos);
  // The textured appearance brings its texture shader along.
  EXPECT_NE(scene.find("texture2_rgb"), std::string::npos);
  EXPECT_NE(scene.find("\"diffuse\" ! "), std::string::npos);
}

TEST_F(LvlinkTest, FailedExportsShowTheAddinsMessageAndFail) {
  const auto design = writeDesign("plate.json", kSmallDesign);
  const auto unwritable = path("no-such-folder/plate.lvs");
  auto run = lvlink("export " + quoted(design) + " -o " + quoted(unwritable));
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("Export failed. Reason: \"could not open file: \"" + unwritable),
            std::string::npos)
      << run.err;

  std::string withheld = kSmallDesign;
  withheld.insert(withheld.rfind('}'), R"(, "withhold": ["transform@Part:1"])");
  run = lvlink("export " + quoted(writeDesign("withheld.json", withheld)) + " -o " +
               quoted(path("withheld.lvs")));
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("Export failed. Reason: \"the host gave no transform of an occurrence\""),
            std::string::npos)
      << run.err;

  run = lvlink("export " + quoted(writeDesign("empty.json", "{}")) + " -o " +
               quoted(path("empty.lvs")));
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("nothing was exported"), std::string::npos) << run.err;
  EXPECT_FALSE(fs::exists(path("empty.lvs")));
}

TEST_F(LvlinkTest, ArgumentsAndDesignFilesAreChecked) {
  const auto design = writeDesign("plate.json", kSmallDesign);
  const struct {
    std::string arguments;
    int status;
    const char* said;
  } cases[] = {
      {"--help", 0, "usage: lvlink export DESIGN -o FILE.lvs"},
      {"", 2, "usage: lvlink export"},
      {"import " + quoted(design), 2, "unknown command \"import\""},
      {"export " + quoted(design), 2, "export needs -o FILE.lvs"},
      {"export -o " + quoted(path("x.lvs")), 2, "export needs a design file"},
      {"export " + quoted(design) + " -o", 2, "-o needs a value"},
      {"export " + quoted(design) + " --quality 3 -o x", 2, "unknown option \"--quality\""},
      {"export " + quoted(path("missing.json")) + " -o " + quoted(path("x.lvs")), 2,
       "missing.json"},
      {"export " + quoted(writeDesign("bad.json", "{\"document\": {\"nmae\": 1}}")) + " -o " +
           quoted(path("x.lvs")),
       2, "bad.json"},
      {"export " + quoted(design) + " -o " + quoted(path("x.lvs")) + " --addin " +
           quoted(path("nothing.so")),
       2, "cannot load the add-in"},
  };
  for (const auto& c : cases) {
    const auto run = lvlink(c.arguments);
    EXPECT_EQ(run.status, c.status) << c.arguments;
    EXPECT_NE((run.out + run.err).find(c.said), std::string::npos) << c.arguments << "\n"
                                                                   << run.out << run.err;
  }
  EXPECT_FALSE(fs::exists(path("x.lvs")));
}

}  // namespace
