#include "port/log_file.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

#include "base/temp_dir.h"
#include "base/unique_fd.h"

namespace port {

std::string LogFilePath() { return base::TempDirectory() + "tav_cax_log.txt"; }

void AppendLogLine(const std::string& path, const std::string& line) {
  const int saved_errno = errno;  // the log must not disturb the caller's error state
  const base::UniqueFd fd(::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666));
  if (fd.valid()) {
    std::string data = line;
    data += '\n';
    const char* p = data.data();
    std::size_t left = data.size();
    while (left > 0) {
      const ssize_t n = ::write(fd.get(), p, left);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      p += n;
      left -= static_cast<std::size_t>(n);
    }
  }
  errno = saved_errno;
}

void AppendLogLine(const std::string& line) { AppendLogLine(LogFilePath(), line); }

}  // namespace port
