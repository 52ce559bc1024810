// The message area: ProMessageDisplay, ProMessageToBuffer, ProMessageClear.
//
// The values arrive as pointers in a variadic list whose types only the
// message's format knows, so the client first asks the session for the
// format's argument types, then reads exactly that many pointers.
#include <ProMessage.h>
#include <cstdarg>
#include <utility>

#include "toolkit/client/c_edge.h"
#include "toolkit/client/call.h"
#include "toolkit/client/wide_text.h"
#include "toolkit/client/wire_types.h"

using namespace tkclient;

namespace {

constexpr std::size_t kMaxValues = 10;

// Reads the caller's value pointers as `types` says ("w", "s", "d", "f", or
// "-" for a position the format skips: its pointer is read past and sent as nil).
ProError ReadValues(const std::string& types, va_list ap, method::Values* values) {
  if (types.size() > kMaxValues) return PRO_TK_MSG_FMT_ERROR;
  for (char t : types) {
    const void* p = va_arg(ap, const void*);
    protocol::MessageValue v;
    if (p) {
      switch (t) {
        case 'w':
          v.kind = protocol::MessageValue::kText;
          v.text = ToUtf8(static_cast<const wchar_t*>(p));
          break;
        case 's':
          v.kind = protocol::MessageValue::kText;
          v.text = static_cast<const char*>(p);
          break;
        case 'd':
          v.kind = protocol::MessageValue::kInteger;
          v.integer = *static_cast<const int*>(p);
          break;
        case 'f':
          v.kind = protocol::MessageValue::kDouble;
          v.real = *static_cast<const double*>(p);
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

// The values of a message's arguments: their types from the session's message
// file, each read through the caller's pointer.
ProError MessageValues(const std::string& file, const std::string& key, va_list ap,
                       method::Values* values) {
  std::string types;
  const ProError e = InvokeOne<method::ProMessageArgTypes>(&types, file, key);
  if (e != PRO_TK_NO_ERROR) return e;
  return ReadValues(types, ap, values);
}

}  // namespace

extern "C" {

ProError ProMessageDisplay(ProFileName file, const char* key, ...) try {
  if (!file || !key) return PRO_TK_BAD_INPUTS;
  va_list ap;
  va_start(ap, key);
  const ProError result = Guarded([&] {
    const std::string f = ToUtf8(file);
    const std::string k = key;
    method::Values values;
    const ProError e = MessageValues(f, k, ap, &values);
    if (e != PRO_TK_NO_ERROR) return e;
    return InvokeCode<method::ProMessageDisplay>(f, k, std::move(values));
  });
  va_end(ap);
  return result;
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

ProError ProMessageToBuffer(ProLine translated_msg, ProFileName file, const char* key, ...) try {
  if (!translated_msg || !file || !key) return PRO_TK_BAD_INPUTS;
  va_list ap;
  va_start(ap, key);
  const ProError result = Guarded([&] {
    using M = method::ProMessageToBuffer;
    const std::string f = ToUtf8(file);
    const std::string k = key;
    method::Values values;
    ProError e = MessageValues(f, k, ap, &values);
    if (e != PRO_TK_NO_ERROR) return e;
    Reply reply;
    e = Send<M>(&reply, f, k, std::move(values));
    // A text that was too long still arrives, cut to the line's size; an injected
    // failure may come without it.
    if (e == PRO_TK_NO_ERROR ||
        (protocol::CarriesOuts<M>(e) && protocol::ArgCount(reply.outs()) > 0))
      CopyToWide(std::get<0>(OutsOf<M>(reply)), translated_msg, PRO_LINE_SIZE);
    return e;
  });
  va_end(ap);
  return result;
}
TAV_C_EDGE(PRO_TK_GENERAL_ERROR)

void ProMessageClear(void) try {
  Guarded([&] { return InvokeCode<method::ProMessageClear>(); });
}
TAV_C_EDGE_VOID

}  // extern "C"
