#include "src/xml_document.h"

#include <climits>
#include <new>

#include "base/utf.h"
#include "src/fixed_names.h"

namespace {

const xmlChar* Utf8(const std::string& text) { return BAD_CAST text.c_str(); }

std::wstring FromUtf8(const xmlChar* text) {
  return text ? base::Utf8ToWide(reinterpret_cast<const char*>(text)) : std::wstring();
}

// A menu document never needs entities, and a declaration that expands
// exponentially would stall the parse: any declaration ends it.
void RefuseEntity(void* context, const xmlChar*, int, const xmlChar*, const xmlChar*, xmlChar*) {
  auto* parser = static_cast<xmlParserCtxtPtr>(context);
  parser->wellFormed = 0;
  xmlStopParser(parser);
}

std::wstring ParserError(const xmlParserCtxt& parser) {
  if (parser.errNo == XML_ERR_USER_STOP) return L"entity declarations are not accepted";
  std::wstring text = FromUtf8(BAD_CAST parser.lastError.message);
  while (!text.empty() && text.back() == L'\n') text.pop_back();
  return L"line " + std::to_wstring(parser.lastError.line) + L": " + text;
}

XmlPtr<xmlXPathObject> Evaluate(xmlDocPtr doc, const std::wstring& xpath, const XmlNode* context) {
  if (!doc) return nullptr;
  XmlPtr<xmlXPathContext> evaluation(xmlXPathNewContext(doc));
  if (!evaluation) throw std::bad_alloc();
  if (context && !context->IsNull()) evaluation->node = context->get();
  XmlPtr<xmlXPathObject> result(
      xmlXPathEvalExpression(Utf8(base::WideToUtf8(xpath)), evaluation.get()));
  if (!result || result->type != XPATH_NODESET || xmlXPathNodeSetIsEmpty(result->nodesetval))
    return nullptr;
  return result;
}

}  // namespace

int XmlDocument::Parse(const std::wstring& text) {
  FreeDoc();
  parse_error_.clear();
  xmlInitParser();
  const std::string utf8 = base::WideToUtf8(text);
  XmlPtr<xmlParserCtxt> parser(xmlNewParserCtxt());
  if (!parser) throw std::bad_alloc();
  parser->sax->entityDecl = &RefuseEntity;
  // libxml2's own depth and size limits stay (menus nest far less deep); the text
  // is UTF-8 whatever its declaration says (.NET hosts declare "utf-16" on the text
  // they hand over).
  const int options = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;
  if (utf8.size() <= INT_MAX)
    doc_.reset(xmlCtxtReadMemory(parser.get(), utf8.data(), static_cast<int>(utf8.size()), nullptr,
                                 "UTF-8", options));
  if (doc_) return 0;
  parse_error_ = utf8.size() <= INT_MAX ? ParserError(*parser) : L"the document is too large";
  SetStatus(1, fixed::kDocumentNotParsed);
  return 1;
}

XmlNode XmlDocument::SelectSingleNode(const std::wstring& xpath, const XmlNode* context) {
  XmlPtr<xmlXPathObject> result = Evaluate(doc_.get(), xpath, context);
  return XmlNode(result ? result->nodesetval->nodeTab[0] : nullptr);
}

XmlNodeList XmlDocument::SelectNodes(const std::wstring& xpath, const XmlNode* context) {
  return XmlNodeList(Evaluate(doc_.get(), xpath, context));
}

int XmlNodeList::Count() const { return result_ ? result_->nodesetval->nodeNr : 0; }

XmlNode XmlNodeList::Item(int index) const {
  if (index < 0 || index >= Count()) return XmlNode();
  return XmlNode(result_->nodesetval->nodeTab[index]);
}

std::wstring XmlNode::GetAttribute(const std::wstring& name) const {
  if (!node_ || node_->type != XML_ELEMENT_NODE) return L"";
  const std::string utf8 = base::WideToUtf8(name);
  for (xmlAttrPtr attribute = node_->properties; attribute; attribute = attribute->next) {
    if (xmlStrcmp(attribute->name, Utf8(utf8)) != 0) continue;
    XmlPtr<xmlChar> value(xmlGetProp(node_, Utf8(utf8)));
    return FromUtf8(value.get());
  }
  return L"";
}

std::wstring XmlNode::Name() const { return node_ ? FromUtf8(node_->name) : L""; }

XmlNode XmlNode::FirstChildElement() const {
  return XmlNode(node_ ? xmlFirstElementChild(node_) : nullptr);
}

XmlNode XmlNode::NextSiblingElement() const {
  return XmlNode(node_ ? xmlNextElementSibling(node_) : nullptr);
}

std::wstring XmlNode::ToXml() const {
  if (!node_) return L"";
  XmlPtr<xmlBuffer> buffer(xmlBufferCreate());
  if (!buffer) throw std::bad_alloc();
  xmlNodeDump(buffer.get(), node_->doc, node_, 0, 1);
  return FromUtf8(xmlBufferContent(buffer.get()));
}
