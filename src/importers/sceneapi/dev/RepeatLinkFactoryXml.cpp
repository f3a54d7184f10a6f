// Reading the live-link XML texts with TinyXML-2 into a small tree that the
// connection code walks.
#include "sceneapi/dev/RepeatLinkFactoryXml.h"

#include <tinyxml2.h>

namespace orv::linkxml {

const std::string* Element::attribute(std::string_view attributeName) const {
  for (const auto& [key, value] : attributes) {
    if (key == attributeName) return &value;
  }
  return nullptr;
}

namespace {

bool convert(const tinyxml2::XMLElement& source, Element& target, int depth) {
  if (depth > kMaxDepth) return false;
  target.name = source.Name() ? source.Name() : "";
  for (const tinyxml2::XMLAttribute* attribute = source.FirstAttribute(); attribute;
       attribute = attribute->Next()) {
    target.attributes.emplace_back(attribute->Name(), attribute->Value());
  }
  if (const char* text = source.GetText()) target.text = text;
  for (const tinyxml2::XMLElement* child = source.FirstChildElement(); child;
       child = child->NextSiblingElement()) {
    target.children.emplace_back();
    if (!convert(*child, target.children.back(), depth + 1)) return false;
  }
  return true;
}

}  // namespace

std::optional<Element> parseDocument(const char* text) {
  if (!text) return std::nullopt;
  tinyxml2::XMLDocument document;
  if (document.Parse(text) != tinyxml2::XML_SUCCESS) return std::nullopt;
  const tinyxml2::XMLElement* root = document.RootElement();
  if (!root) return std::nullopt;
  Element result;
  if (!convert(*root, result, 1)) return std::nullopt;
  return result;
}

}  // namespace orv::linkxml
