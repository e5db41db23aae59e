#include <gtest/gtest.h>

#include "tests/data/TestDiscs.h"
#include "tests/data/TestProcess.h"

namespace {

testdata::ProcessResult RunCli(const std::string& arguments) {
  return testdata::RunCommand(std::string(QUILLON_CLI) + " " + arguments);
}

TEST(DiscCommandsTest, TocPrintsTheDiscAndItsTrackTable) {
  testdata::TempFolder folder;
  std::vector<discimage::ImageTrack> tracks = {{{}, testdata::Pattern(testdata::BlockFrames(18787), 1)},
                                               {testdata::Pattern(testdata::BlockFrames(75), 2),
                                                testdata::Pattern(testdata::BlockFrames(75), 3)}};
  std::string sheet = discimage::WriteImage(folder.Path(), "my disc", tracks, {discimage::FileType::Wave, true});
  testdata::ProcessResult result = RunCli("toc '" + sheet + "'");
  EXPECT_EQ(0, result.status);
  EXPECT_EQ(
      "First: 1\nLast: 2\nLeadout: 18937\nDiscID: c00fc02\n"
      "01\tTrack-01.mp3\t04:11,37\t   42.31 M\t18862\t0\n"
      "02\tTrack-02.mp3\t00:01,00\t    0.17 M\t75\t18862\n",
      result.out);
}

TEST(DiscCommandsTest, FailuresAndWrongUsageHaveTheirExitStatus) {
  testdata::ProcessResult missing = RunCli("toc /nonexistent/disc.cue");
  EXPECT_EQ(1, missing.status);
  EXPECT_EQ("error: Cannot open file /nonexistent/disc.cue\n", missing.out);  // the reason, not just "no disc"
  EXPECT_EQ(2, RunCli("toc").status);
  EXPECT_EQ(2, RunCli("frobnicate").status);
}

}  // namespace
