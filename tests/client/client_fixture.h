#pragma once
// Every client test starts and ends with a clean process-global client, and
// records what the callbacks saw.
#include <ProCore.h>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

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

}  // namespace clienttest
