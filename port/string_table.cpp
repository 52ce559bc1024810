#include "port/string_table.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <cwchar>

namespace port {
namespace {

struct Entry {
  unsigned id;
  const wchar_t* english;
  const wchar_t* simplified;
  const wchar_t* traditional;
};

// The English 5200 text carries U+00A1 U+00A3 after "error": hosts match the
// message character for character, so these two stay as they are.
const Entry kTable[] = {
    {5200, L"connect proe error\u00A1\u00A3(%d)", L"连接 proe 失败。(%d)", L"連接 proe 失敗。(%d)"},
    {5201,
     L"have not set the environment variable PRO_COMM_MSG_EXE,or pro_comm_msg.exe path error.",
     L"未设置环境变量 PRO_COMM_MSG_EXE, 或者 pro_comm_msg.exe 路径错误。",
     L"未設定環境變數 PRO_COMM_MSG_EXE, 或者 pro_comm_msg.exe 路徑錯誤。"},
    {5202, L"start proe failed. %s", L"打开 proe 失败。%s", L"開啟 proe 失敗。%s"},
    {5203, L"Proe execution path not found.", L"未找到proe执行路径。", L"未找到proe執行路徑。"},
    {5210, L"Open File Error.", L"打开文件错误", L"開啟檔案錯誤"},
    {5211, L"has not active document.", L"没有活动文件", L"沒有活動檔案"},
    {5212, L"close file failed.", L"关闭文件失败", L"關閉檔案失敗"},
    {5213, L"save file failed.", L"保存文件失败", L"儲存檔案失敗"},
    {5214, L"db file not exists.", L"数据库文件不存在", L"資料庫檔案不存在"},
    {5220, L"menu not exists.", L"菜单不存在", L"選單不存在"},
};

// "zh_CN.UTF-8", "zh-tw", "zh_HK@euro" ... -> the region, upper-cased, or "".
std::string ChineseRegion(const char* locale) {
  if (std::strlen(locale) < 5) return std::string();
  if (std::tolower(static_cast<unsigned char>(locale[0])) != 'z' ||
      std::tolower(static_cast<unsigned char>(locale[1])) != 'h' ||
      (locale[2] != '_' && locale[2] != '-'))
    return std::string();
  std::string region;
  region += static_cast<char>(std::toupper(static_cast<unsigned char>(locale[3])));
  region += static_cast<char>(std::toupper(static_cast<unsigned char>(locale[4])));
  const char next = locale[5];
  if (next != '\0' && next != '.' && next != '@' && next != ':') return std::string();
  return region;
}

}  // namespace

unsigned CurrentLanguage() {
  for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (!value || !*value) continue;
    const std::string region = ChineseRegion(value);
    if (region == "CN" || region == "SG") return kLanguageSimplifiedChinese;
    if (region == "TW" || region == "HK" || region == "MO") return kLanguageTraditionalChinese;
    return kLanguageEnglish;
  }
  return kLanguageEnglish;
}

std::wstring LoadString(unsigned id) { return LoadString(id, CurrentLanguage()); }

std::wstring LoadString(unsigned id, unsigned language) {
  for (const Entry& entry : kTable) {
    if (entry.id != id) continue;
    if (language == kLanguageSimplifiedChinese) return entry.simplified;
    if (language == kLanguageTraditionalChinese) return entry.traditional;
    return entry.english;
  }
  return std::wstring();
}

std::wstring ToPosixWideFormat(const std::wstring& format) {
  std::wstring out;
  out.reserve(format.size() + 4);
  for (std::size_t i = 0; i < format.size(); ++i) {
    out += format[i];
    if (format[i] != L'%') continue;
    // Copy flags, width, precision; then widen a bare 's' conversion.
    std::size_t j = i + 1;
    if (j < format.size() && format[j] == L'%') {
      out += L'%';
      i = j;
      continue;
    }
    while (j < format.size() && std::wcschr(L"-+ #0123456789.*", format[j])) {
      out += format[j++];
    }
    if (j < format.size() && format[j] == L's') out += L'l';
    i = j - 1;
  }
  return out;
}

}  // namespace port
