#include "src/tx_exception.h"

namespace TAVBASE {

TX_Exception::TX_Exception(const std::wstring& message, const std::wstring& file,
                           const std::wstring& function, int line)
    : m_strMessage(message),
      m_strFile(file),
      m_strFunction(function),
      m_nLine(line),
      m_nCatchLine(0) {}

}  // namespace TAVBASE

std::wstring DescribeError(const TAVBASE::TX_Exception& error) {
  std::wstring text;
  text.reserve(4096);
  text += error.m_strMessage;
  text += L"\n";
  return text;
}
