#include <ProMdl.h>
#include <algorithm>
#include <cwctype>
#include <string>
#include <unordered_set>
#include <vector>

#include "src/model_name.h"
#include "src/model_operation.h"
#include "src/res_string.h"
#include "src/toolkit_array.h"
#include "tavproe2/ProeAsynCommand.h"

namespace {

struct TypeCode {
  const wchar_t* text;
  int code;
};

const TypeCode kModelTypes[] = {{L"sec", 11},  {L"prt", 2},  {L"asm", 1},  {L"drw", 4},
                                {L"mfg", 37},  {L"lay", 19}, {L"frm", 33}, {L"rep", 105},
                                {L"mrk", 116}, {L"dgm", 121}};

bool EqualIgnoringCase(const std::wstring& a, const wchar_t* b) {
  std::size_t i = 0;
  for (; i < a.size() && b[i]; ++i)
    if (std::towlower(a[i]) != std::towlower(b[i])) return false;
  return i == a.size() && !b[i];
}

// The toolkit's model type code for a file type text ("prt" 2, "asm" 1, "drw" 4,
// ...), compared without regard to case; -2 for an empty or unknown text.
int ModelTypeFromExtension(const std::wstring& type_text) {
  for (const TypeCode& entry : kModelTypes) {
    if (EqualIgnoringCase(type_text, entry.text)) return entry.code;
  }
  return -2;
}

}  // namespace

namespace TAVCAX {
namespace TAVPROE2 {

int ProeAsynCommand::GetDependencies(std::wstring& dependencies) {
  return ModelOperation(m_nStatus, m_strStatus, TAV_CATCH_SITE, [&] {
    dependencies.clear();
    ProMdl current = nullptr;
    if (ProMdlCurrentGet(&current) != PRO_TK_NO_ERROR || !current) {
      SetStatus(-1, LoadResString(5211));
      return -1;
    }
    // The sets keep each look-up constant in time: trees of thousands of models.
    std::vector<ProMdl> work = {current};
    std::unordered_set<ProMdl> seen = {current};
    std::unordered_set<std::wstring> listed;
    for (std::size_t next = 0; next < work.size(); ++next) {
      ToolkitArray<ProModel> array;
      int count = 0;
      if (ProMdlDependenciesList(work[next], array.address(), &count) != PRO_TK_NO_ERROR) continue;
      for (int i = 0; i < count; ++i) {
        const ProModel& element = array[i];
        ProMdl model = nullptr;
        int code = ModelTypeFromExtension(element.type);
        if (ProMdlInit(const_cast<wchar_t*>(element.name), static_cast<ProMdlType>(code), &model) !=
            PRO_TK_NO_ERROR)
          continue;
        if (!seen.insert(model).second) continue;
        work.push_back(model);
        const std::wstring name = MdlFullName(model);
        if (!name.empty() && listed.insert(name).second)
          dependencies += (dependencies.empty() ? L"" : L"|") + name;
      }
    }
    return 0;
  });
}

}  // namespace TAVPROE2
}  // namespace TAVCAX
