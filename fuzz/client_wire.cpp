// The toolkit client given whatever a session may send. A fake session answers
// each request the client makes with the next record of the input:
//
//   record := count (1 byte; count % 16 frames follow)
//             frame*  (4-byte big-endian length L, then L bytes, or fewer at the end)
//
// The frames are written as they are: replies, events, or anything at all. A
// record that holds no reply to the request being made ends the session at once
// (the client would otherwise wait for its deadline). The client joins, registers
// its callbacks and makes one call of every shape of answer, then runs the events
// that arrived; every call returns a code, nothing crashes, and every event is
// taken apart or dropped with a message.
#include <ProArray.h>
#include <ProAsmcomp.h>
#include <ProCore.h>
#include <ProDimension.h>
#include <ProMdl.h>
#include <ProMdlUnits.h>
#include <ProMessage.h>
#include <ProModelitem.h>
#include <ProNotify.h>
#include <ProParameter.h>
#include <ProRelSet.h>
#include <ProSolid.h>
#include <ProUICmd.h>
#include <ProWindows.h>
#include <ProWstring.h>
#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/socket.h>
#include <thread>

#include "base/unique_fd.h"
#include "protocol/frame.h"
#include "protocol/message.h"
#include "toolkit/client/test_hooks.h"

namespace {

// Serves the client on `fd` with the records of [data, data + size).
void FakeSession(base::UniqueFd fd, const std::uint8_t* data, std::size_t size) {
  std::size_t at = 0;
  std::string request;
  while (at < size && protocol::ReadFrame(fd.get(), &request) == protocol::FrameStatus::kOk) {
    protocol::Message asked;
    std::string why;
    if (!protocol::Decode(request, &asked, &why)) break;
    bool answered = false;
    for (int frames = data[at++] % 16; frames > 0 && at < size; --frames) {
      std::uint32_t length = 0;
      for (int i = 0; i < 4; ++i) length = length << 8 | (at < size ? data[at++] : 0);
      const std::size_t available = std::min<std::size_t>(length, size - at);
      std::string frame(4, '\0');
      for (int i = 0; i < 4; ++i) frame[i] = static_cast<char>(length >> (24 - 8 * i));
      const std::string payload(reinterpret_cast<const char*>(data + at), available);
      at += available;
      if (::send(fd.get(), (frame + payload).data(), 4 + available, MSG_NOSIGNAL) < 0) return;
      protocol::Message sent;
      answered |= available == length && protocol::Decode(payload, &sent, &why) &&
                  sent.kind == protocol::Kind::kReply && sent.seq == asked.seq;
    }
    if (!answered) break;
  }
  ::shutdown(fd.get(), SHUT_RDWR);
}

ProError OnTermination(ProeTerminationStatus) { return PRO_TK_NO_ERROR; }
ProError OnFileOpen(ProMdlType, int, ProName) { return PRO_TK_NO_ERROR; }
ProError OnModel(ProModel*) { return PRO_TK_NO_ERROR; }
ProError OnModelData(ProMdldata*) { return PRO_TK_NO_ERROR; }
ProError OnMdl(ProMdl) { return PRO_TK_NO_ERROR; }
ProError OnPath(wchar_t*) { return PRO_TK_NO_ERROR; }
ProError OnFeature(ProFeature*) { return PRO_TK_NO_ERROR; }
ProError OnNothing() { return PRO_TK_NO_ERROR; }
int OnCommand(uiCmdCmdId, uiCmdValue*, void*) { return 0; }
uiCmdAccessState Access(uiCmdAccessMode) { return ACCESS_AVAILABLE; }
ProError VisitFeature(ProFeature* feature, ProError, ProAppData) {
  ProName name;
  ProFeatureTypenameGet(feature, name);
  return PRO_TK_NO_ERROR;
}
ProError VisitParameter(ProParameter* parameter, ProError, ProAppData) {
  ProParamvalue value;
  ProParameterValueGet(parameter, &value);
  ProUnititem units;
  ProParameterUnitsGet(parameter, &units);
  return PRO_TK_NO_ERROR;
}

template <class F>
void Notify(ProNotifyType type, F* callback) {
  // Through void(*)(), the generic function type, as the toolkit's users do.
  ProNotificationSet(type, reinterpret_cast<ProFunction>(reinterpret_cast<void (*)()>(callback)));
}

// One call of every shape of answer the client takes apart.
void CallEverything() {
  ProTermFuncSet(&OnTermination);
  Notify(PRO_FILE_OPEN_OK, &OnFileOpen);
  Notify(PRO_MDL_RETRIEVE_POST, &OnModel);
  Notify(PRO_MDL_SAVE_POST, &OnModelData);
  Notify(PRO_MDL_DISPLAY_PRE, &OnMdl);
  Notify(PRO_DIRECTORY_CHANGE_POST, &OnPath);
  Notify(PRO_FEATURE_CREATE_POST, &OnFeature);
  Notify(PRO_WINDOW_CHANGE_POST, &OnNothing);
  uiCmdCmdId command = nullptr;
  ProCmdActionAdd(const_cast<char*>("FuzzAct"), &OnCommand, 12, &Access, PRO_B_TRUE, PRO_B_TRUE,
                  &command);

  ProMdl mdl = nullptr;
  ProMdlCurrentGet(&mdl);
  ProMdldata data;
  ProMdlDataGet(mdl, &data);
  ProMdlType type;
  ProMdlTypeGet(mdl, &type);
  ProMdl* models = nullptr;
  int count = 0;
  if (ProSessionMdlList(PRO_MDL_PART, &models, &count) == PRO_TK_NO_ERROR)
    ProArrayFree(reinterpret_cast<ProArray*>(&models));
  ProModel* dependencies = nullptr;
  if (ProMdlDependenciesList(mdl, &dependencies, &count) == PRO_TK_NO_ERROR)
    ProArrayFree(reinterpret_cast<ProArray*>(&dependencies));
  ProSolidFeatVisit(static_cast<ProSolid>(mdl), &VisitFeature, nullptr, nullptr);
  int* ids = nullptr;
  ProFeatStatus* statuses = nullptr;
  ProSolidFeatstatusGet(static_cast<ProSolid>(mdl), &ids, &statuses, &count);
  if (ids) ProArrayFree(reinterpret_cast<ProArray*>(&ids));
  if (statuses) ProArrayFree(reinterpret_cast<ProArray*>(&statuses));
  ProModelitem item{};
  ProMdlToModelitem(mdl, &item);
  ProName name;
  ProModelitemNameGet(&item, name);
  ProFamilyName family;
  ProAsmcompMdlNameGet(&item, &type, family);
  double upper = 0, lower = 0;
  ProDimensionToleranceGet(&item, &upper, &lower);
  ProParameterVisit(&item, nullptr, &VisitParameter, nullptr);
  ProRelset relset{};
  ProModelitemToRelset(&item, &relset);
  ProWstring* lines = nullptr;
  if (ProRelsetRelationsGet(&relset, &lines) == PRO_TK_NO_ERROR) ProWstringproarrayFree(lines);
  ProLine text;
  ProMessageToBuffer(text, const_cast<wchar_t*>(L"msg.txt"), "Key", nullptr, nullptr, nullptr,
                     nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
  ProEventProcess();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  tkclient::TEST_ResetClient();
  int fds[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) return 0;
  std::thread session(FakeSession, base::UniqueFd(fds[1]), data, size);
  ProProcessHandle handle{};
  if (tkclient::TEST_AttachStream(fds[0], "fuzz", nullptr, 0, &handle) == PRO_TK_NO_ERROR)
    CallEverything();
  tkclient::TEST_ResetClient();  // the session sees the end of the stream
  session.join();
  return 0;
}
