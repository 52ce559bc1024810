#include "port/log_file.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

#include "port/files.h"

namespace port {

std::string LogFilePath() { return TempDirectory() + "tav_cax_log.txt"; }

void AppendLogLine(const std::string& path, const std::string& line) {
  const int saved_errno = errno;  // the log must not disturb the caller's error state
  const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
  if (fd >= 0) {
    std::string data = line;
    data += '\n';
    const char* p = data.data();
    std::size_t left = data.size();
    while (left > 0) {
      const ssize_t n = ::write(fd, p, left);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      p += n;
      left -= static_cast<std::size_t>(n);
    }
    ::close(fd);
  }
  errno = saved_errno;
}

void AppendLogLine(const std::string& line) { AppendLogLine(LogFilePath(), line); }

}  // namespace port
