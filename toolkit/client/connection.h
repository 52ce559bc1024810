#pragma once
// One connection to a session: a connected stream, the reply being waited for,
// and the queue of events the session sent.
//
// There is no reader thread: whoever needs to hear from the session reads the
// stream itself. Call() sends its request and reads until its reply arrives,
// queuing the events it meets on the way, in arrival order; PopEvent() and
// alive() read what has arrived without waiting. One thread at a time holds the
// read side; another that needs it meanwhile waits for it to be given back (or for
// its reply, which the holder hands over). So an answered call costs no thread
// wake-up, and events still run only where the application processes them.
//
// Requests are serialised by Call(): one request is on the wire at a time,
// whatever thread makes it, so frames never interleave. Any thread may call any
// member. The connection ends (for good) when the session says "terminate", when
// the stream breaks or carries a bad frame, or when a request passes its
// deadline; from then on Call() fails at once, and exactly one termination event
// is queued (normal exit after "terminate", abnormal otherwise). A session that
// goes away while nobody calls is noticed by the next read (PopEvent, alive,
// Call). Shutdown() ends the connection without queuing a termination.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>

#include "protocol/frame_reader.h"
#include "protocol/message.h"
#include "protocol/methods.h"
#include "protocol/stream_socket.h"

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

  // Takes a connected, blocking stream.
  explicit Connection(protocol::UniqueSocket fd);
  ~Connection();  // Shutdown()
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

  // The oldest queued event, if any, after reading what has arrived.
  std::optional<Event> PopEvent();

  // While set, the connection ending is expected (the handshake, leaving):
  // it ends quietly and queues no termination.
  void SetQuietEnd(bool quiet);

  // Drops a queued termination (the application ended the session itself).
  void DiscardTermination();

  // False once the connection has ended; reads what has arrived first, so that
  // a session that went away is noticed.
  bool alive();

  // Ends the connection at once without queuing a termination; pending and
  // later calls fail. Idempotent.
  void Shutdown();

 private:
  CallOutcome Exchange(std::uint64_t seq, const std::string& payload, Clock::time_point deadline,
                       Reply* reply);
  // Reads whatever has arrived, without waiting, unless another thread reads.
  void ReadArrived();
  // Takes the read side, reads at most one frame (waiting at most `timeout_ms`
  // for it, 0: not at all) and handles it, then gives the read side back.
  // Returns whether a frame (or the stream's end) was handled.
  // REQUIRES: `lock` holds mu_ and nobody reads (!reading_).
  bool ReadOneLocked(std::unique_lock<std::mutex>& lock, int timeout_ms);
  // REQUIRES: mu_ held.
  void HandleMessageLocked(protocol::Message message);
  // Ends the connection as if it broke (abnormal termination queued, unless the
  // end is expected) unless it has already ended. REQUIRES: mu_ held.
  void BreakLocked(const char* why);
  // Marks the connection ended; queues the termination if `queue_status` != 0.
  // REQUIRES: mu_ held.
  void EndLocked(int queue_status);

  protocol::UniqueSocket fd_;
  std::mutex call_mu_;  // one request on the wire at a time
  std::uint64_t last_seq_ = 0;
  protocol::FrameReader frames_;  // only the thread holding the read side uses it

  std::mutex mu_;                  // guards everything below
  std::condition_variable cv_;     // the read side came back, or the connection ended
  bool reading_ = false;           // a thread holds the read side
  std::uint64_t waiting_seq_ = 0;  // the seq a caller waits for, 0 for none
  std::optional<Reply> reply_;
  std::deque<Event> events_;
  bool ended_ = false;
  bool quiet_end_ = false;
};

}  // namespace tkclient
