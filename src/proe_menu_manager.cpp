#include "src/proe_menu_manager.h"

#include <ProMdl.h>
#include <ProWindows.h>

#include "port/files.h"
#include "src/fixed_names.h"
#include "src/log.h"
#include "src/string_util.h"
#include "src/system_util.h"
#include "src/tav_proecore.h"

namespace {

uiCmdAccessState RemoveDefaultCommand(uiCmdAccessMode) { return ACCESS_REMOVE; }

}  // namespace

ProeMenuManager* ProeMenuManager::Instance() {
  static ProeMenuManager* instance = new ProeMenuManager();
  return instance;
}

void ProeMenuManager::Reset() {
  ProeCore::Instance()->Host().ClosePicks();
  access_id_.store(nullptr);
  created_.store(false);
  DeleteLabelFiles();
}

void ProeMenuManager::DeleteLabelFiles() {
  std::lock_guard<std::mutex> hold(files_mutex_);
  for (const std::wstring& name : label_files_) {
    std::wstring path = TempPath() + name;
    port::DeleteFile(path);
    WriteLog(path);
  }
}

void ProeMenuManager::AddLabelFile(const std::wstring& name) {
  std::lock_guard<std::mutex> hold(files_mutex_);
  label_files_.push_back(name);
}

int ProeMenuManager::NextLabelFileNumber() {
  std::lock_guard<std::mutex> hold(files_mutex_);
  return ++label_file_counter_;
}

ProError ProeMenuManager::HideDefaultCommand() {
  ProError rc = PRO_TK_NO_ERROR;
  if (!access_id_.load()) {
    uiCmdCmdId command = nullptr;
    if (ProCmdCmdIdFind(const_cast<char*>(fixed::kDefaultCommand), &command) != PRO_TK_NO_ERROR)
      command = nullptr;
    default_command_id_.store(command);
    uiCmdAccessId access = nullptr;
    if (command) rc = ProCmdAccessFuncAdd(command, &RemoveDefaultCommand, &access);
    if (command && rc == PRO_TK_NO_ERROR) access_id_.store(access);
  }
  RefreshWindow();
  return rc;
}

void ProeMenuManager::RestoreDefaultCommand() {
  if (uiCmdAccessId access = access_id_.exchange(nullptr))
    ProCmdAccessFuncRemove(default_command_id_.load(), access);
  RefreshWindow();
}

void ProeMenuManager::RefreshWindow() {
  int window = 0;
  if (ProWindowCurrentGet(&window) != PRO_TK_NO_ERROR) return;
  ProMdl model = nullptr;
  if (ProWindowMdlGet(window, &model) != PRO_TK_NO_ERROR) model = nullptr;
  if (!model) {
    ProMdlDisplay(nullptr);
    ProWindowCurrentClose();
  }
  ProWindowActivate(window);
}
