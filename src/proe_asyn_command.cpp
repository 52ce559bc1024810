#include <ProCore.h>
#include <ProMdl.h>
#include <ProWindows.h>

#include "port/lock.h"
#include "src/fixed_names.h"
#include "src/guarded_frame.h"
#include "src/model_name.h"
#include "src/model_operation.h"
#include "src/proe_connect.h"
#include "src/proe_menu_manager.h"
#include "src/requested_model_file.h"
#include "src/res_string.h"
#include "src/seh_translator.h"
#include "src/string_util.h"
#include "src/tav_proecore.h"
#include "src/toolkit_error_name.h"
#include "tavproe2/ProeAsynCommand.h"

namespace TAVCAX {
namespace TAVPROE2 {
namespace {

constexpr int kOpenWindowTries = 6;

void Show(const std::wstring& text) { ProeCore::Instance()->Messages().Show(text); }

ProMdl CurrentModel() {
  ProMdl model = nullptr;
  if (ProMdlCurrentGet(&model) != PRO_TK_NO_ERROR) return nullptr;
  return model;
}

}  // namespace

ProeAsynCommand::ProeAsynCommand() : m_nStatus(0) {}
ProeAsynCommand::ProeAsynCommand(const ProeAsynCommand& other)
    : IProeAsynCommand(other), m_nStatus(other.m_nStatus), m_strStatus(other.m_strStatus) {}
ProeAsynCommand& ProeAsynCommand::operator=(const ProeAsynCommand& other) {
  m_nStatus = other.m_nStatus;
  m_strStatus = other.m_strStatus;
  return *this;
}
ProeAsynCommand::~ProeAsynCommand() { Release(); }

void ProeAsynCommand::SetStatus(int code, const std::wstring& message) {
  m_nStatus = code;
  m_strStatus = message;
}

int ProeAsynCommand::OpenFile(const wchar_t* filePath) {
  int result = ModelOperation(m_nStatus, m_strStatus, TAV_CATCH_SITE, [&] {
    const std::wstring path = filePath ? filePath : L"";
    Show(FormatString(fixed::kShowPrepareOpen, path.c_str()));
    // A path that does not fit the toolkit's buffer is refused, never cut: a cut
    // path could name another file.
    ProPath buffer = {};
    ProMdl model = nullptr;
    bool loaded = path.size() < PRO_PATH_SIZE;
    // The session hands back a model of the same name whatever file the path
    // names: open only the file asked for.
    RequestedFile requested = RequestedFile::kLoadable;
    std::wstring in_session;
    if (const ProError rc = CheckRequestedFile(path, &requested, &in_session)) {
      SetStatus(rc, ToolkitStatusText(rc));
      return -1;
    }
    if (requested == RequestedFile::kOtherInSession) {
      SetStatus(-1, LoadResString(5210) + L" " + in_session + L" is in session, not " + path);
      return -1;
    }
    loaded = loaded && requested == RequestedFile::kLoadable;
    if (loaded) {
      path.copy(buffer, path.size());
      loaded = ProMdlLoad(buffer, PRO_MDL_UNUSED, PRO_B_FALSE, &model) == PRO_TK_NO_ERROR;
    }
    if (!loaded || ProMdlDisplay(model) != PRO_TK_NO_ERROR) {
      SetStatus(-1, LoadResString(5210));
      return -1;
    }
    ProMdlLoad(buffer, PRO_MDL_UNUSED, PRO_B_FALSE, &model);
    int window = -1;
    ProMdlWindowGet(model, &window);
    if (window != -1) {
      ProWindowCurrentSet(window);
      ProWindowActivate(window);
    }
    Show(FormatString(fixed::kShowOpened, path.c_str()));
    return 0;
  });
  // The window wait runs after the lock is left; a failure in it fails the
  // operation like one inside.
  const bool waited = TAV_GUARDED_FRAME(m_nStatus, m_strStatus, {
    InstallSehTranslator();
    ProWindowCurrentActivateWaiting(kOpenWindowTries);
    if (result == 0) result = SessionStillAnswers(m_nStatus, m_strStatus);
  });
  return waited ? result : -1;
}

int ProeAsynCommand::CloseFile(const wchar_t* fileName) {
  return ModelOperation(m_nStatus, m_strStatus, TAV_CATCH_SITE, [&] {
    const std::wstring name = fileName ? fileName : L"";
    Show(fixed::kShowPrepareClose);
    ProMdl model = CurrentModel();
    std::wstring full_name = MdlFullName(model);
    Show(FormatString(L"prepare close file %ls.", name.c_str()));
    if (!model) {
      SetStatus(-1, LoadResString(5211));
      return -1;
    }
    if (ProMdlEraseAll(model) != PRO_TK_NO_ERROR) {
      SetStatus(-1, LoadResString(5212));
      return -1;
    }
    Show(FormatString(fixed::kShowClosed, full_name.c_str()));
    return 0;
  });
}

int ProeAsynCommand::SaveFile(std::wstring& savedPath) {
  return ModelOperation(m_nStatus, m_strStatus, TAV_CATCH_SITE, [&] {
    Show(fixed::kShowPrepareSave);
    savedPath.clear();
    ProMdl model = CurrentModel();
    if (!model) {
      SetStatus(-1, LoadResString(5211));
      return -1;
    }
    if (ProMdlSave(model) != PRO_TK_NO_ERROR) {
      SetStatus(-1, LoadResString(5213));
      return -1;
    }
    // Saved, but of no use to a host that is not told under which name.
    const ProError named = MdlFullName(model, savedPath);
    if (named != PRO_TK_NO_ERROR) {
      SetStatus(named, ToolkitStatusText(named));
      return -1;
    }
    Show(FormatString(fixed::kShowSaved, savedPath.c_str()));
    return 0;
  });
}

void ProeAsynCommand::GetCurrentMdlFullName(std::wstring& fullName) {
  // Returns nothing and keeps the status record of the last operation, unless it
  // fails itself; the name is then left as it was, as it is without a current model.
  TAV_GUARDED_FRAME(m_nStatus, m_strStatus, {
    InstallSehTranslator();
    ProMdl model = nullptr;
    ProError rc = ProMdlCurrentGet(&model);
    if (rc == PRO_TK_BAD_CONTEXT || (rc == PRO_TK_NO_ERROR && !model)) return;
    std::wstring name;
    if (rc == PRO_TK_NO_ERROR) rc = MdlFullName(model, name);
    if (rc != PRO_TK_NO_ERROR) {
      SetStatus(rc, ToolkitStatusText(rc));
      return;
    }
    fullName = name;
  });
}

bool ProeAsynCommand::ConnIsValid() { return ProEngineerStatusGet() == PRO_TK_NO_ERROR; }

void ProeAsynCommand::Disconnect() {
  // Disconnect returns nothing and also runs from the destructor, so no failure may
  // leave it. Each step is guarded on its own, so that a failing one still lets the
  // connection end and the menus reset; a failure stays in the status record and
  // goes to the log.
  const auto step = [this](CatchSite site, void (*body)()) {
    RunGuardedAndLog(fixed::kWhereDisconnect, m_nStatus, m_strStatus, site, [body] {
      InstallSehTranslator();
      body();
    });
  };
  step(TAV_CATCH_SITE, [] { ProeCore::Instance()->Messages().Show(fixed::kShowDisconnect); });
  step(TAV_CATCH_SITE, [] { ProeMenuManager::Instance()->RestoreDefaultCommand(); });
  step(TAV_CATCH_SITE, [] { ProeCore::Instance()->Disconnect(false); });
  step(TAV_CATCH_SITE, [] { ProeMenuManager::Instance()->Reset(); });
}

void ProeAsynCommand::Release() { static_cast<IProeAsynCommand*>(this)->Disconnect(); }

int ProeAsynCommand::CreateMenu(const wchar_t* menuXml) {
  // The construction keeps its own status record and frame; its record is handed
  // on, so a success says how many entries it left out. Both under the module
  // lock: once it is left, a pick's handler may use this object on the listen
  // thread.
  ProeMenuManager* manager = ProeMenuManager::Instance();
  port::Guard hold(ProeCore::Instance()->Lock());
  const int result = manager->CreateMenu(menuXml ? menuXml : L"");
  SetStatus(manager->m_nStatus, manager->m_strStatus);
  return result;
}

}  // namespace TAVPROE2
}  // namespace TAVCAX
