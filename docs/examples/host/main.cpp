// Joins the CAD session on the default display (starting it with the given command
// when none runs), opens a model, prints the models it depends on and disconnects.
//
//   host_example START_COMMAND MODEL_FILE
//
// Exit code 0 on success; on failure the module's status code and text are printed.
#include <clocale>
#include <cstdio>
#include <string>

#include <tavproe2/ProeAsynCommand.h>
#include <tavproe2/ProeAsynConnector.h>

namespace tav = TAVCAX::TAVPROE2;

static std::wstring Widen(const char* text) {
  std::wstring out;
  for (; *text; ++text) out += static_cast<wchar_t>(static_cast<unsigned char>(*text));
  return out;  // enough for the ASCII paths of this example
}

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: host_example START_COMMAND MODEL_FILE\n");
    return 2;
  }
  // Model names may hold non-ASCII letters; print wide text as UTF-8.
  std::setlocale(LC_CTYPE, "C.UTF-8");
  const std::wstring start = Widen(argv[1]);
  const std::wstring model = Widen(argv[2]);

  tav::ProeAsynConnector connector;
  tav::IProeAsynConnector& connect = connector;  // the operations are called through
  std::wstring handle;                           // the public interfaces
  void* reserved = nullptr;
  if (connect.LoadApplication(start.c_str(), L"", nullptr, handle, reserved) != 0) {
    std::fprintf(stderr, "connect failed: %d %ls\n", connector.m_nStatus,
                 connector.m_strStatus.c_str());
    return 1;
  }
  std::printf("connected, handle \"%ls\"\n", handle.c_str());

  tav::ProeAsynCommand command;
  tav::IProeAsynCommand& cmd = command;
  if (cmd.OpenFile(model.c_str()) != 0) {
    std::fprintf(stderr, "open failed: %d %ls\n", command.m_nStatus, command.m_strStatus.c_str());
    return 1;
  }
  std::wstring current, dependencies;
  cmd.GetCurrentMdlFullName(current);
  if (cmd.GetDependencies(dependencies) != 0) {
    std::fprintf(stderr, "dependencies failed: %d %ls\n", command.m_nStatus,
                 command.m_strStatus.c_str());
    return 1;
  }
  std::printf("model %ls\n", current.c_str());
  std::printf("depends on %ls\n", dependencies.c_str());
  cmd.Disconnect();
  std::printf("disconnected\n");
  return 0;
}
