#include "src/menu_document_check.h"

#include <algorithm>

namespace {

bool IsEntry(const xmlNode* node) {
  return node->type == XML_ELEMENT_NODE && !node->ns && xmlStrEqual(node->name, BAD_CAST "mnu");
}

// How deep `mnu` elements nest below `root`, walked without recursion; the walk
// follows `mnu` children only, as the construction does, and stops past `limit`.
int EntryDepth(xmlNode* root, int limit) {
  int depth = 0, deepest = 0;
  xmlNode* node = root->children;
  while (node && deepest <= limit) {
    const bool entry = IsEntry(node);
    if (entry) deepest = std::max(deepest, depth + 1);
    if (entry && node->children) {
      ++depth;
      node = node->children;
      continue;
    }
    while (!node->next) {
      node = node->parent;
      if (node == root) return deepest;
      --depth;  // left an entry the walk had entered
    }
    node = node->next;
  }
  return deepest;
}

}  // namespace

std::wstring MenuDocumentFault(XmlDocument& document) {
  const XmlNode root = document.SelectSingleNode(L"/*");
  if (root.IsNull() || root.get()->ns || root.Name() != L"mnus")
    return L"Menu document refused: its root element must be mnus, without a namespace. \n";
  if (document.SelectNodes(L"//mnu").Count() > kMaxMenuEntries)
    return L"Menu document refused: more than " + std::to_wstring(kMaxMenuEntries) +
           L" entries. \n";
  if (EntryDepth(root.get(), kMaxMenuDepth) > kMaxMenuDepth)
    return L"Menu document refused: entries nested deeper than " + std::to_wstring(kMaxMenuDepth) +
           L" levels. \n";
  return L"";
}
