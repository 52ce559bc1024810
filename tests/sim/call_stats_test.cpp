// `ctl stats`: the session counts the requests of every connection by the
// function they carry, and a reset reports the count and starts again. A fault
// on the k-th call uses the same count.
#include <ProToolkitErrors.h>

#include <gtest/gtest.h>

#include "tests/support/sim_harness.h"

namespace {

namespace method = protocol::method;

TEST(CallStatsTest, CountsEveryCallByFunctionUntilReset) {
  tavtest::SimHarness harness;
  tavtest::WireClient client(harness.Connect());
  EXPECT_EQ(client.Call<method::ProMdlCurrentGet>().code, PRO_TK_BAD_CONTEXT)
      << "refused before hello, still counted";
  ASSERT_EQ(client.Hello().code, 0);
  ASSERT_EQ(harness.Ctl({"fault", "ProMdlCurrentGet", "-1"}).code, 0);
  client.Call<method::ProMdlCurrentGet>();
  client.Call<method::ProMdldataGet>(protocol::ModelHandle{1});
  client.Call<method::ProMdlDataGet>(protocol::ModelHandle{1});
  const std::string counted =
      "ProEngineerConnect 1\nProMdlCurrentGet 2\nProMdlDataGet 2\ntotal 5\n";
  EXPECT_EQ(harness.Ctl({"stats"}).output, counted);
  EXPECT_EQ(harness.Ctl({"stats", "reset"}).output, counted);
  EXPECT_EQ(harness.Ctl({"stats"}).output, "total 0\n");
  EXPECT_NE(harness.Ctl({"stats", "again"}).code, 0);
}

// Every request counts towards it, whatever its function or connection; it wins
// over the function's own fault, which stays pending.
TEST(CallStatsTest, CallFaultHitsTheKthCountedCall) {
  tavtest::SimHarness harness;
  tavtest::WireClient a(harness.Connect()), b(harness.Connect());
  ASSERT_EQ(a.Hello().code, 0);
  ASSERT_EQ(harness.Ctl({"fault", "call", "3", "-17"}).output, "fault call 3 -17\n");
  ASSERT_EQ(harness.Ctl({"fault", "ProMdlCurrentGet", "-1"}).code, 0);
  EXPECT_EQ(b.Call<method::ProWindowCurrentGet>().code, PRO_TK_BAD_CONTEXT) << "before hello";
  EXPECT_EQ(a.Call<method::ProWindowCurrentGet>().code, PRO_TK_NO_ERROR);
  EXPECT_EQ(a.Call<method::ProMdlCurrentGet>().code, -17);
  EXPECT_EQ(a.Call<method::ProMdlCurrentGet>().code, -1);
  EXPECT_EQ(a.Call<method::ProWindowCurrentGet>().code, PRO_TK_NO_ERROR) << "met once";

  ASSERT_EQ(harness.Ctl({"fault", "call", "1", "crash"}).code, 0);
  const protocol::Message crashed = a.Call<method::ProWindowCurrentGet>();
  EXPECT_EQ(crashed.directive, "crash");
  ASSERT_EQ(harness.Ctl({"fault", "call", "1", "-1"}).code, 0);
  ASSERT_EQ(harness.Ctl({"fault", "call", "off"}).output, "fault call off\n");
  EXPECT_EQ(a.Call<method::ProWindowCurrentGet>().code, PRO_TK_NO_ERROR);
  for (const std::vector<std::string>& bad : {std::vector<std::string>{"fault", "call", "0", "-1"},
                                              {"fault", "call", "2", "-100"},
                                              {"fault", "call", "2"},
                                              {"fault", "call", "x", "kill"}})
    EXPECT_EQ(harness.Ctl(bad).code, PRO_TK_BAD_INPUTS) << bad[2];
}

}  // namespace
