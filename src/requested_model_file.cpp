#include "src/requested_model_file.h"

#include <ProMdl.h>
#include <cwctype>
#include <filesystem>

#include "base/utf.h"
#include "port/files.h"
#include "src/model_name.h"

namespace {

ProMdlType TypeOfExtension(std::wstring extension) {
  for (wchar_t& c : extension) c = static_cast<wchar_t>(std::towlower(c));
  if (extension == L"prt") return PRO_MDL_PART;
  if (extension == L"asm") return PRO_MDL_ASSEMBLY;
  if (extension == L"drw") return PRO_MDL_DRAWING;
  return PRO_MDL_UNUSED;
}

// A directory as a comparable text: absolute (against the host's current
// directory, where the session resolves it too when both share one), without
// "." and ".." steps, with a trailing '/'.
std::wstring Normal(const std::wstring& dir) {
  std::filesystem::path path(dir);
  if (path.is_relative())
    path = std::filesystem::path(base::Utf8ToWide(port::GetCurrentDirectory())) / path;
  std::wstring text = path.lexically_normal().wstring();
  if (text.empty() || text.back() != L'/') text += L'/';
  return text;
}

}  // namespace

ProError CheckRequestedFile(const std::wstring& path, RequestedFile* answer,
                            std::wstring* in_session) {
  *answer = RequestedFile::kLoadable;
  // <dir/>NAME.TYPE<.VERSION>; a name the session would search for is left to it.
  const std::size_t slash = path.find_last_of(L"/\\");
  const std::wstring dir = slash == std::wstring::npos ? L"" : path.substr(0, slash + 1);
  const std::wstring file = path.substr(dir.size());
  const std::size_t dot = file.find(L'.');
  if (dot == std::wstring::npos || dot == 0 || dot >= PRO_NAME_SIZE) return PRO_TK_NO_ERROR;
  const std::size_t second = file.find(L'.', dot + 1);
  const ProMdlType type = TypeOfExtension(file.substr(dot + 1, second - dot - 1));
  if (type == PRO_MDL_UNUSED) return PRO_TK_NO_ERROR;
  int version = 0;
  if (second != std::wstring::npos) {
    const std::wstring digits = file.substr(second + 1);
    if (digits.empty() || digits.find_first_not_of(L"0123456789") != std::wstring::npos ||
        digits.size() > 9)
      return PRO_TK_NO_ERROR;
    version = std::stoi(digits);
  }
  ProName name = {};
  file.copy(name, dot);
  ProMdl model = nullptr;
  // Not in session (or the session cannot say): the load reads the file asked for.
  if (ProMdlInit(name, type, &model) != PRO_TK_NO_ERROR || !model) return PRO_TK_NO_ERROR;
  ProMdldata data = {};
  if (const ProError rc = ProMdlDataGet(model, &data)) return rc;
  *in_session = MdlFullName(model);
  if (!dir.empty()) {
    // A versioned path names one file; an unversioned one the highest version in
    // its directory, which must exist.
    if (!port::FileExists(version ? path : dir)) {
      *answer = RequestedFile::kMissing;
      return PRO_TK_NO_ERROR;
    }
    if (Normal(dir) != Normal(data.path)) *answer = RequestedFile::kOtherInSession;
  }
  if (version && version != data.version) *answer = RequestedFile::kOtherInSession;
  return PRO_TK_NO_ERROR;
}
