#include "port/last_error.h"

#include <cerrno>
#include <cstring>

#include "base/utf.h"

namespace port {
namespace {

// strerror_r comes in two flavours; overloads pick whichever the library has.
[[maybe_unused]] const char* Pick(int result, const char* buffer) {
  return result == 0 ? buffer : "Unknown error";
}
[[maybe_unused]] const char* Pick(const char* result, const char*) { return result; }

}  // namespace

int LastError() { return errno; }

std::wstring ErrorText(int error) {
  char buffer[256] = {};
  return base::Utf8ToWide(Pick(strerror_r(error, buffer, sizeof buffer), buffer));
}

std::wstring LastErrorText() { return ErrorText(errno); }

LastErrorKeeper::LastErrorKeeper() : errno_(errno) {}
LastErrorKeeper::~LastErrorKeeper() { errno = errno_; }

}  // namespace port
