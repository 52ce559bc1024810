#pragma once
// A client attached to the real session server running in this process (over a
// socket pair), with the sample models on its search path and a text directory
// holding the test's message file.
#include <ProCore.h>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/client/client_fixture.h"
#include "tests/support/sim_harness.h"
#include "tests/support/temp_dir.h"

namespace clienttest {

constexpr const char* kMessageFileText =
    "USER Greeting\n"
    "Hello %0w: %1d parts, %2f mm\n"
    "#\n"
    "#\n"
    "USER Gap\n"
    "%0w then %2d\n"
    "#\n"
    "#\n"
    "TAV Menu\n"
    "Tav Tools\n"
    "#\n"
    "#\n"
    "TAV Run\n"
    "Run Tav\n"
    "#\n"
    "#\n"
    "USER Long\n"
    "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx\n"
    "#\n"
    "#\n";

class SessionTest : public ClientTest {
 protected:
  void SetUp() override {
    ClientTest::SetUp();
    tavtest::WriteFile(text_dir_.file("tavclient.txt"), kMessageFileText);
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
