#pragma once
// A session peer the test plays by hand over a socket pair: it reads the
// client's requests and writes replies, events, or broken frames. The client
// end is handed to the toolkit client with TEST_AttachStream.
//
// One FakeSession belongs to one test; its methods are called from the test's
// own "session" thread (or the test thread), never from two threads at once.
#include <ProCore.h>
#include <cstdint>
#include <string>
#include <tuple>

#include "base/unique_fd.h"
#include "protocol/frame.h"
#include "protocol/message.h"

namespace clienttest {

class FakeSession {
 public:
  FakeSession();  // makes the socket pair

  // Attaches the client to this session, answering its hello with the given
  // handle words. Returns the client's result.
  ProError Attach(ProProcessHandle* handle, int word1 = 7, int word2 = 9);

  // Reads the next request; false when the client closed or sent garbage.
  bool Read(protocol::Message* request);

  // Reads the next request and checks its name (a gtest failure otherwise).
  protocol::Message Expect(const std::string& name);

  template <class... O>
  void Reply(const protocol::Message& request, int code, const O&... outs) {
    protocol::WriteFrame(fd_.get(),
                         protocol::PackReply(request.seq, code, "", std::make_tuple(outs...)));
  }
  template <class... A>
  void Event(const std::string& name, const A&... args) {
    protocol::WriteFrame(fd_.get(), protocol::PackEvent(name, args...));
  }

  // Raw bytes, as a broken session might send them.
  void SendRaw(const std::string& bytes);
  void Close();

 private:
  base::UniqueFd fd_;
  base::UniqueFd client_fd_;
};

}  // namespace clienttest
