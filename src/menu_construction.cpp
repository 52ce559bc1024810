// Building the host's menus from its menu document: the label file that gives the
// session the captions, then the top menu, submenus and buttons.
#include <ProMenuBar.h>
#include <climits>
#include <cwchar>
#include <set>
#include <utility>
#include <vector>

#include "port/clock.h"
#include "port/files.h"
#include "port/last_error.h"
#include "src/fixed_names.h"
#include "src/log.h"
#include "src/menu_document_check.h"
#include "src/model_operation.h"
#include "src/proe_menu_manager.h"
#include "src/string_util.h"
#include "src/system_util.h"
#include "src/tav_proecore.h"
#include "src/toolkit_error_name.h"

namespace {

constexpr int kSubmenu = -2;
constexpr int kUnlabelled = -1;
constexpr uiCmdPriority kButtonPriority = 12;

// An entry's id, read leniently as hosts write it: leading blanks, a sign, the
// leading digits; no digits give 0, a value beyond int the nearest int.
int EntryId(const XmlNode& entry) {
  const std::wstring text = entry.GetAttribute(L"id");
  const long long value = std::wcstoll(text.c_str(), nullptr, 10);
  return static_cast<int>(value < INT_MIN ? INT_MIN : value > INT_MAX ? INT_MAX : value);
}

// One entry of a message file: key, text, and the two lines the session reserves.
// A line break in a caption would end its entry early and shift every later label,
// so it becomes a blank.
void AppendLabel(std::string& file, const std::string& key, std::wstring caption) {
  for (wchar_t& c : caption)
    if (c == L'\r' || c == L'\n') c = L' ';
  file += key + "\r\n" + WideToMultiByte(caption) + "\r\n#\r\n#\r\n";
}

// A refusal of one entry is logged and the construction goes on; only a session
// that stopped answering ends it.
bool SessionGone(int rc) { return rc == PRO_TK_COMM_ERROR; }

// The entries a refused submenu takes with it: itself and every button or submenu
// below it that the walk would have built; `submenus` counts the submenus among
// them, so that later submenus keep their numbers. Without recursion.
int EntriesIn(const XmlNode& menu, int& submenus) {
  int count = 1;
  submenus = 1;
  std::vector<XmlNode> open{menu.FirstChildElement()};
  while (!open.empty()) {
    XmlNode node = open.back();
    open.pop_back();
    for (; !node.IsNull(); node = node.NextSiblingElement()) {
      if (node.Name() != L"mnu") continue;
      const int id = EntryId(node);
      if (id >= 0 || id == kSubmenu) ++count;
      if (id == kSubmenu) {
        ++submenus;
        open.push_back(node.FirstChildElement());
      }
    }
  }
  return count;
}

void LogLeftOut(LogBatch& log, const XmlNode& entry, int id, const char* call, int rc) {
  log.Add(FormatString(fixed::kLogEntryLeftOut, id, entry.GetAttribute(L"caption").c_str(), call,
                       ToolkitErrorName(rc).c_str(), rc));
}

std::string KeyOf(const std::map<std::wstring, std::string>& keys, const XmlNode& entry) {
  auto it = keys.find(entry.GetAttribute(L"caption"));
  return it == keys.end() ? std::string() : it->second;
}

}  // namespace

int ProeMenuManager::CreateMenu(const std::wstring& xml) {
  if (Created()) {
    SetStatus(0, L"");
    return 0;
  }
  // Menu construction shares the model operations' frame: the lock held
  // throughout, and every failure turned into the status record.
  std::wstring left_out;
  const int result = ModelOperation(m_nStatus, m_strStatus, TAV_CATCH_SITE,
                                    [&] { return BuildMenus(xml, left_out); });
  if (result == 0) {
    if (!left_out.empty()) SetStatus(0, left_out);
    return 0;
  }
  // A failed construction keeps no label file and gives "TVProAction1" back.
  SetCreated(false);
  DeleteLabelFiles();
  int code = 0;
  std::wstring message;
  port::Guard hold(ProeCore::Instance()->Lock());
  RunGuardedAndLog(fixed::kWhereMenuBuild, code, message, TAV_CATCH_SITE, [this] {
    InstallSehTranslator();
    RestoreDefaultCommand();
  });
  return -1;
}

int ProeMenuManager::BuildMenus(const std::wstring& xml, std::wstring& left_out_text) {
  ProeCore::Instance()->Messages().Show(fixed::kShowPrepareMenu);
  CaptionKeys keys;
  menu_document_.FreeDoc();
  // Commands mapped by the construction before are this process's own: finding one
  // of them again is a retry, finding another is taking a menu over.
  if (!entry_ids_.empty()) earlier_ids_.swap(entry_ids_);
  entry_ids_.clear();
  taken_over_ = 0;
  const auto failed = [this](ProError rc) {
    SetStatus(rc, ToolkitStatusText(rc));
    return -1;
  };
  // The whole document is checked before anything is added to the session.
  if (menu_document_.Parse(xml) != 0) {
    SetStatus(menu_document_.m_nStatus, menu_document_.m_strStatus);
    WriteLog(fixed::kLogMenuDocument + menu_document_.ParseError());
    return -1;
  }
  const std::wstring fault = MenuDocumentFault(menu_document_);
  if (!fault.empty()) {
    menu_document_.FreeDoc();
    SetStatus(1, fault);
    WriteLog(fault);
    return -1;
  }
  std::wstring name;
  if (!BuildLabelFile(keys, name)) return -1;
  ProFileName file = {};
  name.copy(file, PRO_FILE_NAME_SIZE - 1);

  const XmlNode root = menu_document_.SelectSingleNode(L"/mnus");
  std::string top = fixed::kTopMenu;
  std::string label = KeyOf(keys, root);
  std::string windows = fixed::kMenuAfterTop;
  // A top menu kept from an earlier attempt or connection is built on.
  const ProError rc =
      ProMenubarMenuAdd(top.data(), label.data(), windows.data(), PRO_B_FALSE, file);
  if (rc != PRO_TK_NO_ERROR && rc != PRO_TK_E_FOUND) return failed(rc);
  if (const ProError hidden = HideDefaultCommand())
    WriteLog(FormatString(fixed::kLogNotHidden, fixed::kDefaultCommand,
                          ToolkitErrorName(hidden).c_str()));
  int left_out = 0;
  if (const ProError gone = AddEntries(keys, root, file, left_out)) return failed(gone);
  if (taken_over_ > 0) WriteLog(FormatString(fixed::kLogTakenOver, taken_over_));

  port::Sleep(1000);
  SetCreated(true);
  if (left_out > 0)
    left_out_text = FormatString(L"%d menu entries left out; the log names them.", left_out);
  return 0;
}

bool ProeMenuManager::BuildLabelFile(CaptionKeys& keys, std::wstring& file_name) {
  const std::wstring dir = TempPath();
  if (!port::FileExists(dir) && !port::CreateDirectory(dir)) {
    SetStatus(port::LastError(), port::LastErrorText());
    return false;
  }
  file_name =
      fixed::kLabelFilePrefix + IntToWString(NextLabelFileNumber()) + fixed::kLabelFileSuffix;

  std::string text;
  const std::wstring title = menu_document_.SelectSingleNode(L"/mnus").GetAttribute(L"caption");
  keys[title] = fixed::kLabelKeyPrefix + std::string("0");
  AppendLabel(text, keys[title], title);
  const XmlNodeList entries = menu_document_.SelectNodes(L"//mnu");
  for (int i = 0, n = 0; i < entries.Count(); ++i) {
    const XmlNode entry = entries.Item(i);
    if (EntryId(entry) == kUnlabelled) continue;
    const std::wstring caption = entry.GetAttribute(L"caption");
    keys[caption] =
        fixed::kLabelKeyPrefix + std::to_string(++n);  // a repeated caption: the last key
    AppendLabel(text, keys[caption], caption);
  }

  if (const int error =
          port::WriteFile(WideToMultiByte(dir + file_name), text, port::WriteMode::kTruncate)) {
    SetStatus(error, port::ErrorText(error));
    return false;
  }
  AddLabelFile(file_name);
  return true;
}

uiCmdCmdId ProeMenuManager::EntryCommand(const std::string& action, ProError& rc) {
  std::string name = action;
  uiCmdCmdId command = nullptr;
  rc = ProCmdActionAdd(name.data(), &OnMenuAction, kButtonPriority, nullptr, PRO_B_TRUE, PRO_B_TRUE,
                       &command);
  if (rc != PRO_TK_E_FOUND) return rc == PRO_TK_NO_ERROR ? command : nullptr;
  // The name is taken: by this process's earlier attempt, or by another
  // connection's menu. Either way its buttons answer this document now.
  const ProError found = ProCmdCmdIdFind(name.data(), &command);
  if (found != PRO_TK_NO_ERROR) return nullptr;  // rc stays PRO_TK_E_FOUND
  if (!earlier_ids_.count(command) && !entry_ids_.count(command)) ++taken_over_;
  rc = PRO_TK_NO_ERROR;
  return command;
}

ProError ProeMenuManager::AddButton(const XmlNode& node, int id, std::string parent,
                                    std::string key, ProFileName file, ButtonNames& buttons,
                                    LogBatch& log, int& left_out) {
  ProError rc = PRO_TK_NO_ERROR;
  const uiCmdCmdId command = EntryCommand(
      fixed::kButtonActionPrefix + std::to_string(id) + fixed::kButtonActionSuffix, rc);
  const char* call = "ProCmdActionAdd";
  if (command) {
    call = "ProMenubarmenuPushbuttonAdd";
    rc = ProMenubarmenuPushbuttonAdd(parent.data(), key.data(), key.data(), key.data(), nullptr,
                                     PRO_B_TRUE, command, file);
    if (rc == PRO_TK_E_FOUND && buttons.insert({parent, key}).second) rc = PRO_TK_NO_ERROR;
    // Mapped even when its button was refused: a button of the same command
    // (an earlier attempt's) may show elsewhere.
    entry_ids_[command] = id;
  }
  log.Add(FormatString(fixed::kLogMenuAdded, MultiByteToWide(key).c_str(), rc));
  if (SessionGone(rc)) return rc;
  if (rc != PRO_TK_NO_ERROR) {
    LogLeftOut(log, node, id, call, rc);
    ++left_out;
  } else {
    buttons.insert({parent, key});
    ProeCore::Instance()->Messages().Show(
        FormatString(fixed::kShowAddedMenu, MultiByteToWide(key).c_str()));
  }
  return PRO_TK_NO_ERROR;
}

ProError ProeMenuManager::AddEntries(const CaptionKeys& keys, const XmlNode& root, ProFileName file,
                                     int& left_out) {
  struct Open {  // a submenu being filled, and the menu and entry to go on with after it
    std::string parent;
    XmlNode entry;
  };
  std::vector<Open> stack;
  ButtonNames buttons;
  LogBatch log;
  std::string parent = fixed::kTopMenu;
  int submenus = 1;
  XmlNode node = root.FirstChildElement();
  for (;;) {
    if (node.IsNull()) {
      if (stack.empty()) return PRO_TK_NO_ERROR;
      parent = std::move(stack.back().parent);
      node = stack.back().entry.NextSiblingElement();
      stack.pop_back();
      continue;
    }
    if (node.Name() != L"mnu") {
      node = node.NextSiblingElement();
      continue;
    }
    const int id = EntryId(node);
    std::string key = KeyOf(keys, node);
    if (id >= 0) {
      if (const ProError gone = AddButton(node, id, parent, key, file, buttons, log, left_out))
        return gone;
      node = node.NextSiblingElement();
    } else if (id == kSubmenu) {
      std::string name =
          WideToMultiByte(FormatString(fixed::kSubmenuFormat, fixed::kSubmenuPrefix, ++submenus));
      const ProError rc =
          ProMenubarmenuMenuAdd(parent.data(), name.data(), key.data(), nullptr, PRO_B_TRUE, file);
      if (SessionGone(rc)) return rc;
      if (rc != PRO_TK_NO_ERROR && rc != PRO_TK_E_FOUND) {
        LogLeftOut(log, node, id, "ProMenubarmenuMenuAdd", rc);
        int inside = 0;
        left_out += EntriesIn(node, inside);
        submenus += inside - 1;
        node = node.NextSiblingElement();
        continue;
      }
      stack.push_back({parent, node});
      parent = std::move(name);
      node = node.FirstChildElement();
    } else {
      node = node.NextSiblingElement();
    }
  }
}
