// The commands that drive the CAD session through the module: connect, models,
// the menu and its picks, the events, disconnect.
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "host/commands.h"
#include "host/exchange_db.h"
#include "host/failure.h"
#include "host/progress.h"
#include "host/wide_text.h"

namespace tavhost {
namespace {

// Paths with a directory part are made absolute against tavhost's own directory
// (the session has its own); a bare name is left for the session to search.
std::string SessionPath(const std::string& path) {
  if (path.find('/') == std::string::npos) return path;
  return std::filesystem::absolute(path).lexically_normal().string();
}

void Connect(Context& c, const CommandLine&, const Arguments& args, CommandOutput& out) {
  const std::string start = args.empty() ? c.start : args[0];
  const std::wstring start_wide = Widen(start);
  std::wstring handle;
  void* reserved = nullptr;
  // A null start command tells the module that a session runs already.
  if (c.connect_api().LoadApplication(start.empty() ? nullptr : start_wide.c_str(),
                                      Widen(c.display).c_str(), c.events, handle, reserved) != 0) {
    c.connected = false;
    throw Failure(c.connector.m_nStatus, Narrow(c.connector.m_strStatus));
  }
  c.connected = true;
  const std::string display = c.display.empty() ? "the default display" : "display " + c.display;
  out.Line("connected to the CAD session on " + display + ", handle \"" + Narrow(handle) + "\"");
  out.Set("handle", Narrow(handle));
  out.Set("display", c.display);
}

void Open(Context& c, const CommandLine&, const Arguments& args, CommandOutput& out) {
  c.RequireConnection();
  c.Check(c.api().OpenFile(Widen(SessionPath(args[0])).c_str()));
  const std::string model = c.CurrentModel();
  out.Line("opened " + model);
  out.Set("model", model);
}

void Close(Context& c, const CommandLine&, const Arguments& args, CommandOutput& out) {
  c.RequireConnection();
  const std::string model = c.CurrentModel();
  // The name is only shown in the session; the module closes the current model.
  const std::string shown = args.empty() ? ModelName(model) : args[0];
  c.Check(c.api().CloseFile(Widen(shown).c_str()));
  out.Line("closed " + model);
  out.Set("model", model);
}

void Save(Context& c, const CommandLine&, const Arguments&, CommandOutput& out) {
  c.RequireConnection();
  std::wstring saved;
  c.Check(c.api().SaveFile(saved));
  out.Line("saved as " + Narrow(saved));
  out.Set("saved", Narrow(saved));
}

void Current(Context& c, const CommandLine&, const Arguments&, CommandOutput& out) {
  c.RequireConnection();
  const std::string model = c.CurrentModel();
  out.Line(model.empty() ? "no current model" : model);
  out.Set("model", model.empty() ? nlohmann::json() : nlohmann::json(model));
}

void Dependencies(Context& c, const CommandLine&, const Arguments&, CommandOutput& out) {
  c.RequireConnection();
  std::wstring joined;
  c.Check(c.api().GetDependencies(joined));
  nlohmann::json list = nlohmann::json::array();
  std::istringstream names(Narrow(joined));
  for (std::string name; std::getline(names, name, '|');) {
    if (name.empty()) continue;
    out.Line(name);
    list.push_back(name);
  }
  if (list.empty()) out.Line("no dependencies");
  out.Set("dependencies", list);
}

void Menu(Context& c, const CommandLine&, const Arguments& args, CommandOutput& out) {
  c.RequireConnection();
  std::ifstream file(args[0], std::ios::binary);
  if (!file) throw Failure(-1, "cannot read " + args[0]);
  std::ostringstream bytes;
  bytes << file.rdbuf();
  std::string text = bytes.str();
  if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);  // a byte-order mark
  {
    const Progress progress(c.show_progress, "menu " + args[0]);
    c.Check(c.api().CreateMenu(Widen(text).c_str()));
  }
  out.Line("menu built from " + args[0]);
  // Entries the session refused are left out; the status counts them.
  if (!c.command.m_strStatus.empty()) out.Line(Narrow(c.command.m_strStatus));
  out.Set("file", args[0]);
}

constexpr double kMaxWait = 86400;  // a day: longer is a typing error, not a wait

void WaitPick(Context& c, const CommandLine&, const Arguments& args, CommandOutput& out) {
  double seconds = 10;
  if (!args.empty()) {
    char* end = nullptr;
    seconds = std::strtod(args[0].c_str(), &end);
    if (args[0].empty() || *end || !(seconds >= 0 && seconds <= kMaxWait))
      throw UsageError("usage: wait-pick [SECONDS] (a number of seconds from 0 to 86400)");
  }
  Pick pick;
  const auto timeout = std::chrono::milliseconds(static_cast<long long>(seconds * 1000));
  if (!c.events->TakePick(timeout, &pick))
    throw Failure(-1, "no menu pick within " + NumberText(seconds) + " seconds");
  TextTable table({"", ""});
  table.AddRow({TextCell("model"), TextCell(pick.model.empty() ? "(none)" : pick.model)});
  table.AddRow({TextCell("entry"), TextCell(pick.entry)});
  table.AddRow({TextCell("handle"), TextCell(pick.handle)});
  out.Print(table, "FireClickMenu received:", false);
  out.Set("handle", pick.handle);
  out.Set("model", pick.model);
  out.Set("entry", pick.entry);
}

void Events(Context& c, const CommandLine&, const Arguments&, CommandOutput& out) {
  TextTable table({"event", "handle", "model"});
  for (const ModelEvent& event : c.events->ModelEvents())
    table.AddRow({TextCell(event.name), TextCell(event.handle),
                  event.model.empty() ? NullCell() : TextCell(event.model)});
  if (table.empty()) {
    out.Line("no events yet");
    out.Set("events", nlohmann::json::array());
  } else {
    out.Table("events", table);
  }
}

void Disconnect(Context& c, const CommandLine&, const Arguments&, CommandOutput& out) {
  c.RequireConnection();
  // Disconnect returns nothing: a failure on the way shows in the status members.
  c.command.m_nStatus = 0;
  c.command.m_strStatus.clear();
  c.api().Disconnect();
  c.connected = false;
  c.Check(c.command.m_nStatus);
  out.Line("disconnected");
}

}  // namespace

void AddSessionCommands(std::vector<Command>* commands) {
  commands->insert(
      commands->end(),
      {
          {"connect", 0, 1, "connect [START_COMMAND]",
           "join the session on the display (starting START_COMMAND, or --start, if none runs)",
           Connect},
          {"open", 1, 1, "open PATH", "open a model file and make it current", Open},
          {"close", 0, 1, "close [NAME]", "close the current model (NAME is only shown)", Close},
          {"save", 0, 0, "save", "save the current model as a new version", Save},
          {"current", 0, 0, "current", "the current model's full name", Current},
          {"deps", 0, 0, "deps", "every model the current model depends on", Dependencies},
          {"menu", 1, 1, "menu FILE.xml", "build the host menu of a menu document", Menu},
          {"wait-pick", 0, 1, "wait-pick [SECONDS]",
           "wait (default 10 s) for the next menu pick and print what the host received", WaitPick},
          {"events", 0, 0, "events", "the OnNewModel and OnModelOpened calls received so far",
           Events},
          {"disconnect", 0, 0, "disconnect", "leave the session", Disconnect},
      });
}

}  // namespace tavhost
