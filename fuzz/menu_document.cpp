// The host's menu document given any text: CreateMenu parses it, writes the label
// file, walks the entries onto the menu bar of a fresh in-process session (which
// reads the labels back from that file), and every button the walk made is then
// picked, so the kept document is searched for its entry and the entry reaches
// the host. Whatever the text, CreateMenu returns 0 or -1 with the status record
// set, and nothing crashes.
//
// The input is the document as UTF-8 text; after a first byte 0xFF (never part of
// UTF-8) the rest is read as raw wchar_t units instead, since a host hands over
// wide text that may hold any value at all.
#include <ProCore.h>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "base/utf.h"
#include "port/clock.h"
#include "port/lock.h"
#include "src/proe_menu_manager.h"
#include "src/tav_proecore.h"
#include "tests/support/fake_host.h"
#include "tests/support/sim_harness.h"
#include "tests/support/temp_dir.h"
#include "toolkit/client/test_hooks.h"

namespace {

namespace fs = std::filesystem;

// A host that takes picks without keeping them (a run makes millions).
class Host : public tavtest::FakeHost {
 public:
  HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                 UINT*) override {
    // FireClickMenu(handle, model full name, entry XML): the entry is never empty.
    if (!params || params->cArgs != 3 || SysStringLen(params->rgvarg[0].bstrVal) == 0) std::abort();
    return S_OK;
  }
};

struct World {
  // The module's log and files, and the session's, stay in a directory of the run.
  tavtest::TempDir tmp;
  tavtest::ScopedEnv tmpdir{"TMPDIR", tmp.path().c_str()};
  // CreateMenu ends with a one-second pause for the session to settle.
  port::FastClock clock{1e6};
  port::ScopedClock use_clock{clock};
  Host host;
};

World& TheWorld() {
  static World* world = [] {
    auto* w = new World;
    ProeCore::Instance()->Host().AttachHost(&w->host);
    return w;
  }();
  return *world;
}

std::wstring DocumentOf(const std::uint8_t* data, std::size_t size) {
  if (size == 0 || data[0] != 0xFF)
    return base::Utf8ToWide(std::string_view(reinterpret_cast<const char*>(data), size));
  std::wstring text((size - 1) / sizeof(wchar_t), L'\0');
  std::memcpy(text.data(), data + 1, text.size() * sizeof(wchar_t));
  return text;
}

void ButtonCommands(const sim::Session& s, std::vector<int>* commands) {
  for (int i = 0; i < s.menu_node_count(); ++i) {
    const sim::MenuNode& node = s.menu_node(i);
    if (node.kind == sim::MenuNode::kButton && node.command != sim::kBuiltinCommand)
      commands->push_back(node.command);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  World& world = TheWorld();
  const std::wstring document = DocumentOf(data, size);
  tkclient::TEST_ResetClient();
  tavtest::SimHarness session;
  ProProcessHandle handle{};
  if (tkclient::TEST_AttachStream(session.Connect(), session.display().c_str(),
                                  world.tmp.path().c_str(), 0, &handle) != PRO_TK_NO_ERROR)
    std::abort();

  ProeMenuManager* menus = ProeMenuManager::Instance();
  const int result = menus->CreateMenu(document);
  if (result != 0 && (result != -1 || menus->m_nStatus == 0)) std::abort();

  std::vector<int> commands;
  session.server().dispatcher().WithLock([&](sim::Store&, sim::Session& s) {
    ButtonCommands(s, &commands);
    return 0;
  });
  for (int command : commands) {
    port::Guard hold(ProeCore::Instance()->Lock());
    ProeMenuManager::OnMenuAction(
        reinterpret_cast<uiCmdCmdId>(static_cast<std::uintptr_t>(command)), nullptr, nullptr);
  }

  // The next document starts from no menus. Reset would also forget the host and
  // delete every label file ever written, each time; these are removed here.
  menus->RestoreDefaultCommand();
  menus->SetCreated(false);
  tkclient::TEST_ResetClient();
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(world.tmp.path(), ec))
    if (entry.path().filename().string().rfind("TxMsgFile", 0) == 0 ||
        entry.path().filename() == "tav_cax_log.txt")
      fs::remove(entry.path(), ec);
  return 0;
}
