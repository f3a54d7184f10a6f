// The design traversal: names, units, tree shape and flags, change tracking,
// face-appearance signatures, mesh conversion and missing host objects.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "FakeHost.h"
#include "SceneOutline.h"
#include "addin/FusionSceneConverter.h"

namespace {

using addin::FusionSceneConverter;

TEST(StripVersionSuffix, CutsOnlyATrailingLetterAndDigitsMarker) {
  const struct {
    const char* name;
    const char* expected;
  } cases[] = {
      {"Bracket v3", "Bracket"},
      {"Bracket V12", "Bracket"},
      {"Left Bracket v3", "Left Bracket"},
      {"My Bracket", "My Bracket"},    // a word, not a marker
      {"Bracket v", "Bracket v"},      // a single character after the blank
      {"Bracket vv3", "Bracket vv3"},  // two letters
      {"Bracket v3a", "Bracket v3a"},  // not only digits after the letter
      {"Bracket 33", "Bracket 33"},    // no letter
      {"Bracket v3 ", "Bracket v3 "},  // nothing after the last blank
      {"Bracket", "Bracket"},
      {"", ""},
      {" v3", " v3"},  // cutting would leave no name at all
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FusionSceneConverter::stripVersionSuffix(c.name), c.expected) << c.name;
  }
}

// A design whose one occurrence is moved 2 cm along x and turned a quarter
// around z; the occurrence's transform as written tells the unit factor.
TEST(DesignUnits, ScaleTranslationButNeverRotation) {
  const struct {
    std::vector<std::string> units;  // one design per unit, in product order
    float meterScale;
    const char* transform;
  } cases[] = {
      {{"mm"}, 1000.0f, "transform 0 1 0 0 -1 0 0 0 0 0 1 0 20 0 0 1"},
      {{"cm"}, 100.0f, "transform 0 1 0 0 -1 0 0 0 0 0 1 0 2 0 0 1"},
      {{"m"}, 1.0f, "transform 0 1 0 0 -1 0 0 0 0 0 1 0 0.02 0 0 1"},
      {{"in"}, 39.370079f, "transform 0 1 0 0 -1 0 0 0 0 0 1 0 0.787402 0 0 1"},
      {{"ft"}, 3.2808399f, "transform 0 1 0 0 -1 0 0 0 0 0 1 0 0.0656168 0 0 1"},
      {{"furlong"}, 1.0f, "transform 0 1 0 0 -1 0 0 0 0 0 1 0 0.02 0 0 1"},
      {{"MM"}, 1.0f, "transform 0 1 0 0 -1 0 0 0 0 0 1 0 0.02 0 0 1"},  // exact text only
      {{"mm", "in"}, 39.370079f, "transform 0 1 0 0 -1 0 0 0 0 0 1 0 0.787402 0 0 1"},
      {{"in", "mm"}, 1000.0f, "transform 0 1 0 0 -1 0 0 0 0 0 1 0 20 0 0 1"},
      {{"mm", "yards"}, 1000.0f, "transform 0 1 0 0 -1 0 0 0 0 0 1 0 20 0 0 1"},
  };
  for (const auto& c : cases) {
    auto doc = fake::document("Units v1", {std::make_shared<fake::OtherProduct>()});
    for (const auto& unit : c.units) {
      auto root = fake::component("Root");
      auto matrix = fake::translation(2, 0, 0);
      matrix->cells[0][0] = 0;
      matrix->cells[0][1] = -1;
      matrix->cells[1][0] = 1;
      matrix->cells[1][1] = 0;
      fake::place(root, fake::component("Part"), matrix);
      doc->productList->items.push_back(fake::design(root, unit));
    }
    const float scale = FusionSceneConverter::designMeterScale(doc);
    EXPECT_EQ(scale, c.meterScale) << c.units.back();

    FusionSceneConverter converter(nullptr, nullptr);
    converter.setMeterScale(scale);
    EXPECT_EQ(converter.unitFactor(), scale / 100.0f);
    auto scene = converter.buildScene(doc);
    const std::string text = outline::textOf(*scene);
    const auto last = text.rfind("transform ");
    ASSERT_NE(last, std::string::npos);
    EXPECT_EQ(text.substr(last, text.find('\n', last) - last), c.transform) << c.units.back();
  }
}

TEST(DesignUnits, MissingUnitsManagerOrProductsStopsWithAReason) {
  auto doc = fake::document("D", {fake::design(fake::component("Root"))});
  std::static_pointer_cast<fake::Design>(doc->productList->items[0])->units = nullptr;
  EXPECT_THROW(FusionSceneConverter::designMeterScale(doc), std::runtime_error);
  doc->productList = nullptr;
  EXPECT_THROW(FusionSceneConverter::designMeterScale(doc), std::runtime_error);
}

// A small assembly: root "Bracket" with a body in two appearances and a
// "Bolt" placed twice (one of the two placements hidden), plus a hidden body.
struct Assembly {
  Assembly() {
    steel = fake::appearance("Steel");
    paint = fake::appearance("Paint");
    base = fake::body("Base", {fake::face(), fake::face(paint), fake::face()}, steel);
    auto hidden = fake::body("Hidden", {fake::face()}, steel);
    hidden->visible = false;
    root = fake::component("Bracket", {base, hidden});
    bolt = fake::component("Bolt", {fake::body("Shank", {fake::face(steel)})});
    first = fake::place(root, bolt, fake::translation(1, 2, 3));
    second = fake::place(root, bolt, fake::translation(4, 5, 6));
    doc = fake::document("Bracket v3", {fake::design(root, "mm")});
  }
  std::string traverse(FusionSceneConverter& converter) {
    converter.setMeterScale(FusionSceneConverter::designMeterScale(doc));
    auto scene = converter.buildScene(doc);
    return outline::of(outline::textOf(*scene));
  }
  host::Ptr<fake::Appearance> steel, paint;
  host::Ptr<fake::Body> base;
  host::Ptr<fake::Component> root, bolt;
  host::Ptr<fake::Occurrence> first, second;
  host::Ptr<fake::Document> doc;
};

TEST(Traversal, FirstTraversalSendsEverythingWithItsFlags) {
  Assembly a;
  a.second->visible = false;
  FusionSceneConverter converter(nullptr, nullptr);
  EXPECT_EQ(a.traverse(converter),
            "Bracket(Bracket/32769("
            "Bolt/32769@(Shank/1024(Shank/65536(o))) "
            "Bolt/32769@() "
            "Base/1024(Base/65536(o) Base/65536(o o)) "
            "Hidden/33793()))");
}

TEST(Traversal, AppearanceGroupsAreNamedAfterTheBodyAndSortedByAppearanceName) {
  Assembly a;
  FusionSceneConverter converter(nullptr, nullptr);
  converter.setMeterScale(1000.0f);
  auto body = converter.convertBody(a.base, nullptr, true);
  const std::string text = outline::textOf(*body);
  // Paint sorts before Steel; both groups carry the body's name.
  EXPECT_EQ(outline::of(text), "Base/1024(Base/65536(o) Base/65536(o o))");
  EXPECT_LT(text.find("\"Paint-id\""), text.find("\"Steel-id\""));
  EXPECT_EQ(text.find("Generic material"), std::string::npos);
}

TEST(Traversal, APlacedTwiceComponentGetsTwoFullCopies) {
  Assembly a;
  FusionSceneConverter converter(nullptr, nullptr);
  EXPECT_EQ(a.traverse(converter),
            "Bracket(Bracket/32769("
            "Bolt/32769@(Shank/1024(Shank/65536(o))) "
            "Bolt/32769@(Shank/1024(Shank/65536(o))) "
            "Base/1024(Base/65536(o) Base/65536(o o)) "
            "Hidden/33793()))");
}

TEST(Traversal, FacesWithoutAnyAppearanceGetTheDefaultMaterial) {
  FusionSceneConverter converter(nullptr, nullptr);
  auto red = fake::appearance("Red");
  auto body = fake::body("Plate", {fake::face(), fake::face(red), fake::face()});
  auto group = converter.convertBody(body, nullptr, true);
  const std::string text = outline::textOf(*group);
  EXPECT_EQ(outline::of(text), "Plate/1024(Plate/65536(o) Plate/65536(o o))");
  // The unresolved faces follow the named appearances, with a white material.
  const auto generic = text.find("material \"Generic material\"");
  ASSERT_NE(generic, std::string::npos);
  EXPECT_GT(generic, text.find("material \"Red-id\""));
  EXPECT_NE(text.find("\"diffuse\" 1 1 1,", generic), std::string::npos);
}

TEST(Traversal, SeveralMeshesOfOneFaceShareTheMaterialAndTheBodyName) {
  FusionSceneConverter converter(nullptr, nullptr);
  auto body = fake::body(
      "Plate", {fake::face(fake::appearance("Red"), {fake::triangle(), fake::triangle(2)})});
  const std::string text = outline::textOf(*converter.convertBody(body, nullptr, true));
  EXPECT_EQ(outline::of(text), "Plate/1024(Plate/65536(o o))");
  size_t objects = 0;
  for (auto at = text.find("object \"Plate\""); at != std::string::npos;
       at = text.find("object \"Plate\"", at + 1))
    ++objects;
  EXPECT_EQ(objects, 2u);
}

TEST(ChangeTracking, UnchangedComponentsAreSentAsSkeletons) {
  Assembly a;
  FusionSceneConverter converter(nullptr, nullptr);
  a.traverse(converter);
  EXPECT_EQ(a.traverse(converter), "Bracket(Bracket/1(Bolt/1@() Bolt/1@()))");
}

TEST(ChangeTracking, MovingAnOccurrenceChangesOnlyItsTransform) {
  Assembly a;
  FusionSceneConverter converter(nullptr, nullptr);
  a.traverse(converter);
  a.first->matrix = fake::translation(7, 7, 7);
  converter.setMeterScale(1000.0f);
  const std::string text = outline::textOf(*converter.buildScene(a.doc));
  EXPECT_EQ(outline::of(text), "Bracket(Bracket/1(Bolt/1@() Bolt/1@()))");
  EXPECT_NE(text.find("transform 1 0 0 0 0 1 0 0 0 0 1 0 70 70 70 1"), std::string::npos);
}

TEST(ChangeTracking, ChangesResendOnlyTheAffectedComponent) {
  const struct {
    const char* change;
    void (*apply)(Assembly&);
    const char* expected;
  } cases[] = {
      {"face appearance",
       [](Assembly& a) {
         auto shank = std::static_pointer_cast<fake::Body>(a.bolt->bodyList->items[0]);
         std::static_pointer_cast<fake::Face>(shank->faceList->items[0])->look = a.paint;
       },
       "Bracket(Bracket/1(Bolt/32769@(Shank/1024(Shank/65536(o))) "
       "Bolt/32769@(Shank/1024(Shank/65536(o)))))"},
      {"body visibility", [](Assembly& a) { a.base->visible = false; },
       "Bracket(Bracket/32769(Bolt/1@() Bolt/1@() Base/33793() Hidden/33793()))"},
      {"volume", [](Assembly& a) { a.bolt->physical->v = 2.5; },
       "Bracket(Bracket/1(Bolt/32769@(Shank/1024(Shank/65536(o))) "
       "Bolt/32769@(Shank/1024(Shank/65536(o)))))"},
      {"area", [](Assembly& a) { a.root->physical->a = 9; },
       "Bracket(Bracket/32769(Bolt/1@() Bolt/1@() "
       "Base/1024(Base/65536(o) Base/65536(o o)) Hidden/33793()))"},
      {"child components", [](Assembly& a) { fake::place(a.root, fake::component("Nut")); },
       "Bracket(Bracket/32769(Bolt/1@() Bolt/1@() Nut/32769@() "
       "Base/1024(Base/65536(o) Base/65536(o o)) Hidden/33793()))"},
      // Both placements compare against the one stored state: the last one
      // visited (hidden) is what the next traversal compares with.
      {"occurrence visibility", [](Assembly& a) { a.second->visible = false; },
       "Bracket(Bracket/1(Bolt/1@() Bolt/32769@()))"},
  };
  for (const auto& c : cases) {
    Assembly a;
    FusionSceneConverter converter(nullptr, nullptr);
    a.traverse(converter);
    c.apply(a);
    EXPECT_EQ(a.traverse(converter), c.expected) << c.change;
  }
}

TEST(ChangeTracking, UnknownMeasuresAlwaysCountAsChanged) {
  Assembly a;
  a.bolt->physical = nullptr;
  FusionSceneConverter converter(nullptr, nullptr);
  a.traverse(converter);
  EXPECT_EQ(a.traverse(converter),
            "Bracket(Bracket/1(Bolt/32769@(Shank/1024(Shank/65536(o))) "
            "Bolt/32769@(Shank/1024(Shank/65536(o)))))");

  addin::ComponentState nan;
  nan.area = std::numeric_limits<double>::quiet_NaN();
  EXPECT_TRUE(nan.differsFrom(nan));
}

TEST(ChangeTracking, CurrentStatesKeepEveryComponentEverMet) {
  Assembly a;
  FusionSceneConverter converter(nullptr, nullptr);
  a.traverse(converter);
  a.root->occurrenceList->items.clear();
  a.traverse(converter);
  EXPECT_EQ(converter.currentStates().count("Bolt"), 1u);
  EXPECT_EQ(converter.sentStates().count("Bolt"), 1u);
  EXPECT_TRUE(converter.currentStates().at("Bracket").childComponents.empty());
}

TEST(FaceAppearanceSignature, CountsFacesPerAppearanceNameInFirstSeenOrder) {
  auto steel = fake::appearance("Steel");
  auto paint = fake::appearance("Paint");
  auto otherSteel = fake::appearance("Steel");  // another appearance, same name
  auto faces = [](std::vector<host::Ptr<host::Appearance>> looks) {
    std::vector<host::Ptr<host::BRepFace>> result;
    for (auto& look : looks) result.push_back(fake::face(look));
    return result;
  };
  const struct {
    const char* what;
    std::vector<host::Ptr<host::BRepBody>> bodies;
    host::Ptr<host::Appearance> received;
    const char* expected;
  } cases[] = {
      {"six and two",
       {fake::body("B", faces({steel, steel, paint, steel, steel, steel, paint, steel}))},
       nullptr,
       "6xSteel 2xPaint "},
      {"faces inherit the body's appearance",
       {fake::body("B", faces({nullptr, paint, nullptr}), steel)},
       nullptr,
       "2xSteel 1xPaint "},
      {"the body's own appearance beats the received one",
       {fake::body("B", faces({nullptr}), paint)},
       steel,
       "1xPaint "},
      {"faces without any appearance are skipped",
       {fake::body("B", faces({nullptr, paint, nullptr}))},
       nullptr,
       "1xPaint "},
      {"appearances are counted by name",
       {fake::body("B", faces({steel, otherSteel}))},
       nullptr,
       "2xSteel "},
      {"one text per body, in body order",
       {fake::body("B", faces({steel})), fake::body("C", faces({nullptr}))},
       paint,
       "1xSteel 1xPaint "},
  };
  for (const auto& c : cases) {
    auto component = fake::component("C", c.bodies);
    EXPECT_EQ(
        FusionSceneConverter::componentState(*component, c.received, true).faceAppearanceSignature,
        c.expected)
        << c.what;
  }
}

TEST(MeshConversion, ScalesPositionsOnlyAndKeepsEveryArray) {
  auto mesh = std::make_shared<fake::Mesh>();
  mesh->coordinates = {1.0f, 2.5f, -3.0f};
  mesh->normals = {0, 0, 1};
  mesh->uvs = {0.25f, 0.75f};
  mesh->indices = {0, 0, 0};
  for (const auto& [factor, expected] : std::vector<std::pair<float, std::vector<float>>>{
           {10.0f, {10, 25, -30}},
           // single-precision products, as the host's floats are scaled
           {0.01f, {1.0f * 0.01f, 2.5f * 0.01f, -3.0f * 0.01f}}}) {
    auto node = FusionSceneConverter::convertMesh(mesh, factor);
    EXPECT_EQ(node->getName(), "");
    EXPECT_EQ(node->vertices(), expected);
    EXPECT_EQ(node->normals(), mesh->normals);
    EXPECT_EQ(node->uvs(), mesh->uvs);
    EXPECT_EQ(node->triangles(), mesh->indices);
  }
}

TEST(MeshConversion, EmptyArraysStayEmptyAndANullMeshStops) {
  auto bare = std::make_shared<fake::Mesh>();
  bare->coordinates = {0, 0, 0, 1, 0, 0, 0, 1, 0};
  auto node = FusionSceneConverter::convertMesh(bare, 1.0f);
  EXPECT_TRUE(node->normals().empty());
  EXPECT_TRUE(node->uvs().empty());
  // Emitted, a mesh without triangles writes only its error.
  const std::string text = outline::textOf(*node);
  EXPECT_EQ(text.find("object"), std::string::npos);
  EXPECT_NE(text.find("#error \"No triangles defined\""), std::string::npos);

  EXPECT_THROW(FusionSceneConverter::convertMesh(nullptr, 1.0f), std::runtime_error);
}

// Every host object the traversal cannot do without stops it with a reason,
// never a crash.
TEST(Traversal, MissingHostObjectsStopWithAReason) {
  const struct {
    const char* withheld;
    void (*withhold)(Assembly&);
  } cases[] = {
      {"product list", [](Assembly& a) { a.doc->productList = nullptr; }},
      {"root component",
       [](Assembly& a) {
         std::static_pointer_cast<fake::Design>(a.doc->productList->items[0])->root = nullptr;
       }},
      {"occurrences", [](Assembly& a) { a.bolt->occurrenceList = nullptr; }},
      {"bodies", [](Assembly& a) { a.bolt->bodyList = nullptr; }},
      {"an occurrence's component", [](Assembly& a) { a.second->child = nullptr; }},
      {"an occurrence's transform", [](Assembly& a) { a.second->matrix = nullptr; }},
      {"a body's faces", [](Assembly& a) { a.base->faceList = nullptr; }},
      {"a face's mesh manager",
       [](Assembly& a) {
         std::static_pointer_cast<fake::Face>(a.base->faceList->items[1])->manager = nullptr;
       }},
      {"a face's meshes",
       [](Assembly& a) {
         std::static_pointer_cast<fake::Face>(a.base->faceList->items[1])->manager->meshes =
             nullptr;
       }},
      {"a mesh",
       [](Assembly& a) {
         std::static_pointer_cast<fake::Face>(a.base->faceList->items[1])
             ->manager->meshes->items[0] = nullptr;
       }},
      {"an appearance's properties", [](Assembly& a) { a.paint->props = nullptr; }},
  };
  for (const auto& c : cases) {
    Assembly a;
    c.withhold(a);
    FusionSceneConverter converter(nullptr, nullptr);
    try {
      converter.buildScene(a.doc);
      ADD_FAILURE() << "no error without " << c.withheld;
    } catch (const std::runtime_error& error) {
      EXPECT_EQ(std::string(error.what()).rfind("the host gave no ", 0), 0u) << error.what();
    }
  }
}

TEST(Traversal, AComponentThatContainsItselfIsAnErrorNotAnEndlessWalk) {
  auto loop = fake::component("Loop");
  auto inner = fake::component("Inner");
  fake::place(loop, inner);
  fake::place(inner, loop);
  FusionSceneConverter converter(nullptr, nullptr);
  try {
    converter.buildScene(fake::document("D", {fake::design(loop)}));
    ADD_FAILURE() << "no error";
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "the component \"Loop\" contains itself");
  }
  inner->occurrenceList->items.clear();  // the fake design's own cycle, so it can be freed
  // A component used twice side by side is no loop.
  auto twice = fake::component("Twice");
  auto part = fake::component("Part");
  fake::place(twice, part);
  fake::place(twice, part);
  EXPECT_NO_THROW(converter.buildScene(fake::document("D", {fake::design(twice)})));
}

}  // namespace
