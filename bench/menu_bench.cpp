// CreateMenu of a flat menu of 1,000 and 10,000 buttons. Its floor is the round
// trips it makes; the one-second pause after the construction passes at once on a
// PauseFreeClock.
#include <string>

#include <benchmark/benchmark.h>

#include "bench/bench_env.h"
#include "src/proe_menu_manager.h"

namespace tavbench {
namespace {

// Buttons with ids from `first`, so that each size adds actions of its own.
std::wstring Menu(int buttons, int first) {
  std::wstring text = L"<mnus caption='Bench'>";
  for (int i = 0; i < buttons; ++i) {
    const std::wstring id = std::to_wstring(first + i);
    text += L"<mnu id='" + id + L"' caption='Button " + id + L"'/>";
  }
  return text + L"</mnus>";
}

void CreateMenu(benchmark::State& state) {
  const int buttons = static_cast<int>(state.range(0));
  const std::wstring menu = Menu(buttons, buttons * 10);
  try {
    Command();
    TakeCallCount();
  } catch (const std::exception& e) {
    state.SkipWithError(e.what());
    return;
  }
  PauseFreeClock clock;
  for (auto _ : state) {
    ProeMenuManager::Instance()->Reset();  // a new construction, not the at-once return
    if (Command().CreateMenu(menu.c_str()) != 0) {
      state.SkipWithError("CreateMenu failed");
      break;
    }
  }
  if (Ctl({"menubar"}).find("Button " + std::to_string(buttons * 11 - 1)) == std::string::npos)
    state.SkipWithError("CreateMenu left buttons out");
  state.counters["floor_calls"] =
      static_cast<double>(TakeCallCount()) / static_cast<double>(state.iterations());
  state.counters["target"] = 1.3;
  state.counters["size"] = buttons;
}
// One construction per size: each adds its actions once per session.
BENCHMARK(CreateMenu)
    ->ArgName("buttons")
    ->Arg(1000)
    ->Arg(10000)
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tavbench
