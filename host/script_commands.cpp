// The commands of the script itself: headings, shell steps, help.
#include <cstdio>
#include <iostream>

#include "host/commands.h"
#include "host/failure.h"
#include "host/system.h"

namespace tavhost {
namespace {

void Step(Context& c, const CommandLine&, const Arguments& args, CommandOutput& out) {
  const std::string title = std::to_string(++c.steps) + ". " + args[0];
  out.Line(c.bold_headings ? "\n\033[1m== " + title + "\033[0m" : "\n== " + title);
  out.Set("step", c.steps);
  out.Set("title", args[0]);
}

void Shell(Context& c, const CommandLine&, const Arguments& args, CommandOutput& out) {
  std::cout.flush();
  // The script may come on standard input: the command must not read it. The
  // programs built with tavhost (proe_sim) come first on the PATH.
  std::string text;
  const int code = RunShell(args[0], c.programs, &text);
  if (code < 0) throw Failure(-1, "cannot start the shell");
  while (!text.empty() && text.back() == '\n') text.pop_back();
  if (!text.empty()) out.Line(text);
  out.Set("output", text);
  out.Set("exit", code);
  if (code != 0) throw Failure(code, "the shell command ended with status " + std::to_string(code));
}

void Help(Context&, const CommandLine&, const Arguments& args, CommandOutput& out) {
  nlohmann::json list = nlohmann::json::array();
  for (const Command& command : Commands()) {
    if (!args.empty() && args[0] != command.name) continue;
    out.Line(command.usage + "\n    " + command.summary);
    list.push_back({{"usage", command.usage}, {"summary", command.summary}});
  }
  if (list.empty()) throw UsageError("no command '" + args[0] + "' (help lists them)");
  out.Set("commands", list);
}

}  // namespace

void AddScriptCommands(std::vector<Command>* commands) {
  Command step{"step", 1, 1, "step TITLE", "print a numbered heading", Step};
  step.raw = true;
  Command shell{"shell",
                1,
                1,
                "shell COMMAND",
                "run COMMAND with /bin/sh (TAVHOST_DISPLAY names the display); fail unless it "
                "exits 0",
                Shell};
  shell.raw = true;
  commands->push_back(step);
  commands->push_back(shell);
  commands->push_back({"help", 0, 1, "help [COMMAND]", "this list", Help});
}

}  // namespace tavhost
