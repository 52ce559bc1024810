// The calls by which the module writes files or starts a program, failed through
// the Env on a healthy machine: a full disk, and a program that cannot be started.
#include <cerrno>
#include <mutex>
#include <sys/stat.h>
#include <thread>

#include "port/files.h"
#include "src/tav_proecore.h"
#include "tests/module/module_env.h"

namespace tavtest {
namespace {

// While `failing` is set, the test thread's writes fail with ENOSPC and its program
// starts with EAGAIN; other threads' calls (the listen thread's) pass.
class FaultEnv : public port::SystemEnv {
 public:
  void Fail(bool failing) {
    std::lock_guard<std::mutex> hold(mutex_);
    failing_ = failing;
  }
  long Write(int fd, const char* data, std::size_t size) override {
    return Fails(ENOSPC) ? -1 : SystemEnv::Write(fd, data, size);
  }
  int StartProgram(const std::string& path, const std::vector<std::string>& argv,
                   const base::SpawnOptions& options, long* pid) override {
    return Fails(EAGAIN) ? EAGAIN : SystemEnv::StartProgram(path, argv, options, pid);
  }

 private:
  bool Fails(int error) {
    std::lock_guard<std::mutex> hold(mutex_);
    if (!failing_ || std::this_thread::get_id() != thread_) return false;
    errno = error;
    return true;
  }
  std::mutex mutex_;
  const std::thread::id thread_ = std::this_thread::get_id();
  bool failing_ = false;
};

class PortFaultTest : public ModuleTest {
 protected:
  FaultEnv env_;
  port::ScopedEnv use_env_{env_};
};

// The log and the session message file fail no operation; the menus' label file
// fails CreateMenu, which leaves no file, descriptor or lock behind.
TEST_F(PortFaultTest, AFullDiskFailsOnlyTheMenuAndLeavesNothingBehind) {
  StartSession();
  const int descriptors = OpenDescriptors();
  env_.Fail(true);
  Connect(&host_);
  const std::wstring menu = L"<mnus caption='PDM'><mnu id='1' caption='Check In'/></mnus>";
  EXPECT_EQ(-1, command().CreateMenu(menu.c_str()));
  EXPECT_EQ(ENOSPC, command_.m_nStatus);
  EXPECT_EQ(L"No space left on device", command_.m_strStatus);
  EXPECT_EQ(std::vector<std::string>(), LabelFiles());
  EXPECT_TRUE(ModuleLockIsFree());
  env_.Fail(false);
  EXPECT_EQ(0, command().CreateMenu(menu.c_str())) << Narrow(command_.m_strStatus);
  command().Disconnect();
  EXPECT_EQ(descriptors, OpenDescriptors());
}

TEST_F(PortFaultTest, AProgramThatCannotStartFailsTheJoin) {
  const std::string script = ModuleTmpDir() + "start-session.sh";
  WriteFile(script, std::string("#!/bin/sh\nexec '") + TAV_PROE_SIM + "' --display '" + display_ +
                        "' --search-path '" + SampleModelsDir() + "' >/dev/null\n");
  ::chmod(script.c_str(), 0755);
  void* reserved = nullptr;
  env_.Fail(true);
  EXPECT_EQ(-1, connector().LoadApplication(Wide(script).c_str(), Wide(display_).c_str(), &host_,
                                            handle_, reserved));
  EXPECT_EQ(L"start proe failed. " + Wide(script), connector_.m_strStatus);
  env_.Fail(false);
  ASSERT_EQ(0, connector().LoadApplication(Wide(script).c_str(), Wide(display_).c_str(), &host_,
                                           handle_, reserved))
      << Narrow(connector_.m_strStatus);
  command().Disconnect();
  CtlOn(display_, {"exit"});
  EXPECT_TRUE(WaitUntil([&] { return CtlOn(display_, {"status"}).code != 0; }));
}

}  // namespace
}  // namespace tavtest
