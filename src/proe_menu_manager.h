#pragma once
// The menu manager: one per process, created on first use and never deleted. It
// owns the state behind the host's menus on the CAD menu bar (the label files it
// wrote, whether the menus exist, the removal of the session's default command
// "TVProAction1" while they do) and the host link used to deliver menu picks.
//
// Threads: AttachHost, Reset and RestoreDefaultCommand run on the host's thread
// without the module-wide lock; Reset also runs from the termination callback on
// the listen thread, so the state Reset touches sits behind leaf mutexes (never
// held across a toolkit or host call) and the created flag is atomic.
#include <ProToolkit.h>
#include <ProUICmd.h>
#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "src/status_record.h"
#include "tavproe2/com.h"

class ProeMenuManager : public StatusRecord {
 public:
  static ProeMenuManager* Instance();

  ProeMenuManager(const ProeMenuManager&) = delete;
  ProeMenuManager& operator=(const ProeMenuManager&) = delete;

  // Queries the host event interface from `host` into the menu host pointer; a
  // null host leaves the pointer as it was.
  static void AttachHost(IDispatch* host);
  // The menu host pointer with a reference added for the caller, or null.
  static ITavCaxEvents* AcquireHost();
  static std::wstring HandleText();
  static void SetHandleText(const std::wstring& text);

  // Ends a menu set: forgets the handle text and the host pointer, clears the
  // created flag and deletes the label files written so far (the list is kept).
  void Reset();
  // Removes "TVProAction1" from the menu bar while the module's menus exist.
  void HideDefaultCommand();
  // Gives "TVProAction1" back and refreshes the window.
  void RestoreDefaultCommand();
  // Redisplays the current window so the menu bar shows the latest state.
  void RefreshWindow();

  bool Created() const { return created_.load(); }
  void SetCreated(bool created) { created_.store(created); }
  // Records a label file (name without directory) so that Reset deletes it.
  void AddLabelFile(const std::wstring& name);
  int NextLabelFileNumber();

 private:
  ProeMenuManager() = default;

  uiCmdCmdId default_command_id_ = nullptr;
  uiCmdAccessId access_id_ = nullptr;
  std::mutex files_mutex_;
  std::vector<std::wstring> label_files_;  // guarded by files_mutex_
  int label_file_counter_ = 0;             // guarded by files_mutex_
  std::atomic<bool> created_{false};
};
