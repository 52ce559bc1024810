// The answer to a pick of one of the host's buttons: the picked entry, found again
// in the kept menu document, goes to the host's FireClickMenu.
#include <ProMdl.h>
#include <ProWindows.h>

#include "port/message_box.h"
#include "src/com_owners.h"
#include "src/fixed_names.h"
#include "src/guarded_frame.h"
#include "src/model_name.h"
#include "src/proe_menu_manager.h"
#include "src/res_string.h"
#include "src/seh_translator.h"
#include "src/string_util.h"
#include "src/tav_proecore.h"

int ProeMenuManager::OnMenuAction(uiCmdCmdId command, uiCmdValue*, void*) {
  // Runs inside the toolkit's event processing, where nothing may escape; a
  // failure goes to the log, away from the host thread's status records.
  int code = 0;
  std::wstring message;
  RunGuardedAndLog(fixed::kWhereMenuPick, code, message, TAV_CATCH_SITE, [command] {
    InstallSehTranslator();
    Instance()->AnswerPick(command);
  });
  return 0;
}

void ProeMenuManager::AnswerPick(uiCmdCmdId command) {
  if (!menu_document_.HasDocument()) return;
  ProeCore* core = ProeCore::Instance();
  ITavCaxEvents* host = core->Host().AcquireForPicks();
  if (!host) return;
  ComReleaser release(host);
  auto entry = entry_ids_.find(command);
  if (entry != entry_ids_.end()) {
    const XmlNode node = menu_document_.SelectSingleNode(L"//mnu[normalize-space(@id)='" +
                                                         IntToWString(entry->second) + L"']");
    if (node.IsNull()) {
      port::InformationBox(LoadResString(5220));
      return;
    }
    ProMdl model = nullptr;
    if (ProMdlCurrentGet(&model) != PRO_TK_NO_ERROR) model = nullptr;
    // The lock is left while the host runs, and the host may build menus anew
    // meanwhile: nothing of the document is used after this call.
    NotifyMenuPick(host, core->Link().HandleText(), MdlFullName(model), node.ToXml());
  }
  int window = 0;
  if (ProWindowCurrentGet(&window) == PRO_TK_NO_ERROR) ProWindowActivate(window);
}
