// Building the host's menus from its menu document: the label file that gives the
// session the captions, then the top menu, submenus and buttons.
#include <ProMenuBar.h>
#include <climits>
#include <cwchar>
#include <vector>

#include "port/clock.h"
#include "port/files.h"
#include "port/last_error.h"
#include "src/log.h"
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

// An entry's id as _wtoi reads it: leading blanks, a sign, the leading digits;
// no digits give 0, a value beyond int the nearest int.
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

std::string KeyOf(const std::map<std::wstring, std::string>& keys, const XmlNode& entry) {
  auto it = keys.find(entry.GetAttribute(L"caption"));
  return it == keys.end() ? std::string() : it->second;
}

}  // namespace

int ProeMenuManager::CreateMenu(const std::wstring& xml) {
  if (Created()) return 0;
  // Menu construction shares the model operations' frame: the lock held
  // throughout, and every failure turned into the status record.
  const int result =
      ModelOperation(m_nStatus, m_strStatus, TAV_CATCH_SITE, [&] { return BuildMenus(xml); });
  if (result == 0) return 0;
  // A failed construction leaves the menu bar as it found it, and no label file.
  SetCreated(false);
  DeleteLabelFiles();
  int code = 0;
  std::wstring message;
  port::Guard hold(ProeCore::Instance()->Lock());
  RunGuardedAndLog(L"ProeMenuManager::CreateMenu", code, message, TAV_CATCH_SITE, [this] {
    InstallSehTranslator();
    RestoreDefaultCommand();
  });
  return -1;
}

int ProeMenuManager::BuildMenus(const std::wstring& xml) {
  ProeCore::Instance()->ShowMessage(L"prepare create menu");
  CaptionKeys keys;
  menu_document_.FreeDoc();
  entry_ids_.clear();
  // Menus that the session refused are not there: the construction failed.
  const auto refused = [this](ProError rc) {
    SetStatus(rc, L"():" + ToolkitErrorName(rc));
    return -1;
  };
  if (const ProError hidden = HideDefaultCommand()) return refused(hidden);
  if (menu_document_.Parse(xml) != 0) {
    SetStatus(menu_document_.m_nStatus, menu_document_.m_strStatus);
    WriteLog(L"menu document: " + menu_document_.ParseError());
    return -1;
  }
  std::wstring name;
  if (!BuildLabelFile(keys, name)) return -1;
  ProFileName file = {};
  name.copy(file, PRO_FILE_NAME_SIZE - 1);

  const XmlNode root = menu_document_.SelectSingleNode(L"/mnus");
  std::string top = "MorvelMenu1";
  std::string label = KeyOf(keys, root);
  std::string windows = "Windows";
  ProError rc = ProMenubarMenuAdd(top.data(), label.data(), windows.data(), PRO_B_FALSE, file);
  if (rc == PRO_TK_NO_ERROR || rc == PRO_TK_E_FOUND) rc = AddEntries(keys, root, file);
  if (rc != PRO_TK_NO_ERROR) return refused(rc);

  port::Sleep(1000);
  SetCreated(true);
  return 0;
}

bool ProeMenuManager::BuildLabelFile(CaptionKeys& keys, std::wstring& file_name) {
  const std::wstring dir = TempPath();
  if (!port::FileExists(dir) && !port::CreateDirectory(dir)) {
    SetStatus(port::LastError(), port::LastErrorText());
    return false;
  }
  file_name = L"TxMsgFile" + IntToWString(NextLabelFileNumber()) + L"_2.txt";

  std::string text;
  const std::wstring title = menu_document_.SelectSingleNode(L"/mnus").GetAttribute(L"caption");
  keys[title] = "MorvelCap_0";
  AppendLabel(text, keys[title], title);
  const XmlNodeList entries = menu_document_.SelectNodes(L"//mnu");
  for (int i = 0, n = 0; i < entries.Count(); ++i) {
    const XmlNode entry = entries.Item(i);
    if (EntryId(entry) == kUnlabelled) continue;
    const std::wstring caption = entry.GetAttribute(L"caption");
    keys[caption] = "MorvelCap_" + std::to_string(++n);  // a repeated caption: the last key
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

ProError ProeMenuManager::AddEntries(const CaptionKeys& keys, const XmlNode& root,
                                     ProFileName file) {
  struct Open {  // a submenu being filled, and the menu and entry to go on with after it
    std::string parent;
    XmlNode entry;
  };
  std::vector<Open> stack;
  std::string parent = "MorvelMenu1";
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
      std::string action = "MorvelButton" + std::to_string(id) + "_Act";
      uiCmdCmdId command = nullptr;
      // A name already taken (an id repeated in the document) adds no button.
      int ret = ProCmdActionAdd(action.data(), &OnMenuAction, kButtonPriority, nullptr, PRO_B_TRUE,
                                PRO_B_TRUE, &command);
      if (ret == PRO_TK_NO_ERROR) {
        ret = ProMenubarmenuPushbuttonAdd(parent.data(), key.data(), key.data(), key.data(),
                                          nullptr, PRO_B_TRUE, command, file);
        entry_ids_[command] = id;
      }
      WriteLog(FormatString(L"added menu %ls, ret=%d", MultiByteToWide(key).c_str(), ret));
      if (ret != PRO_TK_NO_ERROR && ret != PRO_TK_E_FOUND) return static_cast<ProError>(ret);
      node = node.NextSiblingElement();
      ProeCore::Instance()->ShowMessage(
          FormatString(L"added Menu %ls", MultiByteToWide(key).c_str()));
    } else if (id == kSubmenu) {
      stack.push_back({parent, node});
      std::string name = WideToMultiByte(FormatString(L"%ls%3d", L"MorvelMenu", ++submenus));
      const ProError added =
          ProMenubarmenuMenuAdd(parent.data(), name.data(), key.data(), nullptr, PRO_B_TRUE, file);
      if (added != PRO_TK_NO_ERROR && added != PRO_TK_E_FOUND) return added;
      parent = std::move(name);
      node = node.FirstChildElement();
    } else {
      node = node.NextSiblingElement();
    }
  }
}
