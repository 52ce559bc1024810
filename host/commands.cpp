#include "host/commands.h"

#include "host/failure.h"
#include "host/wide_text.h"

namespace tavhost {

void Context::RequireConnection() const {
  if (!connected) throw Failure(-1, "not connected to a CAD session: run connect first");
}

void Context::Check(int result) {
  if (result != 0) throw Failure(command.m_nStatus, Narrow(command.m_strStatus));
}

std::string Context::CurrentModel() {
  std::wstring name;
  api().GetCurrentMdlFullName(name);
  return Narrow(name);
}

const std::vector<Command>& Commands() {
  static const std::vector<Command> commands = [] {
    std::vector<Command> all;
    AddSessionCommands(&all);
    AddExchangeCommands(&all);
    AddDatabaseCommands(&all);
    AddScriptCommands(&all);
    return all;
  }();
  return commands;
}

const Command* FindCommand(const std::string& name) {
  for (const Command& command : Commands())
    if (command.name == name) return &command;
  return nullptr;
}

void RunCommand(Context& context, const CommandLine& line, CommandOutput& output) {
  const Command* command = line.words.empty() ? nullptr : FindCommand(line.words[0]);
  // Headings and shell steps take their text as written, apostrophes and all.
  if (!line.error.empty() && !(command && command->raw)) throw UsageError(line.error);
  if (!command) throw UsageError("unknown command '" + line.words[0] + "' (help lists them)");
  const Arguments args = command->raw ? (line.rest.empty() ? Arguments{} : Arguments{line.rest})
                                      : Arguments(line.words.begin() + 1, line.words.end());
  if (args.size() < command->min_args || args.size() > command->max_args)
    throw UsageError("usage: " + command->usage);
  command->run(context, line, args, output);
}

std::string ModelName(const std::string& full_name) {
  std::string name = full_name.substr(full_name.rfind('/') + 1);
  const std::size_t dot = name.rfind('.');
  if (dot != std::string::npos && dot + 1 < name.size() &&
      name.find_first_not_of("0123456789", dot + 1) == std::string::npos && name.find('.') < dot)
    name.erase(dot);
  return UpperCase(name);
}

int ModelItemType(const std::string& model_name) {
  const std::string type = model_name.substr(model_name.rfind('.') + 1);
  return type == "ASM" ? 1 : type == "PRT" ? 2 : type == "DRW" ? 4 : 0;
}

}  // namespace tavhost
