// A machine fault raised inside a toolkit call during OpenFile becomes the command's
// status, and the module stays usable. Built as an executable of its own: see
// tests/support/sanitizer_options.h.
#include "src/tav_proecore.h"
#include "tests/module/module_env.h"
#include "tests/support/sanitizer_options.h"

namespace tavtest {
namespace {

using CommandTest = ConnectedTest;

TEST_F(CommandTest, MachineFaultInsideOpenFileBecomesTheStatusAndTheNextCallWorks) {
  Fault("ProMdlLoad", "crash");
  EXPECT_EQ(-1, Open(SamplePath("bolt.prt.1")));
  EXPECT_EQ(-1, command_.m_nStatus);
  const std::wstring& text = command_.m_strStatus;
  const std::wstring head = L"() error: EXCEPTION_ACCESS_VIOLATION\n address:\t0x";
  const std::wstring tail = L" code:\t\t3221225477\n";
  ASSERT_GE(text.size(), head.size() + 8 + tail.size()) << Narrow(text);
  EXPECT_EQ(head, text.substr(0, head.size()));
  EXPECT_EQ(tail, text.substr(text.size() - tail.size()));
  EXPECT_FALSE(ProeCore::Instance()->Lock().OwnedByCurrentThread());

  EXPECT_EQ(0, Open(SamplePath("bolt.prt.1"))) << Narrow(command_.m_strStatus);
  EXPECT_EQ(0, command_.m_nStatus);
  EXPECT_EQ(L"", command_.m_strStatus);
}

}  // namespace
}  // namespace tavtest
