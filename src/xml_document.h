#pragma once
// The XML access layer of the menus: a parsed document, its nodes and XPath
// results, over libxml2's C interface. Texts cross this layer as wide strings and
// reach libxml2 in UTF-8.
//
// Ownership: XmlDocument owns its libxml2 document; XmlNodeList owns one XPath
// result (move-only); XmlNode owns nothing and is valid while its document keeps
// the tree it came from (until the next Parse or FreeDoc). Not synchronised: the
// menu document is used under the module-wide lock only.
#include <memory>
#include <string>

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xpath.h>

#include "src/status_record.h"

// Frees each libxml2 object kind with its own release function.
struct XmlRelease {
  void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
  void operator()(xmlXPathObject* result) const { xmlXPathFreeObject(result); }
  void operator()(xmlXPathContext* context) const { xmlXPathFreeContext(context); }
  void operator()(xmlParserCtxt* parser) const { xmlFreeParserCtxt(parser); }
  void operator()(xmlBuffer* buffer) const { xmlBufferFree(buffer); }
  void operator()(xmlChar* text) const { xmlFree(text); }
};
template <typename T>
using XmlPtr = std::unique_ptr<T, XmlRelease>;

// A node of a document, or no node at all (IsNull).
class XmlNode {
 public:
  XmlNode() = default;
  explicit XmlNode(xmlNodePtr node) : node_(node) {}

  bool IsNull() const { return node_ == nullptr; }
  // The attribute's value; "" when the attribute is absent or this is no element.
  std::wstring GetAttribute(const std::wstring& name) const;
  // The element's name; "" for no node.
  std::wstring Name() const;
  XmlNode FirstChildElement() const;
  XmlNode NextSiblingElement() const;
  // The node and its subtree as XML text, indented; "" for no node.
  std::wstring ToXml() const;

  xmlNodePtr get() const { return node_; }

 private:
  xmlNodePtr node_ = nullptr;
};

// The nodes an XPath expression selected, in document order.
class XmlNodeList {
 public:
  XmlNodeList() = default;
  explicit XmlNodeList(XmlPtr<xmlXPathObject> result) : result_(std::move(result)) {}

  int Count() const;
  // The node at `index` (from 0); no node outside the list.
  XmlNode Item(int index) const;

 private:
  XmlPtr<xmlXPathObject> result_;
};

class XmlDocument : public StatusRecord {
 public:
  XmlDocument() = default;
  XmlDocument(const XmlDocument&) = delete;
  XmlDocument& operator=(const XmlDocument&) = delete;

  // Replaces the document by `text`, parsed as the UTF-8 form of the wide text
  // whatever encoding its declaration names. 0 on success; 1 when the text is not
  // well formed (or declares entities, which a menu document never needs and which
  // could make the parse explode), with the status (1, "Document not parsed
  // successfully. \n") and the document gone.
  int Parse(const std::wstring& text);
  // Why the last Parse failed, as the parser put it (for the log); "" after success.
  const std::wstring& ParseError() const { return parse_error_; }
  void FreeDoc() { doc_.reset(); }
  bool HasDocument() const { return doc_ != nullptr; }

  // The first node that `xpath` selects (evaluated at `context` when given), or no
  // node when it selects none or does not evaluate.
  XmlNode SelectSingleNode(const std::wstring& xpath, const XmlNode* context = nullptr);
  // Every node that `xpath` selects; an empty list when none or it does not evaluate.
  XmlNodeList SelectNodes(const std::wstring& xpath, const XmlNode* context = nullptr);

 private:
  XmlPtr<xmlDoc> doc_;
  std::wstring parse_error_;
};
