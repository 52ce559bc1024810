#include "toolkit/client/connection.h"

#include <ProConst.h>
#include <cstdio>
#include <sys/socket.h>

#include "protocol/frame.h"

namespace tkclient {

Connection::Connection(base::UniqueFd fd) : fd_(std::move(fd)) {
  reader_ = std::thread([this] { ReadLoop(); });
}

Connection::~Connection() {
  Shutdown();
  if (reader_.joinable()) reader_.join();
}

std::optional<Event> Connection::PopEvent() {
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

bool Connection::alive() const {
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

void Connection::Break(const char* why) {
  std::lock_guard<std::mutex> lock(mu_);
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
  // Wakes the reader out of read() and makes every later write fail.
  ::shutdown(fd_.get(), SHUT_RDWR);
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
  // goodbye, say) is still to be read, so the reader decides how the
  // connection ended. The deadline still bounds the wait.
  const bool sent = protocol::WriteFrame(fd_.get(), payload);
  std::unique_lock<std::mutex> lock(mu_);
  cv_.wait_until(lock, deadline, [&] { return (sent && reply_.has_value()) || ended_; });
  waiting_seq_ = 0;
  if (sent && reply_) {
    *reply = std::move(*reply_);
    reply_.reset();
    return CallOutcome::kReplied;
  }
  if (ended_) return CallOutcome::kBroken;
  if (!quiet_end_)
    std::fprintf(stderr, "toolkit client: connection to the session lost: no answer in time\n");
  EndLocked(quiet_end_ ? 0 : PROTERM_ABNORMAL);
  return CallOutcome::kTimedOut;
}

void Connection::ReadLoop() {
  for (;;) {
    std::string payload;
    const protocol::FrameStatus st = protocol::ReadFrame(fd_.get(), &payload);
    if (st != protocol::FrameStatus::kOk) {
      Break(st == protocol::FrameStatus::kTooLarge ? "oversized frame"
            : st == protocol::FrameStatus::kClosed ? "the session closed the connection"
                                                   : "the stream broke inside a frame");
      return;
    }
    protocol::Message message;
    std::string error;
    if (!protocol::Decode(payload, &message, &error)) {
      Break(error.c_str());
      return;
    }
    if (message.kind == protocol::Kind::kRequest) {
      Break("the session sent a request");
      return;
    }
    HandleMessage(std::move(message));
    if (!alive()) return;
  }
}

void Connection::HandleMessage(protocol::Message message) {
  std::lock_guard<std::mutex> lock(mu_);
  if (ended_) return;
  if (message.kind == protocol::Kind::kReply) {
    // A reply nobody waits for (its caller gave up) is dropped.
    if (message.seq != waiting_seq_ || reply_) return;
    Reply r;
    r.code = message.code;
    r.crash = message.directive == "crash";
    r.message = std::move(message);
    reply_ = std::move(r);
    cv_.notify_all();
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
