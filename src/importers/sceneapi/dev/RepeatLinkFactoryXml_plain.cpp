// Builds without TinyXML-2 (the Windows cross build) read the live-link XML
// texts with this reader.
#include "sceneapi/dev/RepeatLinkFactoryXml.h"

namespace orv::linkxml {

std::optional<Element> parseDocument(const char* text) { return readDocumentPlain(text); }

}  // namespace orv::linkxml
