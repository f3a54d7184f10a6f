// The bundled example design loads and shows what it is meant to show, and
// the bundled icons and manifest are usable.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <vector>

#include "host/sim/DesignFile.h"
#include "host/sim/SimHost.h"

namespace host::sim {
namespace {

TEST(Example, BracketHasEveryFeatureTheExampleIsFor) {
  const auto host = loadHost(std::string(LV_EXAMPLES_DIR) + "/bracket.json");
  const auto document = host->application()->activeDocument();
  EXPECT_EQ(document->name(), "Bracket v3");
  const auto design = document->products()->item(0)->asDesign();
  EXPECT_EQ(design->unitsManager()->defaultLengthUnits(), "mm");
  const auto root = design->rootComponent();

  std::map<std::string, int> placements;
  bool hiddenOccurrence = false;
  const auto occurrences = root->occurrences();
  for (std::size_t i = 0; i < occurrences->count(); ++i) {
    const auto occurrence = occurrences->item(i);
    ++placements[occurrence->component()->name()];
    hiddenOccurrence = hiddenOccurrence || !occurrence->isVisible();
  }
  EXPECT_EQ(placements["Leg"], 2);
  EXPECT_TRUE(hiddenOccurrence);

  bool hiddenBody = false, twoAppearances = false, textured = false;
  const auto bodies = root->bRepBodies();
  for (std::size_t b = 0; b < bodies->count(); ++b) {
    const auto body = bodies->item(b);
    hiddenBody = hiddenBody || !body->isVisible();
    std::set<std::string> used;
    const auto faces = body->faces();
    for (std::size_t f = 0; f < faces->count(); ++f) {
      const auto face = faces->item(f);
      const auto appearance = face->appearance() ? face->appearance() : body->appearance();
      if (!appearance) continue;
      used.insert(appearance->name());
      const auto properties = appearance->appearanceProperties();
      for (std::size_t p = 0; p < properties->count(); ++p) {
        const auto color = properties->item(p)->asColorProperty();
        textured = textured || (color && color->connectedTexture());
      }
    }
    twoAppearances = twoAppearances || used.size() == 2;
  }
  EXPECT_TRUE(hiddenBody);
  EXPECT_TRUE(twoAppearances);
  EXPECT_TRUE(textured);
  EXPECT_GT(root->physicalProperties()->volume(), 0);
}

std::vector<unsigned char> readAll(const std::string& path) {
  std::vector<unsigned char> bytes;
  if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
    int c;
    while ((c = std::fgetc(file)) != EOF) bytes.push_back(static_cast<unsigned char>(c));
    std::fclose(file);
  }
  return bytes;
}

unsigned bigEndian(const std::vector<unsigned char>& bytes, std::size_t at) {
  return (unsigned{bytes[at]} << 24) | (unsigned{bytes[at + 1]} << 16) |
         (unsigned{bytes[at + 2]} << 8) | bytes[at + 3];
}

TEST(Resources, EachCommandFolderHoldsPngIconsOfBothSizes) {
  const unsigned char signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
  for (const char* folder : {"render_command", "export_command"}) {
    for (unsigned size : {16u, 32u}) {
      const std::string name =
          std::string(folder) + "/" + std::to_string(size) + "x" + std::to_string(size) + ".png";
      SCOPED_TRACE(name);
      const auto bytes = readAll(std::string(LV_RESOURCES_DIR) + "/" + name);
      ASSERT_GT(bytes.size(), 33u);
      EXPECT_TRUE(std::equal(signature, signature + 8, bytes.begin()));
      EXPECT_EQ(std::string(bytes.begin() + 12, bytes.begin() + 16), "IHDR");
      EXPECT_EQ(bigEndian(bytes, 16), size);  // width
      EXPECT_EQ(bigEndian(bytes, 20), size);  // height
    }
  }
}

TEST(Resources, ManifestIsJsonNamingAnAddin) {
  const auto bytes = readAll(std::string(LV_RESOURCES_DIR) + "/LumiVex9Addin.manifest");
  const auto manifest = nlohmann::json::parse(bytes.begin(), bytes.end(), nullptr, false);
  ASSERT_FALSE(manifest.is_discarded());
  EXPECT_EQ(manifest.value("type", ""), "addin");
  EXPECT_EQ(manifest.value("autodeskProduct", ""), "Fusion360");
  EXPECT_EQ(manifest.value("id", "").size(), 36u);  // a GUID
}

}  // namespace
}  // namespace host::sim
