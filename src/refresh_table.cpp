// ProeAsynCommand::RefreshTable: the host's entry to the export.
#include <ProMdl.h>

#include "src/ProMdlToDb.h"
#include "src/fixed_names.h"
#include "src/model_operation.h"
#include "src/res_string.h"
#include "src/tav_proecore.h"
#include "tavproe2/ProeAsynCommand.h"

namespace TAVCAX {
namespace TAVPROE2 {

int ProeAsynCommand::RefreshTable(const wchar_t* kindList, const wchar_t* dbPath) {
  return ModelOperation(m_nStatus, m_strStatus, TAV_CATCH_SITE, /*ask_session=*/false, [&] {
    ProMdlToDb exporter;
    ProMdl model = nullptr;
    // Without a model the database file is not even opened.
    if (ProMdlCurrentGet(&model) != PRO_TK_NO_ERROR || !model) {
      SetStatus(-1, LoadResString(5211));
      return -1;
    }
    // SQLite would take an empty name for a private temporary database: the rows
    // would go nowhere while the export reported success.
    if (!dbPath || !*dbPath) {
      SetStatus(-1, LoadResString(5214));
      return -1;
    }
    // The session's last calls come before the commit: a session that dies on
    // the way takes no rows with it.
    const auto finish = [](StatusRecord& status) {
      ProeCore::Instance()->Messages().Show(fixed::kShowRefreshed);
      return SessionStillAnswers(status.m_nStatus, status.m_strStatus);
    };
    if (exporter.ExportModel(kindList ? kindList : L"", dbPath, finish) != 0) {
      SetStatus(exporter.m_nStatus, exporter.m_strStatus);
      return -1;
    }
    return 0;
  });
}

}  // namespace TAVPROE2
}  // namespace TAVCAX
