#pragma once
// How a toolkit function carries itself to the session, through its method's
// definition in protocol/methods.h: Send<M>() sends one request on the current
// connection and waits for the answer; Invoke<M>() also reads the reply's outs;
// Guarded() turns the client's own failures (memory, an answer of the wrong
// shape) into status codes. The arguments must have exactly the method's
// declared types, so a call that no longer fits its method does not compile.
//
// Send() holds no lock of the client when it returns, and that is when a
// "crash" directive raises its machine fault: the exception unwinds through
// the toolkit function and only destroys locals on the way.
#include <ProToolkit.h>
#include <cstdint>
#include <new>
#include <stdexcept>
#include <tuple>
#include <type_traits>
#include <utility>

#include "protocol/message.h"
#include "protocol/methods.h"
#include "toolkit/client/client_state.h"
#include "toolkit/client/connection.h"
#include "toolkit/client/machine_fault.h"

namespace tkclient {

namespace method = protocol::method;

// Thrown when a reply does not have the shape its request promised.
struct BadReply : std::runtime_error {
  using std::runtime_error::runtime_error;
};

template <class M, class... A>
ProError Send(Reply* reply, A&&... args) {
  static_assert(std::is_same<std::tuple<std::decay_t<A>...>, typename M::Args>::value,
                "the arguments differ from the method's definition");
  {
    std::shared_ptr<Connection> conn = CurrentConnection();
    if (!conn) return PRO_TK_COMM_ERROR;
    const CallOutcome outcome = conn->Call<M>(Connection::Clock::now() + RequestDeadline(), reply,
                                              typename M::Args(std::forward<A>(args)...));
    if (outcome != CallOutcome::kReplied) return PRO_TK_COMM_ERROR;
  }
  if (reply->crash) RaiseMachineFault();
  return static_cast<ProError>(reply->code);
}

// The reply's outs as method M declares them; BadReply when they differ.
template <class M>
typename M::Outs OutsOf(const Reply& reply) {
  try {
    return protocol::OutsOf<M>(reply.message);
  } catch (const std::bad_alloc&) {
    throw;
  } catch (const std::exception& e) {
    throw BadReply(e.what());
  }
}

// Sends M's request; on success *outs receives the reply's outs.
template <class M, class... A>
ProError Invoke(typename M::Outs* outs, A&&... args) {
  Reply reply;
  const ProError e = Send<M>(&reply, std::forward<A>(args)...);
  if (e == PRO_TK_NO_ERROR) *outs = OutsOf<M>(reply);
  return e;
}

// A method with one out: on success *out receives it.
template <class M, class... A>
ProError InvokeOne(std::tuple_element_t<0, typename M::Outs>* out, A&&... args) {
  static_assert(std::tuple_size<typename M::Outs>::value == 1, "the method has several outs");
  typename M::Outs outs;
  const ProError e = Invoke<M>(&outs, std::forward<A>(args)...);
  if (e == PRO_TK_NO_ERROR) *out = std::move(std::get<0>(outs));
  return e;
}

// A method whose answer carries nothing but its code.
template <class M, class... A>
ProError InvokeCode(A&&... args) {
  static_assert(std::tuple_size<typename M::Outs>::value == 0, "the method has outs");
  Reply reply;
  return Send<M>(&reply, std::forward<A>(args)...);
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

// A guarded call of a method with one integer out, read as the integral or
// enumeration type T: on success *out receives it.
template <class M, class T, class... A>
ProError InvokeInt(T* out, A&&... args) {
  return Guarded([&] {
    int value = 0;
    const ProError e = InvokeOne<M>(&value, std::forward<A>(args)...);
    if (e == PRO_TK_NO_ERROR) *out = static_cast<T>(value);
    return e;
  });
}

}  // namespace tkclient
