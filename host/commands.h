#pragma once
// The commands of a tavhost script, and what they share while a script runs.
// Each command checks its arguments (UsageError), does its work and reports into
// a CommandOutput, or throws Failure. One script thread runs them in order.
#include <functional>
#include <string>
#include <vector>

#include "host/command_output.h"
#include "host/host_events.h"
#include "host/script_reader.h"
#include "tavproe2/ProeAsynCommand.h"
#include "tavproe2/ProeAsynConnector.h"

namespace tavhost {

struct Context {
  TAVCAX::TAVPROE2::ProeAsynConnector connector;
  TAVCAX::TAVPROE2::ProeAsynCommand command;
  std::string display;   // --display
  std::string start;     // --start: what connect starts when no session runs
  std::string programs;  // the directory of tavhost's own executable, for shell steps
  bool connected = false;
  int steps = 0;
  bool bold_headings = false;  // standard output is a terminal
  bool show_progress = false;  // standard error is a terminal and the output not JSON
  HostEvents* events = nullptr;

  TAVCAX::TAVPROE2::IProeAsynConnector& connect_api() { return connector; }
  TAVCAX::TAVPROE2::IProeAsynCommand& api() { return command; }
  // Throws Failure unless connect succeeded and no disconnect followed.
  void RequireConnection() const;
  // Throws Failure with the command object's status when `result` is not 0.
  void Check(int result);
  // The current model's full name, "" when there is none.
  std::string CurrentModel();
};

using Arguments = std::vector<std::string>;
using Handler = std::function<void(Context&, const CommandLine&, const Arguments&, CommandOutput&)>;

struct Command {
  std::string name;
  std::size_t min_args, max_args;
  std::string usage;    // "open PATH"
  std::string summary;  // one line for `help`
  Handler run;
  bool raw = false;  // takes the rest of the line unsplit (shell, step)
};

// Every command, in the order `help` lists them.
const std::vector<Command>& Commands();
const Command* FindCommand(const std::string& name);

// The groups, one per file.
void AddSessionCommands(std::vector<Command>* commands);
void AddExchangeCommands(std::vector<Command>* commands);
void AddDatabaseCommands(std::vector<Command>* commands);
void AddScriptCommands(std::vector<Command>* commands);

// Runs one command line: arguments checked against the command, then its handler.
void RunCommand(Context& context, const CommandLine& line, CommandOutput& output);

// "/data/plate.asm.3" -> "PLATE.ASM"; and the model's item type (1 assembly,
// 2 part, 4 drawing, 0 unknown).
std::string ModelName(const std::string& full_name);
int ModelItemType(const std::string& model_name);

}  // namespace tavhost
