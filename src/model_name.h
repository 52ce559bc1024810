#pragma once
// Model naming: the full file name by which the host knows a model of the session.
// Free functions without state, safe on any thread that may call the toolkit.
#include <ProToolkit.h>
#include <string>

// The model's full file name from its model data: "[device:]path" + name + "." +
// type [+ "." + version], name and type in lower case as the files are on disk. The
// version is left out when it is 1 and no file of the versioned name exists. Empty
// for a null model or model data that cannot be read.
std::wstring MdlFullName(ProMdl model);
// The same for callers that must tell a failure from a name: the code of the model
// data query (PRO_TK_BAD_INPUTS for a null model); `name` is set only on success.
ProError MdlFullName(ProMdl model, std::wstring& name);
