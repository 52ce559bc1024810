#include "src/model_name.h"

#include <ProMdl.h>

#include "base/text_case.h"
#include "port/files.h"
#include "src/string_util.h"

std::wstring MdlFullName(ProMdl model) {
  std::wstring name;
  MdlFullName(model, name);
  return name;
}

ProError MdlFullName(ProMdl model, std::wstring& name) {
  ProMdldata data;
  if (!model) return PRO_TK_BAD_INPUTS;
  const ProError rc = ProMdlDataGet(model, &data);
  if (rc != PRO_TK_NO_ERROR) return rc;
  std::wstring device(data.device);
  std::wstring base = device.empty() ? L"" : device + L":";
  base +=
      std::wstring(data.path) + base::ToLowerCase(data.name) + L"." + base::ToLowerCase(data.type);
  std::wstring versioned = base + L"." + IntToWString(data.version);
  name = data.version == 1 && !port::FileExists(versioned) ? base : versioned;
  return PRO_TK_NO_ERROR;
}
