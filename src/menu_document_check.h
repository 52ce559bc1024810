#pragma once
// The shape a menu document must have before anything of it is built: the root
// element `mnus` without a namespace, entries nested at most kMaxMenuDepth deep,
// and at most kMaxMenuEntries entries. Larger menus would only slow the session
// down to no use, and deep ones would exhaust stacks on the way.
//
// Pure functions over a parsed document; any thread may call them for a document
// it holds.
#include <string>

#include "src/xml_document.h"

constexpr int kMaxMenuDepth = 32;
constexpr int kMaxMenuEntries = 10000;

// "" when `document` may be built; else the status message saying which rule it
// breaks.
std::wstring MenuDocumentFault(XmlDocument& document);
