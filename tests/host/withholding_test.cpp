// Withholding: each entry makes exactly the object it names absent, and only
// where the name matches.
#include <gtest/gtest.h>

#include <functional>

#include "host/sim/DesignFile.h"
#include "host/sim/SimHost.h"

namespace host::sim {
namespace {

const char* const kDesign = R"json({
  "document": {
    "name": "Doc v1",
    "appearances": [{"id": "app", "properties": [
      {"type": "color", "id": "generic_diffuse", "color": [1, 2, 3],
       "texture": {"properties": [{"type": "filename", "id": "bitmap", "value": "t.png"}]}}]}],
    "products": [{"units": "mm", "root": "Root", "components": [
      {"name": "Root", "occurrences": [{"component": "Part"}],
       "bodies": [{"name": "Other", "faces": [{"meshes": [{}]}]}]},
      {"name": "Part", "bodies": [{"name": "Body", "faces": [{"appearance": "app", "meshes": [{}]}]}]}]}]
  }
})json";

Ptr<Design> design(SimHost& host) {
  const auto document = host.application()->activeDocument();
  const auto products = document ? document->products() : nullptr;
  const auto product = products ? products->item(0) : nullptr;
  return product ? product->asDesign() : nullptr;
}
Ptr<Occurrence> occurrence(SimHost& host) {
  return design(host)->rootComponent()->occurrences()->item(0);
}
Ptr<Component> part(SimHost& host) { return occurrence(host)->component(); }
Ptr<BRepBody> body(SimHost& host) { return part(host)->bRepBodies()->item(0); }
Ptr<BRepFace> face(SimHost& host) { return body(host)->faces()->item(0); }
Ptr<Property> diffuse(SimHost& host) {
  return face(host)->appearance()->appearanceProperties()->item(0);
}
Ptr<ColorProperty> diffuseColor(SimHost& host) { return diffuse(host)->asColorProperty(); }
Ptr<Property> bitmap(SimHost& host) {
  return diffuseColor(host)->connectedTexture()->properties()->item(0);
}
Ptr<Camera> camera(SimHost& host) { return host.application()->activeViewport()->camera(); }

struct Case {
  const char* entry;
  std::function<bool(SimHost&)> present;
};

// Each case: with the entry withheld, the object is absent; otherwise present.
const Case kCases[] = {
    {"application", [](SimHost& h) { return !!h.application(); }},
    {"userInterface", [](SimHost& h) { return !!h.application()->userInterface(); }},
    {"activeDocument", [](SimHost& h) { return !!h.application()->activeDocument(); }},
    {"activeViewport", [](SimHost& h) { return !!h.application()->activeViewport(); }},
    {"camera", [](SimHost& h) { return !!camera(h); }},
    {"eye", [](SimHost& h) { return !!camera(h)->eye(); }},
    {"target", [](SimHost& h) { return !!camera(h)->target(); }},
    {"upVector", [](SimHost& h) { return !!camera(h)->upVector(); }},
    {"asVector", [](SimHost& h) { return !!camera(h)->target()->asVector(); }},
    {"preferences", [](SimHost& h) { return !!h.application()->preferences(); }},
    {"generalPreferences",
     [](SimHost& h) { return !!h.application()->preferences()->generalPreferences(); }},
    {"commandDefinitions",
     [](SimHost& h) { return !!h.application()->userInterface()->commandDefinitions(); }},
    {"toolbars", [](SimHost& h) { return !!h.application()->userInterface()->toolbars(); }},
    {"workspaces", [](SimHost& h) { return !!h.application()->userInterface()->workspaces(); }},
    {"fileDialog",
     [](SimHost& h) { return !!h.application()->userInterface()->createFileDialog(); }},
    {"controls@QAT",
     [](SimHost& h) {
       return !!h.application()->userInterface()->toolbars()->itemById("QAT")->controls();
     }},
    {"controls@RenderPanel",
     [](SimHost& h) {
       return !!h.userInterface().panelControls("FusionRenderEnvironment", "RenderPanel");
     }},
    {"toolbarPanels@FusionRenderEnvironment",
     [](SimHost& h) {
       return !!h.application()
                    ->userInterface()
                    ->workspaces()
                    ->itemById("FusionRenderEnvironment")
                    ->toolbarPanels();
     }},
    {"products", [](SimHost& h) { return !!h.application()->activeDocument()->products(); }},
    {"design@Root", [](SimHost& h) { return !!design(h); }},
    {"unitsManager@Root", [](SimHost& h) { return !!design(h)->unitsManager(); }},
    {"rootComponent@Root", [](SimHost& h) { return !!design(h)->rootComponent(); }},
    {"occurrences@Root", [](SimHost& h) { return !!design(h)->rootComponent()->occurrences(); }},
    {"bRepBodies@Part", [](SimHost& h) { return !!part(h)->bRepBodies(); }},
    {"physicalProperties@Part", [](SimHost& h) { return !!part(h)->physicalProperties(); }},
    {"component@Part:1", [](SimHost& h) { return !!occurrence(h)->component(); }},
    {"transform@Part:1", [](SimHost& h) { return !!occurrence(h)->transform(); }},
    {"faces@Body", [](SimHost& h) { return !!body(h)->faces(); }},
    {"meshManager@Body", [](SimHost& h) { return !!face(h)->meshManager(); }},
    {"displayMeshes@Body", [](SimHost& h) { return !!face(h)->meshManager()->displayMeshes(); }},
    {"appearanceProperties@app",
     [](SimHost& h) { return !!face(h)->appearance()->appearanceProperties(); }},
    {"colorProperty@generic_diffuse", [](SimHost& h) { return !!diffuseColor(h); }},
    {"color@generic_diffuse", [](SimHost& h) { return !!diffuseColor(h)->value(); }},
    {"connectedTexture@generic_diffuse",
     [](SimHost& h) { return !!diffuseColor(h)->connectedTexture(); }},
    {"textureProperties@generic_diffuse",
     [](SimHost& h) { return !!diffuseColor(h)->connectedTexture()->properties(); }},
    {"filenameProperty@bitmap", [](SimHost& h) { return !!bitmap(h)->asFilenameProperty(); }},
};

TEST(Withholding, EachEntryRemovesItsObjectAndReleasingBringsItBack) {
  SimHost host(parseDesign(kDesign));
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.entry);
    EXPECT_TRUE(c.present(host));
    host.withhold(c.entry);
    EXPECT_FALSE(c.present(host));
    host.release(c.entry);
    EXPECT_TRUE(c.present(host));
  }
}

TEST(Withholding, ANamedEntryLeavesObjectsOfOtherNames) {
  SimHost host(parseDesign(kDesign));
  host.withhold("faces@Body");
  host.withhold("occurrences@Part");
  host.withhold("controls@NavToolbar");
  const auto root = design(host)->rootComponent();
  EXPECT_TRUE(root->bRepBodies()->item(0)->faces());  // the body named Other
  EXPECT_TRUE(root->occurrences());
  EXPECT_FALSE(body(host)->faces());
  EXPECT_TRUE(host.application()->userInterface()->toolbars()->itemById("QAT")->controls());
}

TEST(Withholding, ACastThatFailsKeepsTheClassName) {
  SimHost host(parseDesign(kDesign));
  host.withhold("filenameProperty");
  EXPECT_EQ(bitmap(host)->objectType(), "adsk::core::FilenameProperty");
  EXPECT_FALSE(bitmap(host)->asFilenameProperty());
}

TEST(Withholding, EntriesFromTheDesignFileApplyFromTheStart) {
  SimHost host(parseDesign(R"({"withhold": ["activeViewport", "toolbars"]})"));
  EXPECT_FALSE(host.application()->activeViewport());
  EXPECT_FALSE(host.application()->userInterface()->toolbars());
  EXPECT_TRUE(host.application()->userInterface()->workspaces());
}

TEST(Withholding, InstallReflectsAWithheldApplication) {
  SimHost host;
  host.withhold("application");
  host.install();
  EXPECT_FALSE(Application::get());
  host.release("application");
  host.install();
  EXPECT_EQ(Application::get(), host.application());
  host.uninstall();
  EXPECT_FALSE(Application::get());
}

}  // namespace
}  // namespace host::sim
