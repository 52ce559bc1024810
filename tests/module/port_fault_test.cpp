// The operations that write files or start a program, with each of those calls
// failed in turn through the Env: call n = 1, 2, ... until the operation no
// longer meets the fault, once failing that one call, once that call and every
// later one (a directory that became unwritable, a full disk).
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <set>
#include <sys/stat.h>
#include <thread>

#include "port/files.h"
#include "src/tav_proecore.h"
#include "tests/module/module_env.h"

namespace tavtest {
namespace {

namespace fs = std::filesystem;

// Fails the armed thread's n-th call (with `persist`, every later one too) with an
// errno that fits it; other threads' calls (the listen thread's) pass uncounted,
// so each n meets the same call every time. Failed calls read "open <path>".
class FaultEnv : public port::SystemEnv {
 public:
  void Arm(int nth, bool persist) {
    std::lock_guard<std::mutex> hold(mutex_);
    thread_ = std::this_thread::get_id();
    nth_ = nth;
    persist_ = persist;
    calls_ = 0;
  }
  std::vector<std::string> Disarm() {
    std::lock_guard<std::mutex> hold(mutex_);
    thread_ = std::thread::id();
    return std::move(failed_);
  }
  std::string temp_dir = ModuleTmpDir();  // set between operations only

  std::string TempDirectory() override { return temp_dir; }
  bool CreateDirectory(const std::string& path) override {
    return !Fails("mkdir " + path, EACCES) && SystemEnv::CreateDirectory(path);
  }
  int OpenForWriting(const std::string& path, port::WriteMode mode) override {
    return Fails("open " + path, EACCES) ? -1 : SystemEnv::OpenForWriting(path, mode);
  }
  long Write(int fd, const char* data, std::size_t size) override {
    std::error_code ec;
    const fs::path file = fs::read_symlink("/proc/self/fd/" + std::to_string(fd), ec);
    return Fails("write " + file.string(), ENOSPC) ? -1 : SystemEnv::Write(fd, data, size);
  }
  int StartProgram(const std::string& path, const std::vector<std::string>& argv,
                   const base::SpawnOptions& options, long* pid) override {
    return Fails("start " + path, EAGAIN) ? EAGAIN
                                          : SystemEnv::StartProgram(path, argv, options, pid);
  }

 private:
  bool Fails(const std::string& call, int error) {
    std::lock_guard<std::mutex> hold(mutex_);
    if (std::this_thread::get_id() != thread_) return false;
    ++calls_;
    if (calls_ < nth_ || (calls_ > nth_ && !persist_)) return false;
    failed_.push_back(call);
    errno = error;
    return true;
  }
  std::mutex mutex_;
  std::thread::id thread_;
  int nth_ = 0, calls_ = 0;
  bool persist_ = false;
  std::vector<std::string> failed_;
};

std::multiset<std::string> OpenFiles() {
  std::multiset<std::string> files;
  std::error_code ec;
  for (const auto& fd : fs::directory_iterator("/proc/self/fd"))
    files.insert(fs::read_symlink(fd.path(), ec).string());
  return files;
}

// What an operation cannot do without: the program it starts, the menus' label
// file. The log and the session message file fail no operation.
bool Essential(const std::string& call) {
  return call.rfind("start ", 0) == 0 || call.find("TxMsgFile") != std::string::npos;
}

std::string Describe(const std::vector<std::string>& calls) {
  std::string text;
  for (const std::string& call : calls) text += "\n  " + call;
  return text;
}

using Status = std::pair<int, std::wstring>;  // m_nStatus, m_strStatus

enum class Op { kJoin, kStart, kCreateMenu, kDisconnect };
struct Sweep {
  const char* name;
  Op op;
  bool persist;
};

class PortFaultTest : public ModuleTest, public ::testing::WithParamInterface<Sweep> {
 protected:
  void SetUp() override {
    if (GetParam().op != Op::kStart) return StartSession();
    script_ = ModuleTmpDir() + "start-session.sh";
    WriteFile(script_, std::string("#!/bin/sh\nexec '") + TAV_PROE_SIM + "' --display '" +
                           display_ + "' --search-path '" + SampleModelsDir() + "' >/dev/null\n");
    ::chmod(script_.c_str(), 0755);
  }

  // The operation, from the state Prepare left; a copy of its status record.
  int Run(Op op, Status* status) {
    int result = 0;
    connector_.m_nStatus = command_.m_nStatus = 0;
    connector_.m_strStatus = command_.m_strStatus = L"";
    void* reserved = nullptr;
    if (op == Op::kJoin || op == Op::kStart) {
      const std::wstring start = Wide(script_);
      result = connector().LoadApplication(op == Op::kStart ? start.c_str() : nullptr,
                                           Wide(display_).c_str(), &host_, handle_, reserved);
      *status = {connector_.m_nStatus, connector_.m_strStatus};
      return result;
    }
    if (op == Op::kCreateMenu)
      result = command().CreateMenu(
          L"<mnus caption='PDM'><mnu id='1' caption='Check In'/>"
          L"<mnu id='-2' caption='More'><mnu id='2' caption='About'/></mnu></mnus>");
    if (op == Op::kDisconnect) {
      command().Disconnect();
      result = ProeCore::Instance()->IsConnected() ? -1 : 0;
    }
    *status = {command_.m_nStatus, command_.m_strStatus};
    return result;
  }
  void Prepare(Op op) {
    if (op == Op::kCreateMenu || op == Op::kDisconnect) Connect(&host_);
  }
  void TearDown() override { Finish(GetParam().op); }
  // Leaves no connection, listen thread or started session behind.
  void Finish(Op op) {
    command().Disconnect();
    ASSERT_TRUE(ProeCore::Instance()->TEST_WaitListenThreads(0, 10000));
    if (op != Op::kStart) return;
    CtlOn(display_, {"exit"});
    ASSERT_TRUE(WaitUntil([&] { return CtlOn(display_, {"status"}).code != 0; }));
  }

  FaultEnv env_;
  port::ScopedEnv use_env_{env_};
  std::string script_;
  // The session must answer within the module's deadlines on a loaded machine.
  port::FastClock slower_clock_{10.0};
  port::ScopedClock slower_{slower_clock_};
};

TEST_P(PortFaultTest, EveryFailedCallIsReportedOrHarmlessAndLeavesNothingBehind) {
  const Op op = GetParam().op;
  int faults = 0;
  for (int n = 1;; ++n) {
    SCOPED_TRACE("call " + std::to_string(n));
    ASSERT_LT(n, 200) << "the operation never stops meeting faults";
    TempDir dir;  // a fresh temporary directory, so the message file is written anew
    env_.temp_dir = dir.path();
    const std::multiset<std::string> files = OpenFiles();
    Prepare(op);

    Status status;
    env_.Arm(n, GetParam().persist);
    const int result = Run(op, &status);
    const std::vector<std::string> failed = env_.Disarm();
    const std::string why = Narrow(status.second) + Describe(failed);
    const bool essential = std::any_of(failed.begin(), failed.end(), Essential);
    EXPECT_EQ(essential ? -1 : 0, result) << why;
    EXPECT_EQ(result == 0, status.first == 0) << why;
    EXPECT_EQ(result == 0, status.second.empty()) << why;
    EXPECT_TRUE(ModuleLockIsFree());

    // The next call without the fault works, and mends what the fault spoilt.
    if (op == Op::kDisconnect) Prepare(op);
    EXPECT_EQ(0, Run(op, &status)) << Narrow(status.second) << Describe(failed);
    if (op == Op::kJoin || op == Op::kStart) {
      EXPECT_TRUE(port::FileExists(dir.file("morvel_msg_ugmessage.txt"))) << Describe(failed);
    }
    Finish(op);
    EXPECT_EQ(std::vector<std::string>(), LabelFiles(dir.path())) << Describe(failed);
    EXPECT_EQ(files, OpenFiles()) << Describe(failed);
    if (failed.empty()) break;
    faults += static_cast<int>(failed.size());
  }
  std::printf("%s: %d calls failed\n", GetParam().name, faults);
}

INSTANTIATE_TEST_SUITE_P(
    Operations, PortFaultTest,
    ::testing::Values(Sweep{"LoadApplicationJoining", Op::kJoin, false},
                      Sweep{"LoadApplicationJoiningAllFail", Op::kJoin, true},
                      Sweep{"LoadApplicationStarting", Op::kStart, false},
                      Sweep{"LoadApplicationStartingAllFail", Op::kStart, true},
                      Sweep{"CreateMenu", Op::kCreateMenu, false},
                      Sweep{"CreateMenuAllFail", Op::kCreateMenu, true},
                      Sweep{"Disconnect", Op::kDisconnect, false},
                      Sweep{"DisconnectAllFail", Op::kDisconnect, true}),
    [](const ::testing::TestParamInfo<Sweep>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tavtest
