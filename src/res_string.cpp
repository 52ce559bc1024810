#include "src/res_string.h"

#include "port/string_table.h"

namespace {

// Hosts match these texts character for character (the English 5200 text
// carries U+00A1 U+00A3 after "error"): change none of them. On Windows the
// build writes this table as the DLL's string table resource
// (cmake/string_table_rc.cmake), which is read instead.
[[maybe_unused]] const port::TextEntry kTexts[] = {
    {5200, L"connect proe error\u00A1\u00A3(%d)", L"连接 proe 失败。(%d)", L"連接 proe 失敗。(%d)"},
    {5201,
     L"have not set the environment variable PRO_COMM_MSG_EXE,or pro_comm_msg.exe path error.",
     L"未设置环境变量 PRO_COMM_MSG_EXE, 或者 pro_comm_msg.exe 路径错误。",
     L"未設定環境變數 PRO_COMM_MSG_EXE, 或者 pro_comm_msg.exe 路徑錯誤。"},
    {5202, L"start proe failed. %ls", L"打开 proe 失败。%ls", L"開啟 proe 失敗。%ls"},
    {5203, L"Proe execution path not found.", L"未找到proe执行路径。", L"未找到proe執行路徑。"},
    {5210, L"Open File Error.", L"打开文件错误", L"開啟檔案錯誤"},
    {5211, L"has not active document.", L"没有活动文件", L"沒有活動檔案"},
    {5212, L"close file failed.", L"关闭文件失败", L"關閉檔案失敗"},
    {5213, L"save file failed.", L"保存文件失败", L"儲存檔案失敗"},
    {5214, L"db file not exists.", L"数据库文件不存在", L"資料庫檔案不存在"},
    {5220, L"menu not exists.", L"菜单不存在", L"選單不存在"},
};

}  // namespace

std::wstring LoadResString(unsigned id) {
#ifdef _WIN32
  return port::LoadString(id, port::CurrentLanguage());
#else
  return port::LoadString(kTexts, id, port::CurrentLanguage());
#endif
}
