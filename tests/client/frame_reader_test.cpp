// The buffered frame reader the client and the session read with: frames come
// back whole however the stream cuts them, larger than its buffer or many in one
// read. Broken streams are the client's and the server's broken-frame tests.
#include "protocol/frame_reader.h"

#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

#include "base/unique_fd.h"

namespace {

using protocol::FrameStatus;

std::string Framed(const std::string& payload) {
  const auto n = static_cast<std::uint32_t>(payload.size());
  return std::string{char(n >> 24), char(n >> 16), char(n >> 8), char(n)} + payload;
}

TEST(FrameReaderTest, ReturnsEveryFrameWholeHoweverTheStreamCutsIt) {
  std::vector<std::string> payloads;
  for (std::size_t size : {1u, 3u, 65533u, 65536u + 17u, 300000u, 2u})
    payloads.push_back(std::string(size, static_cast<char>('a' + payloads.size())));
  std::string stream;
  for (const std::string& p : payloads) stream += Framed(p);

  int fds[2];
  ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds), 0);
  base::UniqueFd read_end(fds[0]), write_end(fds[1]);
  protocol::FrameReader reader;
  std::string payload;
  EXPECT_EQ(reader.Next(read_end.get(), &payload, 0), FrameStatus::kPending)
      << "nothing there, and no wait";
  std::thread writer([&] {
    // Pieces that cut lengths and bodies anywhere, and some holding several frames.
    const std::size_t pieces[] = {1, 2, 7, 4096, 70000, 5, 200000};
    std::size_t at = 0;
    for (int k = 0; at < stream.size(); ++k) {
      const std::size_t n = std::min(pieces[k % 7], stream.size() - at);
      ASSERT_EQ(::write(write_end.get(), stream.data() + at, n), static_cast<ssize_t>(n));
      at += n;
    }
    write_end.reset();
  });
  for (const std::string& expected : payloads) {
    FrameStatus status;
    while ((status = reader.Next(read_end.get(), &payload, 5000)) == FrameStatus::kPending) {
    }
    ASSERT_EQ(status, FrameStatus::kOk);
    EXPECT_EQ(payload, expected);
  }
  EXPECT_EQ(reader.Next(read_end.get(), &payload), FrameStatus::kClosed);
  writer.join();
}

}  // namespace
