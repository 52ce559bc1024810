// The message area: ProMessageDisplay, ProMessageToBuffer, ProMessageClear.
//
// The values arrive as pointers in a variadic list whose types only the
// message's format knows, so the client first asks the session for the
// format's argument types, then reads exactly that many pointers.
#include <ProMessage.h>
#include <cstdarg>
#include <vector>

#include "toolkit/client/call.h"
#include "toolkit/client/wide_text.h"
#include "toolkit/client/wire_types.h"

using namespace tkclient;

namespace {

constexpr std::size_t kMaxValues = 10;

// Reads the caller's value pointers as `types` says ("w", "s", "d", "f", or
// "-" for a position the format skips: its pointer is read past and sent as nil).
ProError ReadValues(const std::string& types, va_list ap, std::vector<WireValue>* values) {
  if (types.size() > kMaxValues) return PRO_TK_MSG_FMT_ERROR;
  for (char t : types) {
    const void* p = va_arg(ap, const void*);
    WireValue v;
    if (p) {
      switch (t) {
        case 'w':
          v.kind = WireValue::Kind::kText;
          v.text = ToUtf8(static_cast<const wchar_t*>(p));
          break;
        case 's':
          v.kind = WireValue::Kind::kText;
          v.text = static_cast<const char*>(p);
          break;
        case 'd':
          v.kind = WireValue::Kind::kInt;
          v.i = *static_cast<const int*>(p);
          break;
        case 'f':
          v.kind = WireValue::Kind::kDouble;
          v.d = *static_cast<const double*>(p);
          break;
        case '-':
          break;  // a position the format does not use: nil
        default:
          return PRO_TK_MSG_FMT_ERROR;
      }
    }
    values->push_back(std::move(v));
  }
  return PRO_TK_NO_ERROR;
}

ProError ArgTypes(const std::string& file, const std::string& key, std::string* types) {
  Reply reply;
  const ProError e = Invoke("ProMessageArgTypes", &reply, file, key);
  if (e != PRO_TK_NO_ERROR) return e;
  *types = OutAt<std::string>(reply, 0);
  return PRO_TK_NO_ERROR;
}

// The values of a message's arguments: their types from the session's message
// file, each read through the caller's pointer.
ProError MessageValues(const std::string& file, const char* key, va_list ap,
                       std::vector<WireValue>* values) {
  std::string types;
  const ProError e = ArgTypes(file, key, &types);
  if (e != PRO_TK_NO_ERROR) return e;
  return ReadValues(types, ap, values);
}

}  // namespace

extern "C" {

ProError ProMessageDisplay(ProFileName file, const char* key, ...) {
  if (!file || !key) return PRO_TK_BAD_INPUTS;
  va_list ap;
  va_start(ap, key);
  const ProError result = Guarded([&] {
    const std::string f = ToUtf8(file);
    std::vector<WireValue> values;
    const ProError e = MessageValues(f, key, ap, &values);
    if (e != PRO_TK_NO_ERROR) return e;
    return InvokeCode("ProMessageDisplay", f, std::string(key), values);
  });
  va_end(ap);
  return result;
}

ProError ProMessageToBuffer(ProLine translated_msg, ProFileName file, const char* key, ...) {
  if (!translated_msg || !file || !key) return PRO_TK_BAD_INPUTS;
  va_list ap;
  va_start(ap, key);
  const ProError result = Guarded([&] {
    const std::string f = ToUtf8(file);
    std::vector<WireValue> values;
    ProError e = MessageValues(f, key, ap, &values);
    if (e != PRO_TK_NO_ERROR) return e;
    Reply reply;
    e = Invoke("ProMessageToBuffer", &reply, f, std::string(key), values);
    const bool has_text = protocol::ArgCount(reply.outs()) > 0;
    if (e == PRO_TK_NO_ERROR && !has_text) throw BadReply("no text in the answer");
    // A text that was too long still arrives, cut to the line's size.
    if (has_text && (e == PRO_TK_NO_ERROR || e == PRO_TK_MSG_TOO_LONG))
      CopyToWide(OutAt<std::string>(reply, 0), translated_msg, PRO_LINE_SIZE);
    return e;
  });
  va_end(ap);
  return result;
}

void ProMessageClear(void) {
  Guarded([&] { return InvokeCode("ProMessageClear"); });
}

}  // extern "C"
