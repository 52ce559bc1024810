#include "tests/client/fake_session.h"

#include <stdexcept>
#include <sys/socket.h>
#include <thread>

#include <gtest/gtest.h>

#include "protocol/values.h"
#include "toolkit/client/test_hooks.h"

namespace clienttest {

FakeSession::FakeSession() {
  int sv[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sv) != 0)
    throw std::runtime_error("socketpair failed");
  client_fd_ = base::UniqueFd(sv[0]);
  fd_ = base::UniqueFd(sv[1]);
}

ProError FakeSession::Attach(ProProcessHandle* handle, int word1, int word2) {
  std::thread hello([&] {
    protocol::Message m;
    if (Read(&m) && m.name == "hello") Reply(m, 0, protocol::ProcessHandle{word1, word2});
  });
  const ProError e = tkclient::TEST_AttachStream(client_fd_.release(), "", nullptr, 0, handle);
  hello.join();
  return e;
}

bool FakeSession::Read(protocol::Message* request) {
  std::string payload;
  if (protocol::ReadFrame(fd_.get(), &payload) != protocol::FrameStatus::kOk) return false;
  std::string error;
  return protocol::Decode(payload, request, &error);
}

protocol::Message FakeSession::Expect(const std::string& name) {
  protocol::Message m;
  EXPECT_TRUE(Read(&m)) << "expected request " << name;
  EXPECT_EQ(m.name, name);
  return m;
}

void FakeSession::SendRaw(const std::string& bytes) {
  std::size_t off = 0;
  while (off < bytes.size()) {
    const ssize_t n = ::send(fd_.get(), bytes.data() + off, bytes.size() - off, MSG_NOSIGNAL);
    if (n <= 0) return;
    off += static_cast<std::size_t>(n);
  }
}

// shutdown() rather than close(): it also wakes a session thread blocked in
// read() on this end, and the client sees the same end of stream.
void FakeSession::Close() { ::shutdown(fd_.get(), SHUT_RDWR); }

}  // namespace clienttest
