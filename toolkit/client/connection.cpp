#include "toolkit/client/connection.h"

#include <ProConst.h>
#include <algorithm>
#include <climits>
#include <cstdio>

#include "protocol/frame.h"
#include "protocol/stream_socket.h"

namespace tkclient {
namespace {

// Milliseconds left until `deadline`, rounded up so that a wait never ends
// before it; 0 once it has passed.
int MillisecondsUntil(Connection::Clock::time_point deadline) {
  const auto left = deadline - Connection::Clock::now();
  if (left <= Connection::Clock::duration::zero()) return 0;
  const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
  return static_cast<int>(std::min<decltype(ms)>(ms, INT_MAX));
}

const char* Why(protocol::FrameStatus status) {
  switch (status) {
    case protocol::FrameStatus::kTooLarge:
      return "oversized frame";
    case protocol::FrameStatus::kClosed:
      return "the session closed the connection";
    default:
      return "the stream broke inside a frame";
  }
}

}  // namespace

Connection::Connection(protocol::UniqueSocket fd) : fd_(std::move(fd)) {}

Connection::~Connection() { Shutdown(); }

std::optional<Event> Connection::PopEvent() {
  ReadArrived();
  std::lock_guard<std::mutex> lock(mu_);
  if (events_.empty()) return std::nullopt;
  Event e = std::move(events_.front());
  events_.pop_front();
  return e;
}

void Connection::DiscardTermination() {
  std::lock_guard<std::mutex> lock(mu_);
  for (auto it = events_.begin(); it != events_.end();) {
    if (it->name == "terminate")
      it = events_.erase(it);
    else
      ++it;
  }
}

bool Connection::alive() {
  ReadArrived();
  std::lock_guard<std::mutex> lock(mu_);
  return !ended_;
}

void Connection::Shutdown() {
  std::lock_guard<std::mutex> lock(mu_);
  EndLocked(0);
}

void Connection::SetQuietEnd(bool quiet) {
  std::lock_guard<std::mutex> lock(mu_);
  quiet_end_ = quiet;
}

void Connection::BreakLocked(const char* why) {
  if (ended_) return;
  if (quiet_end_) {
    EndLocked(0);
    return;
  }
  std::fprintf(stderr, "toolkit client: connection to the session lost: %s\n", why);
  EndLocked(PROTERM_ABNORMAL);
}

void Connection::EndLocked(int queue_status) {
  if (ended_) return;
  ended_ = true;
  if (queue_status != 0) {
    Event e;
    e.name = "terminate";
    e.term_status = queue_status;
    events_.push_back(std::move(e));
  }
  // Wakes a thread waiting to read, and makes every later write fail.
  protocol::ShutdownBoth(fd_.get());
  cv_.notify_all();
}

CallOutcome Connection::Exchange(std::uint64_t seq, const std::string& payload,
                                 Clock::time_point deadline, Reply* reply) {
  {
    std::lock_guard<std::mutex> lock(mu_);
    if (ended_) return CallOutcome::kBroken;
    waiting_seq_ = seq;
    reply_.reset();
  }
  // A failed write means the peer is going away; what it sent before (a
  // goodbye, say) is still to be read, and decides how the connection ended.
  // The deadline still bounds the wait.
  const bool sent = protocol::WriteFrame(fd_.get(), payload);
  std::unique_lock<std::mutex> lock(mu_);
  for (;;) {
    if (sent && reply_) {
      *reply = std::move(*reply_);
      reply_.reset();
      waiting_seq_ = 0;
      return CallOutcome::kReplied;
    }
    if (ended_) {
      waiting_seq_ = 0;
      return CallOutcome::kBroken;
    }
    if (Clock::now() >= deadline) break;
    if (reading_)
      cv_.wait_until(lock, deadline);  // the reader hands our reply over, or gives back
    else
      ReadOneLocked(lock, MillisecondsUntil(deadline));
  }
  waiting_seq_ = 0;
  if (!quiet_end_)
    std::fprintf(stderr, "toolkit client: connection to the session lost: no answer in time\n");
  EndLocked(quiet_end_ ? 0 : PROTERM_ABNORMAL);
  return CallOutcome::kTimedOut;
}

void Connection::ReadArrived() {
  std::unique_lock<std::mutex> lock(mu_);
  while (!ended_ && !reading_ && ReadOneLocked(lock, 0)) {
  }
}

bool Connection::ReadOneLocked(std::unique_lock<std::mutex>& lock, int timeout_ms) {
  reading_ = true;
  lock.unlock();
  std::string payload;
  const protocol::FrameStatus status = frames_.Next(fd_.get(), &payload, timeout_ms);
  protocol::Message message;
  std::string error;
  const bool decoded =
      status == protocol::FrameStatus::kOk && protocol::Decode(payload, &message, &error);
  lock.lock();
  reading_ = false;
  // Whoever waits for the read side (or for the reply just handled) goes on
  // once this thread lets go of mu_; without waiters this costs nothing.
  cv_.notify_all();
  if (status == protocol::FrameStatus::kPending) return false;
  if (status != protocol::FrameStatus::kOk)
    BreakLocked(Why(status));
  else if (!decoded)
    BreakLocked(error.c_str());
  else if (message.kind == protocol::Kind::kRequest)
    BreakLocked("the session sent a request");
  else
    HandleMessageLocked(std::move(message));
  return true;
}

void Connection::HandleMessageLocked(protocol::Message message) {
  if (ended_) return;
  if (message.kind == protocol::Kind::kReply) {
    // A reply nobody waits for (its caller gave up) is dropped.
    if (message.seq != waiting_seq_ || reply_) return;
    Reply r;
    r.code = message.code;
    r.crash = message.directive == "crash";
    r.message = std::move(message);
    reply_ = std::move(r);
    return;
  }
  Event e;
  e.name = message.name;
  if (e.name == "terminate") {
    int status = PROTERM_EXIT;
    try {
      status = protocol::Arg<int>(message.body, 0);
    } catch (const std::exception&) {
    }
    if (status != PROTERM_EXIT && status != PROTERM_ABNORMAL && status != PROTERM_SIGNAL)
      status = PROTERM_EXIT;
    e.term_status = status;
    e.message = std::move(message);
    events_.push_back(std::move(e));
    // The session closes right after saying goodbye: nothing more to read.
    EndLocked(0);
    return;
  }
  e.message = std::move(message);
  events_.push_back(std::move(e));
}

}  // namespace tkclient
