// `ctl stats`: the session counts the requests of every connection by the
// function they carry, and a reset reports the count and starts again.
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

}  // namespace
