#include "app/command_line.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "base/messages.h"
#include "base/paths.h"

namespace vorex {
namespace {

// The line cut at each blank: what a shell hands over for a line without quotes.
std::vector<std::string> Words(const std::string& line) {
  std::vector<std::string> args;
  for (std::size_t b = 0, e; b <= line.size(); b = e + 1) {
    e = std::min(line.find(' ', b), line.size());
    args.push_back(line.substr(b, e - b));
  }
  return args;
}

struct ParseCase {
  const char* name;
  const char* line;
  int logSwitch;
  StringList commands;
  StringList paths;
  bool usable;
};

class ParseTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseTest, Parses) {
  const ParseCase& c = GetParam();
  ParsedCommandLine parsed = ParseCommandLine(c.line);
  EXPECT_EQ(parsed.problem.empty(), c.usable) << parsed.problem;
  EXPECT_EQ(parsed.logSwitch, c.logSwitch);
  if (c.usable) {
    EXPECT_EQ(parsed.commands, c.commands);
    EXPECT_EQ(parsed.paths, c.paths);
  }
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, ParseTest,
    ::testing::Values(
        ParseCase{"OnePair", "prog.exe -command ADD -path C:\\Tools\\x", 0, {"ADD"}, {"C:\\Tools\\x"}, true},
        ParseCase{"LogFirst", "prog.exe -log on -command ADD -path C:\\Tools\\x", 1, {"ADD"}, {"C:\\Tools\\x"}, true},
        ParseCase{"LogLast", "prog.exe -command ADD -path C:\\Tools\\x -log ON", 1, {"ADD"}, {"C:\\Tools\\x"}, true},
        ParseCase{"LogMixedCase", "prog.exe -command ADD -path C:\\x -log On", 1, {"ADD"}, {"C:\\x"}, true},
        ParseCase{"LogOff", "prog.exe -command ADD -path C:\\x -log off", 0, {"ADD"}, {"C:\\x"}, true},
        ParseCase{"LogWithoutValue", "prog.exe -command ADD -path C:\\x -log", 0, {}, {}, false},
        // A directory keeps the dashes it holds: its value runs to the next option word.
        ParseCase{"UnknownDashWordInsidePath",
                  "prog.exe -command ADD -path C:\\a -x b -log on",
                  1,
                  {"ADD"},
                  {"C:\\a -x b"},
                  true},
        // Values are trimmed, so extra blanks no longer turn the log off.
        ParseCase{"LogTwoBlanks", "prog.exe -log  on -command ADD -path C:\\x", 1, {"ADD"}, {"C:\\x"}, true},
        ParseCase{"LogTrailingBlank", "prog.exe -command ADD -path C:\\x -log on ", 1, {"ADD"}, {"C:\\x"}, true},
        // Both lists hold the values in reverse order; blanks inside a directory survive.
        ParseCase{"TwoPairsReversed",
                  "prog.exe -command ADD -path C:\\Program Files\\My Tools -command REMOVE -path D:\\Old",
                  0,
                  {"REMOVE", "ADD"},
                  {"D:\\Old", "C:\\Program Files\\My Tools"},
                  true},
        ParseCase{
            "DashInsideDirectory", "prog.exe -command ADD -path C:\\my-dir -log on", 1, {"ADD"}, {"C:\\my-dir"}, true},
        ParseCase{
            "OptionTextInsideValue", "prog.exe -command ADD -path C:\\x-paths", 0, {"ADD"}, {"C:\\x-paths"}, true},
        ParseCase{"OrderOfOptions", "prog.exe -path C:\\x -command ADD", 0, {"ADD"}, {"C:\\x"}, true},
        ParseCase{"LowerCaseCommand", "prog.exe -command remove -path C:\\x", 0, {"remove"}, {"C:\\x"}, true},
        ParseCase{"QuotedDirectory",
                  "prog.exe -command ADD -path \"C:\\Program Files\\x\"",
                  0,
                  {"ADD"},
                  {"C:\\Program Files\\x"},
                  true},
        ParseCase{"QuotedWithOptionText",
                  "prog.exe -command ADD -path \"C:\\a -log on\"",
                  0,
                  {"ADD"},
                  {"C:\\a -log on"},
                  true},
        // A quote protects only a whole value; one without its partner is an ordinary character.
        ParseCase{"QuoteInsideValue",
                  "vorex -path /opt/a\"b -command ADD -path /opt/c -command ADD",
                  0,
                  {"ADD", "ADD"},
                  {"/opt/c", "/opt/a\"b"},
                  true},
        ParseCase{"UnpairedOpeningQuote",
                  "vorex -command ADD -path \"/opt/a -command REMOVE -path /opt/c",
                  0,
                  {"REMOVE", "ADD"},
                  {"/opt/c", "\"/opt/a"},
                  true},
        ParseCase{"QuoteClosingMidValueDoesNotCount",
                  "vorex -command ADD -path \"/opt/a\" b",
                  0,
                  {"ADD"},
                  {"\"/opt/a\" b"},
                  true},
        ParseCase{
            "QuotedValueBeforeNextOption", "vorex -path \"/opt/x -y\"  -command ADD", 0, {"ADD"}, {"/opt/x -y"}, true},
        ParseCase{"TabsTrimmed", "prog.exe -command\tADD -path \tC:\\x\t", 0, {"ADD"}, {"C:\\x"}, true},
        ParseCase{"BlanksTrimmed", "prog.exe -command  ADD  -path  C:\\x  ", 0, {"ADD"}, {"C:\\x"}, true},
        // The program's own path is never searched.
        ParseCase{"ProgramInLogsFolder",
                  "C:\\my-logs\\prog.exe -command ADD -path C:\\x -log on",
                  1,
                  {"ADD"},
                  {"C:\\x"},
                  true},
        ParseCase{"QuotedProgramWithOptions",
                  "\"C:\\a -path b\\prog.exe\" -command ADD -path C:\\x",
                  0,
                  {"ADD"},
                  {"C:\\x"},
                  true},
        ParseCase{"UnixProgram", "/usr/bin/vorex -command ADD -path /opt/tools", 0, {"ADD"}, {"/opt/tools"}, true},
        // Bad input gets the usage message.
        ParseCase{"NoArguments", "prog.exe", 0, {}, {}, false},
        ParseCase{"CommandAlone", "prog.exe -command ADD", 0, {}, {}, false},
        ParseCase{"PathWithoutValue", "prog.exe -command ADD -path", 0, {}, {}, false},
        ParseCase{"PathWithBlankValue", "prog.exe -command ADD -path ", 0, {}, {}, false},
        ParseCase{"EmptyQuotedPath", "prog.exe -command ADD -path \"\"", 0, {}, {}, false},
        ParseCase{"TrimCharactersOnly", "prog.exe -command ADD -path ;.,", 0, {}, {}, false},
        ParseCase{"DotLeavesNothingOnWindows", "prog.exe -command ADD -path .", 0, {}, {}, false},
        ParseCase{"EmptyCommand", "prog.exe -command -path C:\\x", 0, {}, {}, false},
        ParseCase{"GluedCommand", "prog.exe -commandADD -path C:\\x", 0, {}, {}, false},
        ParseCase{"UnknownCommand", "prog.exe -command DELETE -path C:\\x", 0, {}, {}, false},
        ParseCase{"MoreCommands", "prog.exe -command ADD -command REMOVE -path C:\\x", 0, {}, {}, false},
        ParseCase{"MorePaths", "prog.exe -command ADD -path C:\\x -path D:\\y -path E:\\z", 0, {}, {}, false},
        ParseCase{"UsageKeepsLogOff", "prog.exe -log on", 1, {}, {}, false}),
    [](const ::testing::TestParamInfo<ParseCase>& info) { return std::string(info.param.name); });

TEST(SilentSwitchTest, FoundAndCutLikeTheLogSwitch) {
  struct Row {
    const char* line;
    int silent;
    int log;
  } rows[] = {
      {"vorex -silent on -command ADD -path /x", 1, 0},
      {"vorex -command ADD -silent on -path /x", 1, 0},
      {"vorex -command ADD -path /x -silent on", 1, 0},
      {"vorex -command ADD -path /x -silent ON", 1, 0},
      {"vorex -command ADD -path /x -silent off", 0, 0},
      {"vorex -log on -command ADD -path /x -silent on", 1, 1},
      {"vorex -silent off -command ADD -path /x -silent on", 0, 0},  // only the first counts
      {"vorex -silent on -command ADD -path /x -silent off", 1, 0},
  };
  for (const Row& row : rows) {
    ParsedCommandLine parsed = ParseCommandLine(row.line);
    EXPECT_EQ(parsed.problem, "") << row.line;
    EXPECT_EQ(parsed.silentSwitch, row.silent) << row.line;
    EXPECT_EQ(parsed.logSwitch, row.log) << row.line;
    EXPECT_EQ(parsed.paths, StringList{"/x"}) << row.line;  // the value stops before -silent
  }
}

TEST(RequestTest, HelpAndVersionAreAskedForAlone) {
  using Request = ParsedCommandLine::Request;
  EXPECT_EQ(ParseCommandLine("vorex --help").request, Request::kHelp);
  EXPECT_EQ(ParseCommandLine("vorex -h").request, Request::kHelp);
  EXPECT_EQ(ParseCommandLine("vorex --version").request, Request::kVersion);
  EXPECT_EQ(ParseCommandLine("vorex -command ADD -path /opt/--help").request, Request::kRun);
  EXPECT_EQ(ParseCommandLine("vorex").request, Request::kRun);
}

TEST(CheckDirectoriesTest, RefusesOrRewritesOddDirectories) {
  struct Row {
    const char* name;
    bool windows;
    std::string dir;
    std::string written;  // empty: refused
  } rows[] = {
      {"Absolute", false, "/opt/x", "/opt/x"},
      {"TrailingDotKept", false, "/opt/lib.", "/opt/lib."},
      {"Dot", false, ".", "/home/me"},
      {"DotDotAlone", false, "..", "/home"},
      {"DotSlashAlone", false, "./", "/home/me"},
      {"DotSlash", false, "./x", "/home/me/x"},
      {"TrimCharactersName", false, ";.,", "/home/me/;.,"},
      {"DotDot", false, "../lib", "/home/lib"},
      {"Bare", false, "x y", "/home/me/x y"},
      {"PastRoot", false, "../../../z", "/z"},
      {"Tilde", false, "~/m", ""},
      {"Newline", false, "/opt/a\nb", ""},
      {"CarriageReturn", true, "C:\\a\rb", ""},
      {"Nul", false, std::string("/opt/a\0b", 8), ""},
      {"Colon", false, "/opt/a:b", ""},
      {"WindowsRelativeUntouched", true, "tools\\x", "tools\\x"},
      {"WindowsDriveColon", true, "C:\\x", "C:\\x"},
      {"WindowsTilde", true, "C:\\PROGRA~1\\x", "C:\\PROGRA~1\\x"},
  };
  for (const Row& row : rows) {
    StringList paths{row.dir};
    std::string problem = CheckDirectories(paths, row.windows ? PathRules::Windows() : PathRules::Posix(), "/home/me");
    if (row.written.empty()) {
      EXPECT_EQ(problem.rfind("Problem: ", 0), 0u) << row.name;
    } else {
      EXPECT_EQ(problem, "") << row.name;
      EXPECT_EQ(paths, StringList{row.written}) << row.name;
    }
  }
  StringList relative{"x"};
  EXPECT_NE(CheckDirectories(relative, PathRules::Posix(), ""), "");  // no current directory known
}

TEST(UsageTest, TextAndCaptionAreExact) {
  EXPECT_EQ(std::string(kUsageCaption).size(), 54u);
  EXPECT_EQ(std::string(kUsageCaption).substr(0, 31), "VOREX 2004: COMMAND-LINE SYNTAX");
  EXPECT_EQ(
      UsageText(""),
      "\nCommand line parameters to add path to pathdef.m:\n\n  -command ADD -path <filepath to add>\n\nTo remove "
      "path:\n\n  -command REMOVE -path <filepath to remove>\n\n\n");
  ParsedCommandLine parsed = ParseCommandLine("prog.exe -command ADD -command ADD -path x");
  EXPECT_EQ(UsageText(parsed.problem), UsageText("") + parsed.problem + "\n");
  EXPECT_NE(parsed.problem.find("2 -command"), std::string::npos);
}

TEST(FileStemTest, FileNameWithoutExtension) {
  struct Row {
    std::string path;
    bool windows;
    std::string title;
  } rows[] = {
      {"C:\\Program Files\\vorex\\vorex.exe", true, "vorex"},
      {"C:/tools/setup.path.exe", true, "setup.path"},
      {"/usr/local/bin/vorex", false, "vorex"},
      {"./my.tool/vorex", false, "vorex"},  // a dot in a directory is no extension
      {"/opt/a\\b", false, "a\\b"},         // a backslash is part of a POSIX name
      {"/opt/.vorex", false, ".vorex"},     // nor is a leading dot
      {"vorex", false, "vorex"},
  };
  for (const Row& row : rows)
    EXPECT_EQ(FileStem(row.path, row.windows ? PathRules::Windows() : PathRules::Posix()), row.title) << row.path;
}

struct ArgumentsCase {
  const char* name;
  std::vector<std::string> args;
  int logSwitch;
  int silentSwitch;
  StringList commands;  // in reverse, as ParsedCommandLine holds them
  StringList paths;
  bool usable;
};

class ArgumentsTest : public ::testing::TestWithParam<ArgumentsCase> {};

TEST_P(ArgumentsTest, EachArgumentIsTakenWhole) {
  const ArgumentsCase& c = GetParam();
  ParsedCommandLine parsed = ParseArguments(c.args);
  EXPECT_EQ(parsed.request, ParsedCommandLine::Request::kRun);
  EXPECT_EQ(parsed.problem.empty(), c.usable) << parsed.problem;
  EXPECT_EQ(parsed.logSwitch, c.logSwitch);
  EXPECT_EQ(parsed.silentSwitch, c.silentSwitch);
  if (c.usable) {
    EXPECT_EQ(parsed.commands, c.commands);
    EXPECT_EQ(parsed.paths, c.paths);
  }
}

INSTANTIATE_TEST_SUITE_P(
    PosixArguments, ArgumentsTest,
    ::testing::Values(
        ArgumentsCase{"OnePair", {"vorex", "-command", "ADD", "-path", "/opt/x"}, 0, 0, {"ADD"}, {"/opt/x"}, true},
        ArgumentsCase{"TwoPairsReversed",
                      {"vorex", "-command", "ADD", "-path", "/opt/a", "-command", "remove", "-path", "/opt/b"},
                      0,
                      0,
                      {"remove", "ADD"},
                      {"/opt/b", "/opt/a"},
                      true},
        ArgumentsCase{"ValueOverSeveralArguments",
                      {"vorex", "-command", "ADD", "-path", "/opt/My", "Tools", "-log", "on"},
                      1,
                      0,
                      {"ADD"},
                      {"/opt/My Tools"},
                      true},
        // A shell hands such a directory over as one argument: it is never cut into options.
        ArgumentsCase{"OneArgumentHoldingCommand",
                      {"vorex", "-command", "ADD", "-path", "/opt/My Tools -command REMOVE -path /opt/x"},
                      0,
                      0,
                      {"ADD"},
                      {"/opt/My Tools -command REMOVE -path /opt/x"},
                      true},
        ArgumentsCase{"SwitchesInsideValueAreText",
                      {"vorex", "-command", "ADD", "-path", "/opt/a -log on -silent on"},
                      0,
                      0,
                      {"ADD"},
                      {"/opt/a -log on -silent on"},
                      true},
        ArgumentsCase{"SwitchesAsArguments",
                      {"vorex", "-silent", "on", "-command", "ADD", "-path", "/opt/a", "-log", "ON"},
                      1,
                      1,
                      {"ADD"},
                      {"/opt/a"},
                      true},
        ArgumentsCase{"OnlyTheFirstSwitchCounts",
                      {"vorex", "-log", "off", "-command", "ADD", "-path", "/opt/a", "-log", "on"},
                      0,
                      0,
                      {"ADD"},
                      {"/opt/a"},
                      true},
        ArgumentsCase{"OptionWordAsPartOfArgument",
                      {"vorex", "-command", "ADD", "-path", "/opt/a", "-log on"},
                      0,
                      0,
                      {"ADD"},
                      {"/opt/a -log on"},
                      true},
        ArgumentsCase{"QuotedValue",
                      {"vorex", "-command", "ADD", "-path", "\"/opt/a -path b\""},
                      0,
                      0,
                      {"ADD"},
                      {"/opt/a -path b"},
                      true},
        ArgumentsCase{"QuotesOverSeveralArguments",
                      {"vorex", "-command", "ADD", "-path", "\"/opt/a", "b\""},
                      0,
                      0,
                      {"ADD"},
                      {"/opt/a b"},
                      true},
        // A quote that does not close the whole value is part of the directory.
        ArgumentsCase{"QuoteClosingMidValue",
                      {"vorex", "-command", "ADD", "-path", "\"/opt/a\"", "b"},
                      0,
                      0,
                      {"ADD"},
                      {"\"/opt/a\" b"},
                      true},
        ArgumentsCase{
            "QuoteInsideValue", {"vorex", "-command", "ADD", "-path", "/opt/a\"b"}, 0, 0, {"ADD"}, {"/opt/a\"b"}, true},
        // Relative names are made absolute later; none of them is empty.
        ArgumentsCase{"Dot", {"vorex", "-command", "ADD", "-path", "."}, 0, 0, {"ADD"}, {"."}, true},
        ArgumentsCase{"DotDot", {"vorex", "-command", "ADD", "-path", ".."}, 0, 0, {"ADD"}, {".."}, true},
        ArgumentsCase{"DotSlash", {"vorex", "-command", "ADD", "-path", "./x"}, 0, 0, {"ADD"}, {"./x"}, true},
        ArgumentsCase{"TrimCharacters", {"vorex", "-command", "ADD", "-path", ";.,"}, 0, 0, {"ADD"}, {";.,"}, true},
        // Blanks are part of a whole argument: only the one-line parser of Windows trims.
        ArgumentsCase{"TrailingBlankKept",
                      {"vorex", "-command", "ADD", "-path", "/opt/trail "},
                      0,
                      0,
                      {"ADD"},
                      {"/opt/trail "},
                      true},
        ArgumentsCase{
            "LeadingBlankKept", {"vorex", "-command", "ADD", "-path", " /opt/x"}, 0, 0, {"ADD"}, {" /opt/x"}, true},
        ArgumentsCase{"BlanksAroundCommandCount", {"vorex", "-command", " ADD\t", "-path", "/x"}, 0, 0, {}, {}, false},
        ArgumentsCase{"WordsBeforeFirstOptionIgnored",
                      {"vorex", "stray", "-command", "ADD", "-path", "/x"},
                      0,
                      0,
                      {"ADD"},
                      {"/x"},
                      true},
        ArgumentsCase{"ProgramPathNeverSearched",
                      {"/opt/-log on/vorex", "-command", "ADD", "-path", "/x"},
                      0,
                      0,
                      {"ADD"},
                      {"/x"},
                      true},
        // Refused: the usage message.
        ArgumentsCase{"NoArguments", {"vorex"}, 0, 0, {}, {}, false},
        ArgumentsCase{"EmptyArgument", {"vorex", "-command", "ADD", "-path", ""}, 0, 0, {}, {}, false},
        ArgumentsCase{"BlankArgument", {"vorex", "-command", "ADD", "-path", " \t"}, 0, 0, {}, {}, false},
        ArgumentsCase{"EmptyQuotes", {"vorex", "-command", "ADD", "-path", "\"\""}, 0, 0, {}, {}, false},
        ArgumentsCase{"PathLast", {"vorex", "-command", "ADD", "-path"}, 0, 0, {}, {}, false},
        // An option word with more in its argument is no option word.
        ArgumentsCase{"CommandGluedToValue", {"vorex", "-command ADD", "-path", "/x"}, 0, 0, {}, {}, false},
        ArgumentsCase{"OptionWordsKeepTheirSpelling", {"vorex", "-COMMAND", "ADD", "-path", "/x"}, 0, 0, {}, {}, false},
        ArgumentsCase{
            "Unpaired", {"vorex", "-command", "ADD", "-command", "REMOVE", "-path", "/x"}, 0, 0, {}, {}, false},
        ArgumentsCase{"UnknownCommand", {"vorex", "-command", "DELETE", "-path", "/x"}, 0, 0, {}, {}, false}),
    [](const ::testing::TestParamInfo<ArgumentsCase>& info) { return std::string(info.param.name); });

TEST(ArgumentsRequestTest, HelpAndVersionAreAskedForAlone) {
  using Request = ParsedCommandLine::Request;
  EXPECT_EQ(ParseArguments({"vorex", "--help"}).request, Request::kHelp);
  EXPECT_EQ(ParseArguments({"vorex", "-h"}).request, Request::kHelp);
  EXPECT_EQ(ParseArguments({"vorex", "--version"}).request, Request::kVersion);
  EXPECT_EQ(ParseArguments({"vorex", "--help", "-h"}).request, Request::kRun);
  EXPECT_EQ(ParseArguments({"vorex", "-command", "ADD", "-path", "--help"}).paths, StringList{"--help"});
}

// "cd /opt/tool && vorex -command ADD -path ." names /opt/tool.
TEST(RelativeArgumentsTest, BecomeAbsoluteBeforeAnyTrim) {
  struct Row {
    const char* given;
    const char* written;
  } rows[] = {{".", "/opt/tool"}, {"..", "/opt"}, {"./x", "/opt/tool/x"}, {"../lib", "/opt/lib"}, {"x", "/opt/tool/x"}};
  for (const Row& row : rows) {
    ParsedCommandLine parsed = ParseArguments({"vorex", "-command", "ADD", "-path", row.given});
    ASSERT_EQ(parsed.problem, "") << row.given;
    EXPECT_EQ(CheckDirectories(parsed.paths, PathRules::Posix(), "/opt/tool"), "") << row.given;
    EXPECT_EQ(parsed.paths, StringList{row.written}) << row.given;
  }
}

// -matlabroot on one line: cut like -path, kept in the order given, independent of the pairs.
TEST(MatlabRootLineTest, CutLikePathAndKeptInOrder) {
  struct Row {
    const char* name;
    const char* line;
    StringList roots;
    StringList paths;     // in reverse, as ParsedCommandLine holds them
    std::string problem;  // empty: usable
  } rows[] = {
      {"Once",
       R"(vorex.exe -matlabroot C:\MATLAB\R2024a -command ADD -path C:\x)",
       {R"(C:\MATLAB\R2024a)"},
       {R"(C:\x)"},
       ""},
      {"TwiceFirstGivenFirst",
       R"(vorex.exe -matlabroot C:\M\R2023b -command ADD -path C:\x -matlabroot D:\M\R2024a -command ADD -path C:\y)",
       {R"(C:\M\R2023b)", R"(D:\M\R2024a)"},
       {R"(C:\y)", R"(C:\x)"},
       ""},
      {"QuotedBlanksAndDashes",
       R"(vorex.exe -matlabroot "C:\My -x Tools" -command ADD -path C:\x)",
       {R"(C:\My -x Tools)"},
       {R"(C:\x)"},
       ""},
      {"QuotedOptionWord",
       R"(vorex.exe -command ADD -matlabroot "C:\a -path b" -path C:\x)",
       {R"(C:\a -path b)"},
       {R"(C:\x)"},
       ""},
      {"UnquotedBlanks",
       R"(vorex.exe -command ADD -path C:\x -matlabroot C:\Program Files\MATLAB\R2024a )",
       {R"(C:\Program Files\MATLAB\R2024a)"},
       {R"(C:\x)"},
       ""},
      // Taken as given: neither made absolute nor trimmed like a -path value.
      {"RelativeAsGiven",
       "vorex.exe -matlabroot ..\\M. -matlabroot . -command ADD -path C:\\x",
       {"..\\M.", "."},
       {"C:\\x"},
       ""},
      {"GluedToPathValue", R"(vorex.exe -command ADD -path C:\x-matlabroot)", {}, {R"(C:\x-matlabroot)"}, ""},
      {"InsideQuotedPath", R"(vorex.exe -command ADD -path "C:\a -matlabroot b")", {}, {R"(C:\a -matlabroot b)"}, ""},
      // On one line an option word between blanks ends the value before it.
      {"BetweenBlanksEndsPath", R"(vorex.exe -command ADD -path C:\a -matlabroot b)", {"b"}, {R"(C:\a)"}, ""},
      {"Empty", R"(vorex.exe -matlabroot -command ADD -path C:\x)", {}, {}, problem::EmptyMatlabRoot()},
      {"EmptyQuotes", R"(vorex.exe -command ADD -path C:\x -matlabroot "")", {}, {}, problem::EmptyMatlabRoot()},
      {"Last", R"(vorex.exe -command ADD -path C:\x -matlabroot  )", {}, {}, problem::EmptyMatlabRoot()},
      {"OneEmptyOfTwo",
       R"(vorex.exe -matlabroot C:\M -matlabroot -command ADD -path C:\x)",
       {},
       {},
       problem::EmptyMatlabRoot()},
      // Naming installations is no work by itself.
      {"Alone", R"(vorex.exe -matlabroot C:\M)", {}, {}, problem::NoPair()},
      {"WithoutPath", R"(vorex.exe -matlabroot C:\M -command ADD)", {}, {}, problem::NoPair()},
      {"RootIsNoPath", R"(vorex.exe -command ADD -matlabroot C:\M)", {}, {}, problem::NoPair()},
  };
  for (const Row& row : rows) {
    ParsedCommandLine parsed = ParseCommandLine(row.line);
    EXPECT_EQ(parsed.problem, row.problem) << row.name;
    if (!row.problem.empty()) continue;
    EXPECT_EQ(parsed.matlabRoots, row.roots) << row.name;
    EXPECT_EQ(parsed.paths, row.paths) << row.name;
  }
}

// -matlabroot from whole arguments: only an argument of its own is the option word.
TEST(MatlabRootArgumentsTest, CutLikePathAndKeptInOrder) {
  struct Row {
    const char* name;
    std::vector<std::string> args;
    StringList roots;
    StringList paths;
    std::string problem;
  } rows[] = {
      {"Once",
       {"vorex", "-matlabroot", "/usr/local/MATLAB/R2024a", "-command", "ADD", "-path", "/x"},
       {"/usr/local/MATLAB/R2024a"},
       {"/x"},
       ""},
      {"TwiceFirstGivenFirst",
       {"vorex", "-matlabroot", "/opt/b", "-command", "ADD", "-path", "/x", "-matlabroot", "/opt/a"},
       {"/opt/b", "/opt/a"},
       {"/x"},
       ""},
      {"QuotedBlanksAndDashes",
       {"vorex", "-command", "ADD", "-path", "/x", "-matlabroot", "\"/opt/My -x Tools\""},
       {"/opt/My -x Tools"},
       {"/x"},
       ""},
      {"OverSeveralArguments",
       {"vorex", "-matlabroot", "/opt/My", "Tools", "-command", "ADD", "-path", "/x"},
       {"/opt/My Tools"},
       {"/x"},
       ""},
      {"OneArgumentHoldingOptions",
       {"vorex", "-matlabroot", "/opt/M -command REMOVE -path /y", "-command", "ADD", "-path", "/x"},
       {"/opt/M -command REMOVE -path /y"},
       {"/x"},
       ""},
      {"ColonKept", {"vorex", "-matlabroot", "/opt/a:b", "-command", "ADD", "-path", "/x"}, {"/opt/a:b"}, {"/x"}, ""},
      // Made absolute later, like a -path value.
      {"RelativeAsGiven",
       {"vorex", "-matlabroot", ".", "-matlabroot", "../M", "-command", "ADD", "-path", "/x"},
       {".", "../M"},
       {"/x"},
       ""},
      {"WordInsidePath", {"vorex", "-command", "ADD", "-path", "/opt/-matlabroot/x"}, {}, {"/opt/-matlabroot/x"}, ""},
      {"WordAfterBlankInsidePath",
       {"vorex", "-command", "ADD", "-path", "/opt/a -matlabroot /b"},
       {},
       {"/opt/a -matlabroot /b"},
       ""},
      {"Empty", {"vorex", "-matlabroot", "", "-command", "ADD", "-path", "/x"}, {}, {}, problem::EmptyMatlabRoot()},
      {"Blank", {"vorex", "-command", "ADD", "-path", "/x", "-matlabroot", " \t"}, {}, {}, problem::EmptyMatlabRoot()},
      {"EmptyQuotes",
       {"vorex", "-command", "ADD", "-path", "/x", "-matlabroot", "\"\""},
       {},
       {},
       problem::EmptyMatlabRoot()},
      {"Last", {"vorex", "-command", "ADD", "-path", "/x", "-matlabroot"}, {}, {}, problem::EmptyMatlabRoot()},
      {"Alone", {"vorex", "-matlabroot", "/opt/M"}, {}, {}, problem::NoPair()},
      {"RootIsNoPath", {"vorex", "-command", "ADD", "-matlabroot", "/opt/M"}, {}, {}, problem::NoPair()},
  };
  for (const Row& row : rows) {
    ParsedCommandLine parsed = ParseArguments(row.args);
    EXPECT_EQ(parsed.problem, row.problem) << row.name;
    if (!row.problem.empty()) continue;
    EXPECT_EQ(parsed.matlabRoots, row.roots) << row.name;
    EXPECT_EQ(parsed.paths, row.paths) << row.name;
  }
}

// -check and -octave are found and cut like -log and -silent, on one line and in arguments
// (the line split at its blanks), beside each other in any order.
TEST(SwitchesTest, CheckAndOctaveAreCutLikeLog) {
  struct Row {
    const char* line;
    int check;
    int octave;
    int silent;
    int log;
  } rows[] = {
      {"vorex -check on -command ADD -path /x", 1, 0, 0, 0},
      {"vorex -command ADD -path /x -check ON", 1, 0, 0, 0},
      {"vorex -command ADD -check oN -path /x", 1, 0, 0, 0},
      {"vorex -command ADD -path /x -check off", 0, 0, 0, 0},
      {"vorex -check off -command ADD -path /x -check on", 0, 0, 0, 0},
      {"vorex -check on -command ADD -path /x -check off", 1, 0, 0, 0},
      {"vorex -octave on -command ADD -path /x", 0, 1, 0, 0},
      {"vorex -command ADD -path /x -octave On", 0, 1, 0, 0},
      {"vorex -octave off -command ADD -path /x -octave on", 0, 0, 0, 0},
      {"vorex -silent on -check on -log on -octave on -command ADD -path /x", 1, 1, 1, 1},
      {"vorex -command ADD -path /x -octave on -silent on -check on", 1, 1, 1, 0},
      {"vorex -log on -check off -octave on -silent off -command ADD -path /x", 0, 1, 0, 1},
      {"vorex -check on -octave off -command ADD -log ON -path /x -silent on", 1, 0, 1, 1},
      // Each switch has its own first: an earlier -check does not hide -octave's.
      {"vorex -check off -octave on -check on -log off -command ADD -path /x", 0, 1, 0, 0},
  };
  for (const Row& row : rows) {
    std::string line = row.line;
    for (const ParsedCommandLine& parsed : {ParseCommandLine(line), ParseArguments(Words(line))}) {
      EXPECT_EQ(parsed.problem, "") << row.line;
      EXPECT_EQ(parsed.checkSwitch, row.check) << row.line;
      EXPECT_EQ(parsed.octaveSwitch, row.octave) << row.line;
      EXPECT_EQ(parsed.silentSwitch, row.silent) << row.line;
      EXPECT_EQ(parsed.logSwitch, row.log) << row.line;
      EXPECT_EQ(parsed.commands, StringList{"ADD"}) << row.line;
      EXPECT_EQ(parsed.paths, StringList{"/x"}) << row.line;  // no switch's value is taken into it
      EXPECT_TRUE(parsed.matlabRoots.empty()) << row.line;
    }
  }
}

// The installations' folders: refused or made absolute like -path values, but a ":" is harmless.
TEST(CheckMatlabRootsTest, RefusesOrRewritesOddFolders) {
  struct Row {
    const char* name;
    bool windows;
    StringList given;
    StringList written;  // empty: refused
  } rows[] = {
      {"Absolute", false, {"/usr/local/MATLAB/R2024a"}, {"/usr/local/MATLAB/R2024a"}},
      {"Colon", false, {"/opt/a:b"}, {"/opt/a:b"}},
      {"RelativeColon", false, {"a:b"}, {"/home/me/a:b"}},
      {"Dot", false, {"."}, {"/home/me"}},
      {"DotDot", false, {"../M"}, {"/home/M"}},
      {"EachInOrder", false, {"R2024a", "/opt/M", "./R2023b"}, {"/home/me/R2024a", "/opt/M", "/home/me/R2023b"}},
      {"Tilde", false, {"~/MATLAB"}, {}},
      {"TildeAfterGoodOne", false, {"/opt/M", "~"}, {}},
      {"Newline", false, {"/opt/a\nb"}, {}},
      {"Nul", false, {std::string("/opt/a\0b", 8)}, {}},
      {"WindowsRelativeUntouched", true, {"..\\M."}, {"..\\M."}},
      {"WindowsTildeUntouched", true, {"C:\\PROGRA~1\\MATLAB"}, {"C:\\PROGRA~1\\MATLAB"}},
      {"WindowsCarriageReturn", true, {"C:\\a\rb"}, {}},
  };
  for (const Row& row : rows) {
    StringList roots = row.given;
    std::string problem = CheckMatlabRoots(roots, row.windows ? PathRules::Windows() : PathRules::Posix(), "/home/me");
    if (row.written.empty()) {
      EXPECT_EQ(problem.rfind("Problem: ", 0), 0u) << row.name;
    } else {
      EXPECT_EQ(problem, "") << row.name;
      EXPECT_EQ(roots, row.written) << row.name;
    }
  }
  StringList relative{"M"};
  EXPECT_NE(CheckMatlabRoots(relative, PathRules::Posix(), ""), "");  // no current directory known
}

TEST(HelpTextTest, ListsEveryOption) {
  std::string help = HelpText();
  EXPECT_EQ(help.rfind(UsageText(""), 0), 0u);
  for (const char* option : {"-matlabroot ", "-log on ", "-logfile ", "-silent on ", "-check on ", "-octave on ",
                             "-diff on ", "-notfound ok ", "-report json "})
    EXPECT_NE(help.find(std::string("\n  ") + option), std::string::npos) << option;
}

// Where an option word must stand (at the start, after a one-word value) a word is refused unless
// it is one; every option but the directories takes exactly one of its words. Both parsers agree,
// and the problem line names what was refused.
TEST(OptionWordsTest, WhatIsNoOptionOrNoValueIsRefused) {
  struct Row {
    const char* line;
    std::string problem;
  } rows[] = {
      {"vorex -silnet on -command ADD -path /x", problem::UnknownOption("-silnet")},
      {"vorex -silent on -bogus ok -command ADD -path /x", problem::UnknownOption("-bogus")},
      {"vorex -command ADD -bogus -path /x", problem::UnknownOption("-bogus")},
      {"vorex --help -command ADD -path /x", problem::UnknownOption("--help")},
      {"vorex -silent yes -command ADD -path /x", problem::BadValue("-silent", "yes", "on or off")},
      {"vorex -command ADD -path /x -log 1", problem::BadValue("-log", "1", "on or off")},
      {"vorex -command ADD -path /x -octave", problem::BadValue("-octave", "", "on or off")},
      {"vorex -check -command ADD -path /x", problem::BadValue("-check", "", "on or off")},
      {"vorex -diff true -command ADD -path /x", problem::BadValue("-diff", "true", "on or off")},
      {"vorex -notfound yes -command ADD -path /x", problem::BadValue("-notfound", "yes", "ok or fail")},
      {"vorex -report xml -command ADD -path /x", problem::BadValue("-report", "xml", "text or json")},
      // Every occurrence is checked, not only the first, which is the one that counts.
      {"vorex -log on -command ADD -path /x -log maybe", problem::BadValue("-log", "maybe", "on or off")},
      {"vorex -silent on extra -command ADD -path /x", problem::WordAfterValue("-silent", "extra")},
      {"vorex -check on on -command ADD -path /x", problem::WordAfterValue("-check", "on")},
      {"vorex -command ADD REMOVE -path /x", problem::WordAfterValue("-command", "REMOVE")},
      {"vorex -logfile -command ADD -path /x", problem::EmptyLogFile()},
      {"vorex -command ADD -path /x -logfile \"\"", problem::EmptyLogFile()},
      {"vorex -logfile /a -command ADD -path /x -logfile /b", problem::LogFileTwice()},
      // A bad value is named before a missing pair.
      {"vorex -silent yes", problem::BadValue("-silent", "yes", "on or off")},
  };
  for (const Row& row : rows)
    for (const ParsedCommandLine& parsed : {ParseCommandLine(row.line), ParseArguments(Words(row.line))})
      EXPECT_EQ(parsed.problem, row.problem) << row.line;
  // After a directory an unknown word is part of the directory, on both systems.
  const char* line = "vorex -command ADD -path /x -Log on";
  for (const ParsedCommandLine& parsed : {ParseCommandLine(line), ParseArguments(Words(line))}) {
    EXPECT_EQ(parsed.problem, "");
    EXPECT_EQ(parsed.paths, StringList{"/x -Log on"});
    EXPECT_EQ(parsed.logSwitch, 0);
  }
}

// The options of two words: either word in any case, the first occurrence counts, and a
// -logfile value is cut like a directory.
TEST(OptionValuesTest, ReadOnBothSystems) {
  using Format = ParsedCommandLine::ReportFormat;
  struct Row {
    const char* line;
    bool notFoundOk;
    Format format;
    int diff;
    std::string logFile;
  } rows[] = {
      {"vorex -command ADD -path /x", false, Format::kText, 0, ""},
      {"vorex -notfound ok -command ADD -path /x", true, Format::kText, 0, ""},
      {"vorex -notfound OK -command ADD -path /x -notfound fail", true, Format::kText, 0, ""},
      {"vorex -notfound Fail -command ADD -path /x", false, Format::kText, 0, ""},
      {"vorex -report json -command ADD -path /x", false, Format::kJson, 0, ""},
      {"vorex -report TEXT -report json -command ADD -path /x", false, Format::kText, 0, ""},
      {"vorex -command ADD -path /x -diff On", false, Format::kText, 1, ""},
      {"vorex -diff off -command ADD -path /x -diff on", false, Format::kText, 0, ""},
      {"vorex -logfile /var/log/v.log -command ADD -path /x", false, Format::kText, 0, "/var/log/v.log"},
      {"vorex -command ADD -logfile /tmp/my -x.log -path /x", false, Format::kText, 0, "/tmp/my -x.log"},
      {"vorex -logfile rel.log -report json -notfound ok -diff on -command ADD -path /x", true, Format::kJson, 1,
       "rel.log"},
  };
  for (const Row& row : rows) {
    for (const ParsedCommandLine& parsed : {ParseCommandLine(row.line), ParseArguments(Words(row.line))}) {
      ASSERT_EQ(parsed.problem, "") << row.line;
      EXPECT_EQ(parsed.notFoundOk, row.notFoundOk) << row.line;
      EXPECT_EQ(parsed.reportFormat, row.format) << row.line;
      EXPECT_EQ(parsed.diffSwitch, row.diff) << row.line;
      EXPECT_EQ(parsed.logFile, row.logFile) << row.line;
      EXPECT_EQ(parsed.paths, StringList{"/x"}) << row.line;
    }
  }
  // Quoted on one line, whole as one argument: blanks and option words stay in the file name.
  EXPECT_EQ(ParseCommandLine(R"(vorex.exe -logfile "C:\l -path x.log" -command ADD -path C:\x)").logFile,
            R"(C:\l -path x.log)");
  EXPECT_EQ(ParseArguments({"vorex", "-logfile", "/l -path x.log ", "-command", "ADD", "-path", "/x"}).logFile,
            "/l -path x.log ");
}

// Every check runs on the directory as it is written: made absolute first on POSIX, so a current
// directory that holds a line break, a ':' or a marker's text is refused with the relative name.
TEST(CheckDirectoriesTest, ChecksTheFormThatIsWritten) {
  const std::string nel = "\xC2\x85", lineSep = "\xE2\x80\xA8", paraSep = "\xE2\x80\xA9";
  struct Row {
    const char* name;
    bool windows;
    std::string dir;
    std::string cwd;
    std::string problem;  // empty: usable
  } rows[] = {
      {"CwdNewline", false, "x", "/tmp/a\nb", problem::LineBreakInDirectory("/tmp/a\nb/x")},
      {"CwdCarriageReturn", false, ".", "/tmp/a\rb", problem::LineBreakInDirectory("/tmp/a\rb")},
      {"CwdNel", false, "../x", "/tmp/a" + nel + "b/c", problem::LineBreakInDirectory("/tmp/a" + nel + "b/x")},
      {"CwdColon", false, "x", "/tmp/a:b", problem::ColonInDirectory("/tmp/a:b/x")},
      {"CwdMarker", false, "x", "/tmp/%%% END ENTRIES %%%",
       problem::MarkerInDirectory("/tmp/%%% END ENTRIES %%%/x", "%%% END ENTRIES %%%")},
      {"Nel", false, "/opt/a" + nel, "/", problem::LineBreakInDirectory("/opt/a" + nel)},
      {"LineSeparator", false, "/opt/a" + lineSep + "b", "/", problem::LineBreakInDirectory("/opt/a" + lineSep + "b")},
      {"ParagraphSeparator", true, "C:\\a" + paraSep, "", problem::LineBreakInDirectory("C:\\a" + paraSep)},
      {"WindowsNewline", true, "C:\\a\nb", "", problem::LineBreakInDirectory("C:\\a\nb")},
      {"EndMarker", false, "/opt/x %%% END ENTRIES %%%", "/",
       problem::MarkerInDirectory("/opt/x %%% END ENTRIES %%%", "%%% END ENTRIES %%%")},
      {"BeginMarker", true, "C:\\%%% BEGIN ENTRIES %%%", "",
       problem::MarkerInDirectory("C:\\%%% BEGIN ENTRIES %%%", "%%% BEGIN ENTRIES %%%")},
      // Windows writes it lower-cased, where the marker's text counts in any case; POSIX keeps case.
      {"WindowsMarkerAnyCase", true, "C:\\%%% end entries %%%", "",
       problem::MarkerInDirectory("C:\\%%% end entries %%%", "%%% END ENTRIES %%%")},
      {"PosixMarkerOtherCase", false, "/opt/%%% end entries %%%", "/", ""},
      {"PercentsAlone", false, "/opt/%%% x %%%", "/", ""},
      // Other bytes above ASCII are names like any other.
      {"Utf8Name", false, "/opt/caf\xC3\xA9 \xE2\x80\xA6", "/", ""},
  };
  for (const Row& row : rows) {
    StringList paths{row.dir};
    EXPECT_EQ(CheckDirectories(paths, row.windows ? PathRules::Windows() : PathRules::Posix(), row.cwd), row.problem)
        << row.name;
  }
}

// Installations' folders and the log file are only opened: a line break refuses them, a marker's
// text or a ':' does not; POSIX makes them absolute first, Windows takes them as given.
TEST(CheckOpenedNamesTest, RootsAndTheLogFile) {
  struct Row {
    const char* name;
    bool windows;
    std::string given;
    std::string checked;  // empty: refused
  } rows[] = {
      {"Absolute", false, "/var/log/v.log", "/var/log/v.log"},
      {"Relative", false, "logs/../v.log", "/home/me/v.log"},
      {"Colon", false, "a:b.log", "/home/me/a:b.log"},
      {"Marker", false, "%%% END ENTRIES %%%", "/home/me/%%% END ENTRIES %%%"},
      {"TrailingBlankKept", false, "v.log ", "/home/me/v.log "},
      {"Tilde", false, "~/v.log", ""},
      {"Newline", false, "/tmp/a\nb", ""},
      {"LineSeparator", false, "/tmp/a\xE2\x80\xA8", ""},
      {"WindowsAsGiven", true, "..\\v.log", "..\\v.log"},
      {"WindowsCarriageReturn", true, "C:\\a\rb", ""},
  };
  for (const Row& row : rows) {
    PathRules rules = row.windows ? PathRules::Windows() : PathRules::Posix();
    std::string logFile = row.given;
    StringList roots{row.given};
    std::string logProblem = CheckLogFile(logFile, rules, "/home/me");
    EXPECT_EQ(logProblem, CheckMatlabRoots(roots, rules, "/home/me")) << row.name;
    if (row.checked.empty()) {
      EXPECT_EQ(logProblem.rfind("Problem: ", 0), 0u) << row.name;
      continue;
    }
    EXPECT_EQ(logProblem, "") << row.name;
    EXPECT_EQ(logFile, row.checked) << row.name;
    EXPECT_EQ(roots, StringList{row.checked}) << row.name;
  }
  std::string none;
  EXPECT_EQ(CheckLogFile(none, PathRules::Posix(), ""), "");  // not given: nothing to check
  EXPECT_EQ(none, "");
}

}  // namespace
}  // namespace vorex
