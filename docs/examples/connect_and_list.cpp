// How a C++ program uses the toolkit: connect to a running session, open a
// model, list its features, then process the session's events until it ends.
//
//   PRO_COMM_MSG_EXE=/bin/true connect_and_list [MODEL_FILE] [SECONDS] [DISPLAY]
//
// MODEL_FILE defaults to bracket.prt (found by the session), SECONDS (how long
// to process events, default 0) and DISPLAY (default display) are optional.
// While it waits, open a model in the session (proe_sim ctl open FILE) to see
// the notification, or end the session to see the termination action run.
#include <ProCore.h>
#include <ProFeature.h>
#include <ProMdl.h>
#include <ProModelitem.h>
#include <ProNotify.h>
#include <ProSolid.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

bool g_session_ended = false;

// Runs inside ProEventProcess when the session goes away.
ProError OnTermination(ProeTerminationStatus status) {
  std::printf("session ended (%s)\n", status == PROTERM_EXIT ? "exit" : "abnormal");
  g_session_ended = true;
  return PRO_TK_NO_ERROR;
}

// Runs inside ProEventProcess after the user opens a model.
ProError OnModelOpened(ProModel* model) {
  std::printf("user opened %ls.%ls\n", model->name, model->type);
  return PRO_TK_NO_ERROR;
}

// Called for every feature, in model order.
ProError PrintFeature(ProFeature* feature, ProError, ProAppData) {
  ProFeattype type = 0;
  ProName type_name = L"";
  ProName name = L"";
  ProFeatureTypeGet(feature, &type);
  ProFeatureTypenameGet(feature, type_name);
  if (ProModelitemNameGet(feature, name) != PRO_TK_NO_ERROR) name[0] = L'\0';
  std::printf("  feature %4d  type %4d  %-16ls %ls\n", feature->id, type, type_name, name);
  return PRO_TK_NO_ERROR;
}

}  // namespace

int main(int argc, char** argv) {
  std::wstring model_file = L"bracket.prt";
  if (argc > 1)
    model_file = std::wstring(argv[1], argv[1] + std::char_traits<char>::length(argv[1]));
  const int seconds = argc > 2 ? std::atoi(argv[2]) : 0;
  char* display = argc > 3 ? argv[3] : nullptr;

  ProTermFuncSet(OnTermination);
  ProProcessHandle handle;
  ProError e =
      ProEngineerConnect(nullptr, display, nullptr, nullptr, PRO_B_FALSE, 10, nullptr, &handle);
  if (e != PRO_TK_NO_ERROR) {
    std::fprintf(stderr, "cannot connect to a session: error %d\n", e);
    return 1;
  }

  ProMdl model = nullptr;
  e = ProMdlLoad(model_file.data(), PRO_MDL_UNUSED, PRO_B_FALSE, &model);
  if (e != PRO_TK_NO_ERROR) {
    std::fprintf(stderr, "cannot load %ls: error %d\n", model_file.c_str(), e);
    ProEngineerDisconnect(&handle, 5);
    return 1;
  }
  ProMdldata data;
  if (ProMdlDataGet(model, &data) == PRO_TK_NO_ERROR)
    std::printf("%ls%ls.%ls.%d\n", data.path, data.name, data.type, data.version);
  ProSolidFeatVisit(static_cast<ProSolid>(model), PrintFeature, nullptr, nullptr);

  ProNotificationSet(PRO_MDL_RETRIEVE_POST,
                     reinterpret_cast<ProFunction>(reinterpret_cast<void (*)()>(OnModelOpened)));
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (!g_session_ended && std::chrono::steady_clock::now() < until) {
    ProEventProcess();  // callbacks run here, on this thread
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  if (!g_session_ended) ProEngineerDisconnect(&handle, 5);
  return 0;
}
