#pragma once
// Lists of texts, and the command/directory pair that two parallel lists hold.
#include <string>
#include <vector>

namespace vorex {

using StringList = std::vector<std::string>;

// One command word ("ADD", "REMOVE") with the directory it applies to.
struct CommandPair {
  std::string command;
  std::string directory;  // empty when the command has no directory at its index
};

// The pairs at the same index of the two lists, in list order, as many as there are commands.
std::vector<CommandPair> PairsOf(const StringList& commands, const StringList& paths);

}  // namespace vorex
