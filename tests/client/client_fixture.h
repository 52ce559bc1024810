#pragma once
// Every client test starts and ends with a clean process-global client, and
// records what the callbacks saw. SessionTest attaches that client to the real
// session server running in this process (over a socket pair), with the sample
// models on its search path and a text directory holding the test's message file.
#include <ProCore.h>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/sim_harness.h"
#include "tests/support/temp_dir.h"
#include "toolkit/client/test_hooks.h"

namespace clienttest {

// What callbacks recorded, in call order, with the thread each ran on.
struct Recorder {
  std::mutex mu;
  std::vector<std::string> calls;
  std::vector<std::thread::id> threads;
  void Add(std::string call) {
    std::lock_guard<std::mutex> lock(mu);
    calls.push_back(std::move(call));
    threads.push_back(std::this_thread::get_id());
  }
  std::vector<std::string> Calls() {
    std::lock_guard<std::mutex> lock(mu);
    return calls;
  }
};

// The recorder that the plain-function callbacks of a test file write to; a fixture
// points it at its own Recorder for the length of a test.
inline Recorder* g_rec = nullptr;

// A termination action that records "term <status>".
inline ProError OnTerm(ProeTerminationStatus status) {
  g_rec->Add("term " + std::to_string(static_cast<int>(status)));
  return PRO_TK_NO_ERROR;
}

// Every client test starts and ends with a clean client, with the termination
// action recording into the test's own Recorder.
class ClientTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tkclient::TEST_ResetClient();
    g_rec = &rec_;
    ProTermFuncSet(OnTerm);
  }
  void TearDown() override {
    tkclient::TEST_ResetClient();
    g_rec = nullptr;
  }

  Recorder rec_;
};

// The test's message file: each entry its key, its text, then two "#" lines.
constexpr const char* kMessageFileText =
    "USER Greeting\nHello %0w: %1d parts, %2f mm\n#\n#\n"
    "USER Gap\n%0w then %2d\n#\n#\n"
    "TAV Menu\nTav Tools\n#\n#\n"
    "TAV Run\nRun Tav\n#\n#\n";

class SessionTest : public ClientTest {
 protected:
  void SetUp() override {
    ClientTest::SetUp();
    std::string umlauts;  // "USER Long": 85 letters of two bytes each
    for (int i = 0; i < 85; ++i) umlauts += "\xc3\xa4";
    tavtest::WriteFile(text_dir_.file("tavclient.txt"),
                       kMessageFileText + ("USER Long\n" + umlauts + "\n#\n#\n"));
    harness_ = std::make_unique<tavtest::SimHarness>();
    ASSERT_EQ(
        tkclient::TEST_AttachStream(harness_->Connect(), "", text_dir_.path().c_str(), 0, &handle_),
        PRO_TK_NO_ERROR);
  }
  void TearDown() override {
    ClientTest::TearDown();
    harness_.reset();
  }

  // Runs a ctl action, expecting success.
  std::string Ctl(const std::vector<std::string>& args) {
    tavtest::CtlResult r = harness_->Ctl(args);
    EXPECT_EQ(r.code, 0) << r.output;
    return r.output;
  }

  // Events the session sent before this point have been read once a request
  // made now has been answered: replies and events share one ordered stream.
  void Barrier() { ASSERT_EQ(ProEngineerStatusGet(), PRO_TK_NO_ERROR); }

  tavtest::TempDir text_dir_;
  std::unique_ptr<tavtest::SimHarness> harness_;
  ProProcessHandle handle_{};
};

}  // namespace clienttest
