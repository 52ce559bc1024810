// tavhost, the reference host: runs a script of commands against a CAD session
// through the TavProe2Interface module, as any host would (see --help).
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>

#include "host/commands.h"
#include "host/failure.h"
#include "host/host_events.h"
#include "host/script_reader.h"
#include "host/system.h"
#include "host/text_table.h"
#include "host/wide_text.h"

namespace {

using namespace tavhost;

constexpr int kOk = 0, kFailed = 1, kUsage = 2;

const char kHelp[] =
    R"(usage: tavhost [OPTIONS] [SCRIPT | -]

Drives a CAD session through the TavProe2Interface module, one command per line:
from the file SCRIPT, or from standard input (SCRIPT "-" or none). When standard
input is a terminal and no SCRIPT is given, tavhost prompts for commands and goes
on after a failed one. One process holds one connection for the whole script.

Options:
  --display D     join the session serving display D (default: the default
                  display); shell steps see it as $TAVHOST_DISPLAY
  --start CMD     the program `connect` starts when no session runs and the
                  command names none; without it connect only joins a session
  --keep-going    run the rest of a script after a failed command
  --json          print one JSON object per command result, one per line:
                  {"line", "command", "args", "ok", ...} and, on failure,
                  "status" and "message" (or "usage": true)
  --echo          print each command, after "> ", before its output
  --wide          print table cells in full (they are cut to 60 columns with
                  "..." otherwise; control characters show escaped, as \n)
  --version       print the version and exit
  -h, --help      print this text and the command list

A script file's relative paths (databases, SQL and menu files, models to open)
and its shell steps resolve in the script's own directory; a script read from
standard input works in the current directory. Shell steps find the programs
built with tavhost (proe_sim) first on the PATH.

Environment:
  PRO_COMM_MSG_EXE  the toolkit's communication program, which the module needs
                  to join a session. When it is not set, tavhost sets it to its
                  own executable: any executable file serves the simulator
                  proe_sim. For a real CAD session set it to the installation's
                  pro_comm_msg program.
  TMPDIR          where the module writes its log tav_cax_log.txt and its
                  message files (default /tmp), where a session that connect
                  starts writes its output (tav_cax_session_log.txt), and
                  where diff works

Script lines: words separated by blanks, 'single' or "double" quoted (\" and \\
inside double quotes), # starts a comment, a line ending in \ or inside double
quotes goes on on the next line (step and shell take their line as written).

Exit status: 0 when every command succeeded, 1 when one failed (its status code
and message go to standard error), 2 for a usage error (an unknown option or
command, wrong arguments, a quote left open; the line is named).

Example, against the simulator on display "demo" (proe_sim --display demo):
  printf 'connect\nopen models/plate.asm.1\ndeps\n' | tavhost --display demo

Commands:
)";

struct Options {
  std::string script;  // "" or "-": standard input
  std::string display, start;
  bool keep_going = false, json = false, echo = false, wide = false;
};

// Parses the command line; returns kOk, or kUsage after printing why.
int ParseOptions(int argc, char** argv, Options* options, bool* help, bool* version) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const auto value = [&](const char* name, std::string* into) {
      const std::string prefix = std::string(name) + "=";
      if (arg == name && i + 1 < argc) {
        *into = argv[++i];
        return true;
      }
      if (arg.rfind(prefix, 0) == 0) {
        *into = arg.substr(prefix.size());
        return true;
      }
      return false;
    };
    if (arg == "-h" || arg == "--help") {
      *help = true;
    } else if (arg == "--version") {
      *version = true;
    } else if (arg == "--keep-going") {
      options->keep_going = true;
    } else if (arg == "--json") {
      options->json = true;
    } else if (arg == "--echo") {
      options->echo = true;
    } else if (arg == "--wide") {
      options->wide = true;
    } else if (arg == "--display" || arg == "--start") {
      if (i + 1 == argc) {
        std::cerr << "tavhost: " << arg << " needs a value (tavhost --help)\n";
        return kUsage;
      }
      *(arg == "--display" ? &options->display : &options->start) = argv[++i];
    } else if (value("--display", &options->display) || value("--start", &options->start)) {
    } else if (arg.size() > 1 && arg[0] == '-') {
      std::cerr << "tavhost: unknown option " << arg << " (tavhost --help)\n";
      return kUsage;
    } else if (!options->script.empty()) {
      std::cerr << "tavhost: one script only (tavhost --help)\n";
      return kUsage;
    } else {
      options->script = arg;
    }
  }
  return kOk;
}

void PrintHelp() {
  std::cout << kHelp;
  for (const Command& command : Commands())
    std::cout << "  " << command.usage << "\n      " << command.summary << '\n';
}

// The module needs a communication program; the simulator takes any.
void SetCommunicationProgram() {
  if (std::getenv("PRO_COMM_MSG_EXE")) return;
  const std::filesystem::path self = SelfPath();
  if (!self.empty()) SetEnvironment("PRO_COMM_MSG_EXE", self.u8string());
}

// A script file works in its own directory, so that its relative paths mean
// the same wherever tavhost is started from. A start command given on the
// command line keeps the meaning it had there.
bool EnterScriptDirectory(Options* options) {
  if (options->start.find('/') != std::string::npos)
    options->start = std::filesystem::absolute(options->start).lexically_normal().string();
  const std::filesystem::path dir = std::filesystem::path(options->script).parent_path();
  if (dir.empty()) return true;
  std::error_code error;
  std::filesystem::current_path(dir, error);
  if (!error) return true;
  std::cerr << "tavhost: cannot work in " << dir.string() << ": " << error.message() << '\n';
  return false;
}

// Runs one line and prints its result; returns kOk, kFailed or kUsage.
int RunLine(Context& context, const Options& options, const CommandLine& line) {
  const std::string name = line.words.empty() ? "" : line.words[0];
  if (options.echo && !options.json && name != "step") std::cout << "> " << line.text << '\n';
  CommandOutput output;
  int result = kOk;
  std::string message;
  int status = 0;
  try {
    RunCommand(context, line, output);
  } catch (const UsageError& error) {
    result = kUsage;
    message = error.what();
  } catch (const Failure& failure) {
    result = kFailed;
    status = failure.status();
    message = failure.what();
  } catch (const std::exception& error) {  // e.g. a file system error
    result = kFailed;
    status = -1;
    message = error.what();
  }
  if (options.json) {
    nlohmann::json object = {
        {"line", line.number},
        {"command", name},
        {"args",
         line.words.empty() ? Arguments{} : Arguments(line.words.begin() + 1, line.words.end())},
        {"ok", result == kOk}};
    object.update(output.fields());
    if (result == kUsage) object["usage"] = true;
    if (result == kFailed) object["status"] = status;
    if (result != kOk) object["message"] = message;
    std::cout << object.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
  } else {
    std::cout << output.text();
  }
  std::cout.flush();
  if (result == kFailed)
    std::cerr << "tavhost: line " << line.number << ": " << name << " failed: status " << status
              << ": " << message << '\n';
  else if (result == kUsage)
    std::cerr << "tavhost: line " << line.number << ": " << message << '\n';
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  SetUpTextLocale();
  Options options;
  bool help = false, version = false;
  if (const int rc = ParseOptions(argc, argv, &options, &help, &version)) return rc;
  if (help) {
    PrintHelp();
    return kOk;
  }
  if (version) {
    std::cout << "tavhost " << TAV_VERSION << '\n';
    return kOk;
  }
  SetCommunicationProgram();
  SetEnvironment("TAVHOST_DISPLAY", options.display);

  std::ifstream file;
  const bool from_stdin = options.script.empty() || options.script == "-";
  if (!from_stdin) {
    file.open(options.script);
    if (!file) {
      std::cerr << "tavhost: cannot read " << options.script << '\n';
      return kUsage;
    }
    if (!EnterScriptDirectory(&options)) return kUsage;
  }
  const bool interactive = options.script.empty() && IsTerminal(0);
  std::vector<std::string> verbatim;
  for (const Command& command : Commands())
    if (command.raw) verbatim.push_back(command.name);
  ScriptReader reader(from_stdin ? std::cin : file, interactive ? "tavhost> " : "", verbatim);

  // The event object outlives the module objects that hold it.
  HostEvents events;
  Context context;
  context.events = &events;
  context.display = options.display;
  context.start = options.start;
  context.programs = SelfPath().parent_path().string();
  context.bold_headings = IsTerminal(1) && !options.json;
  context.show_progress = IsTerminal(2) && !options.json;
  SetFullCells(options.wide);

  int worst = kOk;
  CommandLine line;
  while (reader.Next(&line)) {
    const int result = RunLine(context, options, line);
    worst = std::max(worst, result);
    if (result != kOk && !options.keep_going && !interactive) break;
  }
  return worst;
}
