#pragma once
// The menu manager: one per process, created on first use and never deleted. It
// owns the state behind the host's menus on the CAD menu bar (the label files it
// wrote, whether the menus exist, the removal of the session's default command
// "TVProAction1" while they do). Picks reach the host through ProeCore's host
// delivery, which Reset closes to picks.
//
// Threads: Reset and RestoreDefaultCommand run on the host's thread
// without the module-wide lock; Reset also runs from the termination callback on
// the listen thread, so the state Reset touches sits behind leaf mutexes (never
// held across a toolkit or host call) and the flags and ids it clears are atomic.
// CreateMenu runs on the host's thread and OnMenuAction on the listen thread, both
// under the module-wide lock, which alone guards the menu document and the map
// from commands to entries.
#include <ProObjects.h>
#include <ProToolkit.h>
#include <ProUICmd.h>
#include <atomic>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "src/status_record.h"
#include "src/xml_document.h"

class LogBatch;

class ProeMenuManager : public StatusRecord {
 public:
  static ProeMenuManager* Instance();

  ProeMenuManager(const ProeMenuManager&) = delete;
  ProeMenuManager& operator=(const ProeMenuManager&) = delete;

  // Builds the host's menu, described by the XML document `xml`, on the session's
  // menu bar before "Windows", and hides "TVProAction1" while it exists (best
  // effort: a failure there is logged). An entry the session refuses is logged and
  // left out (a submenu with its entries) and the rest is built; an action name
  // already taken (an earlier attempt, another connection) is looked up and mapped
  // to this document's entry. 0 when the top menu stands, with the status message
  // counting the entries left out ("" when none), and at once while the menus
  // exist (until Reset); -1 when the document is refused or the top menu, the
  // label file or the session fails, with the status record set.
  int CreateMenu(const std::wstring& xml);
  // The command action of every button: hands the picked entry to the host's
  // FireClickMenu. Runs on the listen thread inside event processing.
  static int OnMenuAction(uiCmdCmdId command, uiCmdValue* value, void* data);

  // Ends a menu set: closes host delivery to picks, forgets the access function
  // (it lived with the connection), clears the created flag and deletes
  // the label files written so far (the list is kept).
  void Reset();
  // Removes "TVProAction1" from the menu bar while the module's menus exist; once
  // only: while its access function is attached, nothing is added. A session
  // without that command has nothing to hide; the code is that of attaching the
  // access function.
  ProError HideDefaultCommand();
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
  using CaptionKeys = std::map<std::wstring, std::string>;  // caption -> label key
  // Button names used by a construction, per menu: a caption repeated under one
  // menu gives its second button a name in use; a name in use otherwise is the
  // button an earlier attempt added.
  using ButtonNames = std::set<std::pair<std::string, std::string>>;  // (menu, key)

  ProeMenuManager() = default;
  int BuildMenus(const std::wstring& xml, std::wstring& left_out_text);
  // Writes the label file of the parsed document and fills `keys`; false with the
  // status record set when it cannot be written.
  bool BuildLabelFile(CaptionKeys& keys, std::wstring& file_name);
  // Adds the document's entries below the top menu, each refused one logged and
  // left out, and counts those in `left_out`. PRO_TK_NO_ERROR, or
  // PRO_TK_COMM_ERROR when the session stopped answering on the way.
  ProError AddEntries(const CaptionKeys& keys, const XmlNode& root, ProFileName file,
                      int& left_out);
  // Adds the button of entry `id` under `parent`; a refused one is logged and
  // counted in `left_out`. PRO_TK_NO_ERROR, or the code when the session is gone.
  ProError AddButton(const XmlNode& node, int id, std::string parent, std::string key,
                     ProFileName file, ButtonNames& buttons, LogBatch& log, int& left_out);
  // The command of `action` for entry `id`: added, or when its name is taken, the
  // existing one (a retry, or a menu built over another connection). Null when
  // the session refuses both; `rc` then says why.
  uiCmdCmdId EntryCommand(const std::string& action, ProError& rc);
  void DeleteLabelFiles();
  void AnswerPick(uiCmdCmdId command);

  std::atomic<uiCmdCmdId> default_command_id_{nullptr};
  std::atomic<uiCmdAccessId> access_id_{nullptr};
  XmlDocument menu_document_;              // guarded by the module-wide lock
  std::map<uiCmdCmdId, int> entry_ids_;    // command -> entry id; the same lock
  std::map<uiCmdCmdId, int> earlier_ids_;  // the map of the construction before; same lock
  int taken_over_ = 0;                     // actions of another connection mapped anew
  std::mutex files_mutex_;
  std::vector<std::wstring> label_files_;  // guarded by files_mutex_
  int label_file_counter_ = 0;             // guarded by files_mutex_
  std::atomic<bool> created_{false};
};
