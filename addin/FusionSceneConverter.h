// Turns the open design into scene nodes and runs the commands on them. One
// converter lives from the first command until the add-in stops; between
// commands it keeps the component states that let a repeated Render send
// only what changed.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "addin/ComponentState.h"
#include "host/api/Application.h"
#include "host/api/Design.h"
#include "host/api/UserInterface.h"
#include "scenemodel/OrvGroup.h"
#include "scenemodel/TriangleObject.h"
#include "scenemodel/orvSceneapi_oo.h"

namespace orv {
class LiveLinkAccess;
}

namespace addin {

class FusionSceneConverter {
 public:
  FusionSceneConverter(host::Ptr<host::UserInterface> userInterface,
                       host::Ptr<host::Application> application);
  ~FusionSceneConverter();
  FusionSceneConverter(const FusionSceneConverter&) = delete;
  FusionSceneConverter& operator=(const FusionSceneConverter&) = delete;

  // The Export command: asks for a file and writes the design into it. Every
  // failure ends up in the host's message box; nothing is thrown.
  void exportScene(host::Ptr<host::Document> document);
  // The Render command: streams the design to a renderer over the live link
  // (the installed one, or the given access to it). A failed link ends up in
  // the host's message box.
  void renderScene(host::Ptr<host::Document> document);
  void renderScene(host::Ptr<host::Document> document, orv::LiveLinkAccess& link);

  // Design length units per metre of the document's default length unit (the
  // last design of the document decides; an unknown unit leaves 1.0).
  static float designMeterScale(const host::Ptr<host::Document>& document);
  // Stores meterScale and unitFactor (meterScale / 100) for the next conversion.
  void setMeterScale(float meterScale);

  // The whole traversal: one group for the document, one per design's root
  // component. Afterwards the states just recorded count as sent.
  std::shared_ptr<orv::OrvGroup> buildScene(host::Ptr<host::Document> document);
  std::shared_ptr<orv::OrvGroup> convertComponent(host::Ptr<host::Component> component,
                                                  host::Ptr<host::Appearance> appearance,
                                                  bool visible);
  std::shared_ptr<orv::OrvGroup> convertBody(host::Ptr<host::BRepBody> body,
                                             host::Ptr<host::Appearance> appearance, bool visible);
  // One host mesh as a node named "", with positions scaled from centimetres
  // by unitFactor; normals and texture coordinates pass unchanged.
  static std::shared_ptr<orv::TriangleObject> convertMesh(host::Ptr<host::TriangleMesh> mesh,
                                                          float unitFactor);
  // Writes the active view's camera, named "Active Camera", into sceneWriter.
  void emitActiveCamera();

  // The state of a component as it would be converted with the given
  // appearance and visibility.
  static ComponentState componentState(const host::Component& component,
                                       const host::Ptr<host::Appearance>& appearance, bool visible);
  // "Bracket v3" -> "Bracket": drops a trailing version marker (a blank, one
  // letter, then only digits). Any other name is kept whole.
  static std::string stripVersionSuffix(const std::string& name);

  ComponentStates& sentStates() { return sentStates_; }
  ComponentStates& currentStates() { return currentStates_; }
  float meterScale() const { return meterScale_; }
  float unitFactor() const { return unitFactor_; }
  orv::orvSceneapi_oo* sceneWriter() const { return sceneWriter_.get(); }
  void setSceneWriter(std::unique_ptr<orv::orvSceneapi_oo> writer);

 private:
  void writeExport(const host::Ptr<host::Document>& document, const std::string& path);
  void showMessage(const std::string& text);

  std::unique_ptr<orv::orvSceneapi_oo> sceneWriter_;
  host::Ptr<host::UserInterface> userInterface_;
  host::Ptr<host::Application> application_;
  ComponentStates sentStates_;
  ComponentStates currentStates_;
  float meterScale_ = 1.0f;
  float unitFactor_ = 0.01f;
  // Components on the way from the root to the one being converted.
  std::vector<const host::Component*> path_;
};

}  // namespace addin
