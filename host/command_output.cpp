#include "host/command_output.h"

#include <sstream>

namespace tavhost {

void CommandOutput::Print(const TextTable& table, const std::string& caption, bool header) {
  std::ostringstream out;
  if (!caption.empty()) out << caption << '\n';
  const std::string indent = caption.empty() ? "" : "  ";
  if (header)
    table.Print(out, indent);
  else
    table.PrintRows(out, indent);
  text_ += out.str();
}

}  // namespace tavhost
