#pragma once
// How a tavhost command ends when it does not succeed. A Failure is an operation
// that failed (exit status 1): the module's status code and text, or tavhost's
// own (-1 and a sentence). A UsageError is a command written wrongly (exit
// status 2): unknown name, wrong arguments.
#include <stdexcept>
#include <string>

namespace tavhost {

class Failure : public std::runtime_error {
 public:
  Failure(int status, const std::string& message) : std::runtime_error(message), status_(status) {}
  int status() const { return status_; }

 private:
  int status_;
};

class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace tavhost
