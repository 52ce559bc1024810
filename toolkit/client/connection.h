#pragma once
// One connection to a session: a connected stream, a reader thread, the reply
// being waited for, and the queue of events the session sent.
//
// The reader thread owns the read side: it wakes the caller waiting for a reply
// and queues events in arrival order. Requests are serialised by Call(): one
// request is on the wire at a time, whatever thread makes it, so frames never
// interleave. Any thread may call any member. The connection ends (for good)
// when the session says "terminate", when the stream breaks or carries a bad
// frame, or when a request passes its deadline; from then on Call() fails at
// once, and exactly one termination event is queued (normal exit after
// "terminate", abnormal otherwise). Shutdown() ends it without queuing one.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "protocol/message.h"
#include "base/unique_fd.h"
#include "protocol/methods.h"

namespace tkclient {

// An event the session sent (or the termination the connection queued itself).
struct Event {
  std::string name;           // "command", "notify", "terminate", ...
  int term_status = 0;        // for "terminate": PROTERM_EXIT or PROTERM_ABNORMAL
  protocol::Message message;  // the wire message; its args are message.body
};

// A reply as received; `outs` points into `message`.
struct Reply {
  int code = 0;
  bool crash = false;  // the session asked for a machine fault in this call
  protocol::Message message;
  const msgpack::object& outs() const { return message.body; }
};

enum class CallOutcome { kReplied, kTimedOut, kBroken };

class Connection {
 public:
  using Clock = std::chrono::steady_clock;

  // Takes a connected, blocking stream and starts reading it.
  explicit Connection(base::UniqueFd fd);
  ~Connection();  // Shutdown(), then joins the reader
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // Sends method M's request (protocol/methods.h) and waits for its reply until
  // `deadline`. A request that passes its deadline ends the connection (kTimedOut).
  template <class M>
  CallOutcome Call(Clock::time_point deadline, Reply* reply, const typename M::Args& args) {
    std::lock_guard<std::mutex> serial(call_mu_);
    const std::uint64_t seq = ++last_seq_;
    return Exchange(seq, protocol::PackRequestOf<M>(seq, args), deadline, reply);
  }

  // The oldest queued event, if any.
  std::optional<Event> PopEvent();

  // While set, the connection ending is expected (the handshake, leaving):
  // it ends quietly and queues no termination.
  void SetQuietEnd(bool quiet);

  // Drops a queued termination (the application ended the session itself).
  void DiscardTermination();

  // False once the connection has ended.
  bool alive() const;

  // Ends the connection at once without queuing a termination; pending and
  // later calls fail. Idempotent.
  void Shutdown();

  // Ends the connection as if it broke (abnormal termination queued) unless it
  // has already ended.
  void Break(const char* why);

 private:
  CallOutcome Exchange(std::uint64_t seq, const std::string& payload, Clock::time_point deadline,
                       Reply* reply);
  void ReadLoop();
  void HandleMessage(protocol::Message message);
  // Marks the connection ended; queues the termination if `queue_status` != 0.
  // REQUIRES: mu_ held.
  void EndLocked(int queue_status);

  base::UniqueFd fd_;
  std::mutex call_mu_;  // one request on the wire at a time
  std::uint64_t last_seq_ = 0;

  mutable std::mutex mu_;  // guards everything below
  std::condition_variable cv_;
  std::uint64_t waiting_seq_ = 0;  // the seq a caller waits for, 0 for none
  std::optional<Reply> reply_;
  std::deque<Event> events_;
  bool ended_ = false;
  bool quiet_end_ = false;

  std::thread reader_;
};

}  // namespace tkclient
