#pragma once
// How a toolkit function carries itself to the session: Invoke() sends one
// request on the current connection and waits for the answer; OutAt() reads
// the reply's out-values; Guarded() turns the client's own failures (memory,
// an answer of the wrong shape) into status codes.
//
// Invoke() holds no lock of the client when it returns, and that is when a
// "crash" directive raises its machine fault: the exception unwinds through
// the toolkit function and only destroys locals on the way.
#include <ProToolkit.h>
#include <cstdint>
#include <new>
#include <stdexcept>
#include <string_view>

#include "protocol/message.h"
#include "toolkit/client/client_state.h"
#include "toolkit/client/connection.h"
#include "toolkit/client/machine_fault.h"

namespace tkclient {

// Thrown when a reply does not have the shape its request promised.
struct BadReply : std::runtime_error {
  using std::runtime_error::runtime_error;
};

template <class... A>
ProError Invoke(std::string_view name, Reply* reply, const A&... args) {
  {
    std::shared_ptr<Connection> conn = CurrentConnection();
    if (!conn) return PRO_TK_COMM_ERROR;
    const CallOutcome outcome =
        conn->Call(Connection::Clock::now() + RequestDeadline(), reply, name, args...);
    if (outcome != CallOutcome::kReplied) return PRO_TK_COMM_ERROR;
  }
  if (reply->crash) RaiseMachineFault();
  return static_cast<ProError>(reply->code);
}

// A call whose answer carries nothing but its code.
template <class... A>
ProError InvokeCode(std::string_view name, const A&... args) {
  Reply reply;
  return Invoke(name, &reply, args...);
}

template <class T>
T OutAt(const Reply& reply, std::uint32_t i) {
  try {
    return protocol::Arg<T>(reply.outs(), i);
  } catch (const std::bad_alloc&) {
    throw;
  } catch (const std::exception& e) {
    throw BadReply(e.what());
  }
}

// Runs body (returning ProError); memory exhaustion gives PRO_TK_OUT_OF_MEMORY
// and an answer of the wrong shape PRO_TK_COMM_ERROR. Other exceptions (the
// machine-fault translation) pass through untouched.
template <class F>
ProError Guarded(F&& body) {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return PRO_TK_OUT_OF_MEMORY;
  } catch (const BadReply&) {
    return PRO_TK_COMM_ERROR;
  } catch (const msgpack::type_error&) {
    return PRO_TK_COMM_ERROR;
  }
}

}  // namespace tkclient
