#pragma once
// What one command reports: lines and tables for a person, fields for a script
// (--json). A command fills both; the runner prints one of them when the command
// ends, also after a failure, so a failing `check` still shows what it found.
#include <string>

#include <nlohmann/json.hpp>

#include "host/text_table.h"

namespace tavhost {

class CommandOutput {
 public:
  // A line for a person.
  void Line(const std::string& text) { text_ += text + '\n'; }
  // A field of the command's JSON object.
  void Set(const std::string& key, nlohmann::json value) { fields_[key] = std::move(value); }
  // A table for a person, under `caption` (indented then) when not empty; without
  // its header and rule when `header` is false.
  void Print(const TextTable& table, const std::string& caption = "", bool header = true);
  // A table for both: printed, and the list of its rows under `key`.
  void Table(const std::string& key, const TextTable& table, const std::string& caption = "") {
    Print(table, caption);
    Set(key, table.ToJson());
  }

  const std::string& text() const { return text_; }
  const nlohmann::json& fields() const { return fields_; }

 private:
  std::string text_;
  nlohmann::json fields_ = nlohmann::json::object();
};

}  // namespace tavhost
