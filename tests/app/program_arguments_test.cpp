#include "app/ProgramArguments.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using Action = ProgramArguments::Action;

TEST(ProgramArgumentsTest, UrlsPathsAndOptionsAsDesktopsAndTerminalsGiveThem) {
  const std::string here = std::filesystem::current_path().string();
  struct Case {
    std::vector<const char*> arguments;
    Action action;
    std::vector<std::string> sources;
  };
  const Case cases[] = {
      {{}, Action::Start, {}},
      {{"file:///home/me/My%20Disc.cue"}, Action::Start, {"/home/me/My Disc.cue"}},
      {{"file://localhost/discs/a.cue"}, Action::Start, {"/discs/a.cue"}},
      {{"cdda://sr0/", "cdda:///dev/sr1"}, Action::Start, {"/dev/sr0", "/dev/sr1"}},
      {{"discs/../b.cue", "bincue:c.cue"}, Action::Start, {here + "/b.cue", "bincue:" + here + "/c.cue"}},
      {{"/dev/cdrom", "--version"}, Action::Version, {}},
      {{"--frobnicate", "-h"}, Action::Help, {}},
      {{"--frobnicate"}, Action::Error, {}},
      {{"file://server/share/a.cue"}, Action::Error, {}},
  };
  for (const Case& c : cases) {
    std::vector<const char*> argv{"quillon"};
    argv.insert(argv.end(), c.arguments.begin(), c.arguments.end());
    ProgramArguments parsed = ParseProgramArguments(static_cast<int>(argv.size()), argv.data());
    EXPECT_EQ(c.action, parsed.action) << (c.arguments.empty() ? "" : c.arguments[0]);
    EXPECT_EQ(c.sources, parsed.sources) << (c.arguments.empty() ? "" : c.arguments[0]);
    EXPECT_EQ(c.action == Action::Error, !parsed.error.empty());
  }
  for (std::size_t start = 0, end; start < ProgramHelp().size(); start = end + 1) {
    end = ProgramHelp().find('\n', start);
    EXPECT_LE(end - start, 80u) << "help lines fit a terminal";
  }
}

}  // namespace
