// ProeAsynCommand::UpdateTable: the host's entry to the import.
#include "port/files.h"
#include "src/ProDbToMdl.h"
#include "src/fixed_names.h"
#include "src/model_operation.h"
#include "src/res_string.h"
#include "src/tav_proecore.h"
#include "tavproe2/ProeAsynCommand.h"

namespace TAVCAX {
namespace TAVPROE2 {

int ProeAsynCommand::UpdateTable(const wchar_t* kindList, const wchar_t* dbPath) {
  return ModelOperation(m_nStatus, m_strStatus, TAV_CATCH_SITE, [&] {
    // A path that names nothing is refused before SQLite could create a file there.
    if (!port::FileExists(std::wstring(dbPath ? dbPath : L""))) {
      SetStatus(-1, LoadResString(5214));
      return -1;
    }
    ProDbToMdl importer;
    if (importer.UpdateModel(dbPath, kindList) != 0) {
      SetStatus(importer.m_nStatus, importer.m_strStatus);
      return -1;
    }
    ProeCore::Instance()->Messages().Show(fixed::kShowRefreshed);
    return 0;
  });
}

}  // namespace TAVPROE2
}  // namespace TAVCAX
