#include "base/string_list.h"

namespace vorex {

std::vector<CommandPair> PairsOf(const StringList& commands, const StringList& paths) {
  std::vector<CommandPair> pairs;
  for (std::size_t i = 0; i < commands.size(); ++i) pairs.push_back({commands[i], i < paths.size() ? paths[i] : ""});
  return pairs;
}

}  // namespace vorex
