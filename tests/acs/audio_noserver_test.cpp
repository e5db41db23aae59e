// The sound-card components on a machine without any sound device: the test runs without a sound server.

#include <gtest/gtest.h>

#include "acs/ACS_Audio.h"
#include "tests/acs/TestStreams.h"
#include "tests/data/TestProcess.h"

namespace {

TEST(AudioWithoutDevice, QueriesFailAndPlaybackFailsToStartCleanly) {
  TDeviceInfo info;
  try {
    GetDeviceInfo(0, false, info);
    FAIL() << "a recording device exists";
  } catch (const EACSException& error) {
    EXPECT_STREQ(error.what(), "Device 0 is not available.");
  }
  EXPECT_THROW(GetDeviceInfo(0, true, info), EACSException);

  TAudioOut sink;
  sink.SetBaseChannel(3);  // without devices any number goes, and means the first
  EXPECT_EQ(sink.BaseChannel(), 0);
  teststreams::MemorySource source(std::vector<std::uint8_t>(1000));
  sink.SetInput(&source);
  EXPECT_THROW(sink.Run(), EACSException);
  EXPECT_FALSE(sink.Busy());
  EXPECT_FALSE(source.Busy());

  TAudioIn recorder;
  try {
    recorder.SetBaseChannel(0);
    FAIL() << "recording channel 0 exists";
  } catch (const EACSException& error) {
    EXPECT_STREQ(error.what(), "Channel 0 is not available");
  }
  EXPECT_THROW(recorder.Init(), EACSException);
  EXPECT_FALSE(recorder.Busy());
}

TEST(AudioWithoutDevice, TheDeviceListSaysSoAndFails) {
  testdata::ProcessResult devices = testdata::RunCommand(std::string(QUILLON_CLI) + " devices");
  EXPECT_EQ(1, devices.status);
  EXPECT_EQ(0u, devices.out.find("quillon-cli: error: No sound device")) << devices.out;
}

}  // namespace
