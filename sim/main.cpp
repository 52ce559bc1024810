// proe_sim: the simulated CAD session (serve), its control client (ctl) and the
// synthetic model writer (gen). See docs/simulator.md.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <string>
#include <sys/signalfd.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "base/unique_fd.h"
#include "protocol/frame.h"
#include "protocol/message.h"
#include "protocol/methods.h"
#include "protocol/session_path.h"
#include "protocol/session_route.h"
#include "sim/control.h"
#include "sim/generate.h"
#include "sim/server.h"

namespace {

const char kServeUsage[] =
    "usage: proe_sim [--display D] [--search-path DIR]... [--text-dir DIR]\n"
    "                [--working-dir DIR] [--startup-delay MS] [--window-delay MS]\n"
    "                [--load FILE]... [--listen tcp:HOST:PORT [--allow-remote]]\n"
    "       proe_sim ctl [--display D] ACTION [ARGS]...\n"
    "       proe_sim gen part|assembly DIR NAME [OPTIONS]\n"
    "       proe_sim --help | --version\n"
    "\n"
    "Serves a simulated CAD session on a display until ctl exit, a client's\n"
    "ProEngineerEnd, or SIGTERM/SIGINT/SIGHUP. Once it listens it prints\n"
    "\"proe_sim listening ADDRESS\" on standard output.\n"
    "\n"
    "Options:\n"
    "  --display D        the display served (default: the default display)\n"
    "  --search-path DIR  a model directory searched after the working directory\n"
    "                     (repeatable, searched in order)\n"
    "  --text-dir DIR     message files looked for here when a client's own text\n"
    "                     directory lacks them\n"
    "  --working-dir DIR  the session's working directory, where new models are\n"
    "                     saved (default: the current directory)\n"
    "  --startup-delay MS do not listen for MS milliseconds (a CAD system starting)\n"
    "  --window-delay MS  no current window for MS milliseconds after listening\n"
    "  --load FILE        open FILE as ctl open would, before listening (repeatable)\n"
    "  --listen tcp:HOST:PORT\n"
    "                     serve TCP instead of the Unix socket (PORT 0: any free\n"
    "                     port; also $PROE_SIM_LISTEN) and write the address and a\n"
    "                     session token to <display>.endpoint beside the socket\n"
    "  --allow-remote     allow a HOST that is not a loopback address. The traffic\n"
    "                     is not encrypted: across untrusted networks tunnel it\n"
    "                     over SSH instead\n"
    "  --version          print the version and exit\n"
    "  -h, --help         print this text and exit\n"
    "Directories must exist. MS is 0 to 3600000.\n"
    "\n"
    "Sub-commands:\n"
    "  ctl   one control action on a running session: open a model, pick a menu\n"
    "        button, read the message area, inject faults (proe_sim ctl --help)\n"
    "  gen   write synthetic model files for benchmarks (proe_sim gen --help)\n"
    "\n"
    "Exit status: 0 done, 1 failed (the reason on standard error), 2 usage error.\n"
    "\n"
    "Example:\n"
    "  proe_sim --display demo --search-path samples/models &\n"
    "  proe_sim ctl --display demo open samples/models/plate.asm.1\n"
    "  proe_sim ctl --display demo exit\n";

int UsageError(const std::string& why) {
  std::cerr << "proe_sim: " << why << " (proe_sim --help)\n";
  return 2;
}

bool IsDirectory(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool ParseMs(const char* text, int* out) {
  char* end = nullptr;
  long v = std::strtol(text, &end, 10);
  if (!*text || *end || v < 0 || v > 3600000) return false;
  *out = static_cast<int>(v);
  return true;
}

struct ServeArgs {
  sim::SessionOptions options;
  sim::ListenOptions listen;
  int startup_delay = 0;
  std::vector<std::string> loads;
};

// Reads the serve options into `args`: -1 to go on, or the exit status (help,
// version, a usage error).
int ParseServeArgs(int argc, char** argv, ServeArgs& args) {
  sim::SessionOptions& options = args.options;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    bool has_value = i + 1 < argc;
    if (a == "--help" || a == "-h") {
      std::cout << kServeUsage;
      return 0;
    } else if (a == "--version") {
      std::cout << "proe_sim " << TAV_VERSION << '\n';
      return 0;
    } else if (!has_value && (a == "--display" || a == "--search-path" || a == "--text-dir" ||
                              a == "--working-dir" || a == "--startup-delay" ||
                              a == "--window-delay" || a == "--load")) {
      return UsageError(a + " needs a value");
    } else if (a == "--display" && has_value) {
      options.display = argv[++i];
    } else if (a == "--search-path" && has_value) {
      options.search_path.push_back(argv[++i]);
    } else if (a == "--text-dir" && has_value) {
      options.text_dir = argv[++i];
    } else if (a == "--working-dir" && has_value) {
      options.working_dir = argv[++i];
    } else if (a == "--startup-delay" && has_value) {
      if (!ParseMs(argv[++i], &args.startup_delay))
        return UsageError("--startup-delay takes 0 to 3600000 milliseconds, not " +
                          std::string(argv[i]));
    } else if (a == "--window-delay" && has_value) {
      if (!ParseMs(argv[++i], &options.window_delay_ms))
        return UsageError("--window-delay takes 0 to 3600000 milliseconds, not " +
                          std::string(argv[i]));
    } else if (a == "--listen" && has_value) {
      args.listen.address = argv[++i];
    } else if (a == "--allow-remote") {
      args.listen.allow_remote = true;
    } else if (a == "--load" && has_value) {
      args.loads.push_back(argv[++i]);
    } else {
      return UsageError("unknown option " + a);
    }
  }
  // A misspelt directory would only show as models or message files not found.
  for (const std::string& dir : options.search_path)
    if (!IsDirectory(dir)) return UsageError("--search-path " + dir + ": no such directory");
  if (!options.text_dir.empty() && !IsDirectory(options.text_dir))
    return UsageError("--text-dir " + options.text_dir + ": no such directory");
  if (!options.working_dir.empty() && !IsDirectory(options.working_dir))
    return UsageError("--working-dir " + options.working_dir + ": no such directory");
  return -1;
}

int Serve(int argc, char** argv) {
  ServeArgs args;
  // A session the module starts gets no arguments: the environment may say where.
  if (const char* env = std::getenv("PROE_SIM_LISTEN")) args.listen.address = env;
  if (const int status = ParseServeArgs(argc, argv, args); status >= 0) return status;

  // Signals are read by the loop below from a descriptor; every thread blocks them.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGHUP);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  ::signal(SIGPIPE, SIG_IGN);

  // A session that is still starting is not reachable yet.
  if (args.startup_delay > 0)
    std::this_thread::sleep_for(std::chrono::milliseconds(args.startup_delay));
  // The window delay counts from when the session becomes reachable.
  sim::Server server(args.options);
  for (const std::string& file : args.loads) {
    sim::ControlResult r = server.Control({"open", file});
    if (r.code != 0) {
      std::cerr << "proe_sim: " << r.text;
      return 1;
    }
  }
  std::string error;
  if (!server.Listen(&error, args.listen)) {
    std::cerr << "proe_sim: " << error << "\n";
    return 1;
  }
  std::cout << "proe_sim listening " << server.address() << std::endl;

  // Ends on SIGTERM/SIGINT/SIGHUP, or when a client asks (ctl exit, ProEngineerEnd).
  // The signals, blocked above, arrive as reads on a descriptor; the wait wakes
  // every 100 ms to see a client's request.
  const base::UniqueFd signal_fd(::signalfd(-1, &signals, SFD_CLOEXEC));
  for (;;) {
    pollfd wait{signal_fd.get(), POLLIN, 0};
    if (::poll(&wait, 1, 100) > 0 || server.exit_requested()) break;
  }
  server.Shutdown();
  return 0;
}

// Sends one ctl request over `route` and prints its answer: the exit status.
int Exchange(protocol::Route& route, std::vector<std::string> args) {
  // On TCP the session's token rides at the end of the request's arguments.
  if (route.tcp) args.push_back(route.token);
  namespace method = protocol::method;
  std::string reply_payload;
  const int fd = route.fd.get();
  bool ok = protocol::WriteFrame(fd, protocol::PackRequestOf<method::ctl>(1, args)) &&
            protocol::ReadFrame(fd, &reply_payload) == protocol::FrameStatus::kOk;
  route.fd.reset();
  protocol::Message reply;
  std::string why;
  if (!ok || !protocol::Decode(reply_payload, &reply, &why) ||
      reply.kind != protocol::Kind::kReply) {
    if (route.tcp)
      std::cerr << "proe_sim ctl: the session at " << route.address
                << " closed the connection (missing or wrong session token? see "
                << protocol::kSessionTokenVariable << ")\n";
    else
      std::cerr << "proe_sim ctl: the session did not answer\n";
    return 3;
  }
  std::string text;
  try {
    text = std::get<0>(protocol::OutsOf<method::ctl>(reply));
  } catch (const std::exception&) {
  }
  if (reply.code != 0) {
    std::cerr << "proe_sim ctl: " << text;
    return text.rfind("usage: ", 0) == 0 ? 2 : 1;
  }
  std::cout << text << std::flush;
  return 0;
}

int Ctl(int argc, char** argv) {
  std::string display;
  std::vector<std::string> args;
  int i = 2;
  for (; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--display" && i + 1 < argc) {
      display = argv[++i];
    } else if (a == "--help" || a == "-h") {
      std::cout << sim::ControlUsage();
      return 0;
    } else {
      break;
    }
  }
  for (; i < argc; ++i) args.push_back(argv[i]);
  if (args.empty()) {
    std::cerr << "proe_sim ctl: no action given (proe_sim ctl --help lists them)\n";
    return 2;
  }
  // A relative path with a directory means the caller's directory, not the session's.
  if (args[0] == "open" && args.size() == 2 && !args[1].empty() && args[1][0] != '/' &&
      args[1].find('/') != std::string::npos) {
    char cwd[4096];
    if (::getcwd(cwd, sizeof cwd)) args[1] = std::string(cwd) + "/" + args[1];
  }
  ::signal(SIGPIPE, SIG_IGN);
  // A directory that another user could have put a session into is refused, and
  // named, as the client refuses it; a missing one means that no session runs.
  const std::string dir = protocol::SessionDirectory();
  struct stat st;
  std::string unsafe;
  if (::lstat(dir.c_str(), &st) == 0 && !protocol::SessionDirectoryIsPrivate(dir, &unsafe)) {
    std::cerr << "proe_sim ctl: " << unsafe << "\n";
    return 3;
  }
  protocol::Route route;
  std::string missing;
  if (protocol::ConnectToSession(display, std::chrono::milliseconds(5000), &route, &missing) !=
      protocol::RouteStatus::kConnected) {
    std::cerr << "proe_sim ctl: no session runs on display "
              << (display.empty() ? "default" : display) << " ("
              << (missing.empty() ? protocol::SessionSocketPath(display) : missing) << ")\n";
    return 3;
  }
  return Exchange(route, args);
}

int Gen(int argc, char** argv) { return sim::GenerateMain(argc - 1, argv + 1); }

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "ctl") == 0) return Ctl(argc, argv);
  if (argc > 1 && std::strcmp(argv[1], "gen") == 0) return Gen(argc, argv);
  return Serve(argc, argv);
}
