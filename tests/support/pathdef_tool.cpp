// Test helper: applies one ADD or REMOVE to text on standard input, or prints a fixture, so that
// scripts can check the results with a real evaluator.
//   pathdef_tool add|remove|octave-add|octave-remove windows|posix DIR  < in > out
//   pathdef_tool fixture old|savepath|current|after-entry|with-note|closing|last-entry
#include <iostream>
#include <iterator>
#include <string>

#include "pathdef/edit_passes.h"
#include "pathdef/entry_text.h"
#include "pathdef/octave_block.h"
#include "pathdef/pathdef_text.h"
#include "support/pathdef_fixtures.h"

int main(int argc, char** argv) {
  using namespace vorex;
  if (argc == 3 && std::string(argv[1]) == "fixture") {
    std::string name = argv[2];
    std::cout << (name == "old"           ? testing::kOldInstallerLf
                  : name == "savepath"    ? testing::kSavepathWindows
                  : name == "after-entry" ? testing::kMarkerAfterEntry
                  : name == "with-note"   ? testing::kMarkerWithNote
                  : name == "closing"     ? testing::kMarkerOnClosingLine
                  : name == "last-entry"  ? testing::kMarkerAfterLastEntry
                                          : testing::kCurrentUnix);
    return 0;
  }
  if (argc != 4) return 2;
  std::string op = argv[1];
  PathRules rules = std::string(argv[2]) == "windows" ? PathRules::Windows() : PathRules::Posix();
  std::string text((std::istreambuf_iterator<char>(std::cin)), {});
  std::string out;
  DiagnosticLog log;
  if (op == "add") {
    if (AddEntryToText(text, argv[3], rules, log, &out) == AddOutcome::kNoInsertionPoint) return 1;
  } else if (op == "remove") {
    RemoveEntriesFromText(text, argv[3], rules, log, &out);
  } else if (op == "octave-add" || op == "octave-remove") {
    if (!(op == "octave-add" ? AddToOctaveBlock : RemoveFromOctaveBlock)(text, argv[3], rules, &out)) return 1;
  } else {
    return 2;
  }
  std::cout << out;
  return 0;
}
