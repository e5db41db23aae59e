#include <gtest/gtest.h>

#include <atomic>

#include "batch/BatchQueue.h"
#include "batch/DiscIdentifier.h"
#include "batch/LoaderCommands.h"
#include "platform/inifile/TIniFile.h"
#include "tests/data/TestDiscs.h"

namespace {

// A disc goes forward only; a reopened queue holds what was stored; a disc a killed run left unfinished starts
// again from waiting with nothing of its results, and only done discs make a duplicate.
TEST(BatchQueueTest, StatesMoveForwardAndSurviveReopening) {
  testdata::TempFolder folder;
  const std::string path = folder.File("queue.sqlite");
  {
    BatchQueue queue(path);
    QueuedDisc done = queue.Add("/dev/sr0", "2026-01-01T00:00:00Z");
    done.cddbId = "1a2b3c4d";
    queue.Move(done, DiscState::Ripping);
    queue.Move(done, DiscState::Done);
    EXPECT_THROW(queue.Move(done, DiscState::Ripping), BatchQueueError);
    EXPECT_THROW(queue.Restart(done), BatchQueueError);
    QueuedDisc unfinished = queue.Add("/dev/sr0", "2026-01-01T00:01:00Z");
    unfinished.cddbId = "1a2b3c4d";
    unfinished.tracks = "[1]";
    queue.Move(unfinished, DiscState::Verifying);
    EXPECT_THROW(queue.Move(unfinished, DiscState::Identified), BatchQueueError);
  }
  BatchQueue queue(path);
  std::vector<QueuedDisc> discs = queue.All();
  ASSERT_EQ(2u, discs.size());
  EXPECT_EQ(DiscState::Done, discs[0].state);
  EXPECT_EQ(DiscState::Verifying, discs[1].state);
  EXPECT_EQ(1, queue.FinishedCount("/dev/sr0"));
  EXPECT_TRUE(queue.DoneBefore("1a2b3c4d", "", discs[1].id));
  EXPECT_FALSE(queue.DoneBefore("1a2b3c4d", "", discs[0].id));
  queue.Restart(discs[1]);
  EXPECT_EQ(DiscState::Waiting, queue.Last("/dev/sr0")->state);
  EXPECT_EQ("", queue.Last("/dev/sr0")->tracks);
  EXPECT_EQ("2026-01-01T00:01:00Z", queue.Last("/dev/sr0")->started);
}

// Exit 0 is done, 1 no more discs, anything else an error naming the status; a command past its time is killed;
// the drive reaches the command as one argument, whatever its characters.
TEST(BatchQueueTest, LoaderCommandsTellTheirOutcomes) {
  testdata::TempFolder folder;
  const std::string drive = folder.File("a drive's \"image\" $HOME.cue");
  struct Case {
    std::string command;
    LoaderResult::Outcome outcome;
    std::string error;
  };
  const std::vector<Case> cases = {
      {"test -n", LoaderResult::Outcome::Done, ""},
      {"sh -c 'printf %s \"$0\" > " + folder.File("seen") + "'", LoaderResult::Outcome::Done, ""},
      {"exit 1; true", LoaderResult::Outcome::NoMoreDiscs, ""},
      {"echo jammed >&2; exit 3; true", LoaderResult::Outcome::Failed, " exited with status 3 (jammed)"},
      {"sleep 30; true", LoaderResult::Outcome::Failed, "sleep 30; true did not end within 1 s and was killed"},
  };
  std::atomic<bool> stop{false};
  for (const Case& test : cases) {
    testdata::WriteTextFile(folder.File("settings.ini"), "[Batch]\nload command=" + test.command + "\ncommand timeout=1\n");
    TIniFile settings(folder.File("settings.ini"));
    LoaderResult result = LoaderCommands(settings).Load(drive, stop);
    EXPECT_EQ(test.outcome, result.outcome) << test.command;
    EXPECT_NE(std::string::npos, result.error.find(test.error)) << result.error;
  }
  EXPECT_EQ(drive, testdata::ReadTextFile(folder.File("seen")));
}

// Of several releases the one whose track lengths lie nearest the disc's; one without lengths is the last choice.
TEST(BatchQueueTest, TheNearestReleaseByTrackLengthsIsChosen) {
  const std::vector<std::uint32_t> blocks = {7500, 15000};  // 100 s and 200 s
  EXPECT_EQ(1u, NearestRelease({{0, 0}, {100500, 199000}, {90000, 200000}}, blocks));
  EXPECT_EQ(0u, NearestRelease({{100000, 200000}, {100000}}, blocks));
}

}  // namespace
