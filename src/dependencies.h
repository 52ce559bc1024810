#pragma once
// Helpers of the dependency listing.
#include <string>

// The toolkit's model type code for a file type text ("prt" 2, "asm" 1, "drw" 4,
// ...), compared without regard to case; -2 for an empty or unknown text.
int ModelTypeFromExtension(const std::wstring& type_text);

// Appends `item` to the `separator`-joined `list`. An empty item is ignored; with
// duplicates not allowed, an item already in the list (exact text) is not added.
void AppendUnique(const std::wstring& item, std::wstring& list, const std::wstring& separator,
                  bool allow_duplicates);
