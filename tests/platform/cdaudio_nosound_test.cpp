// The CD audio device on a machine without a sound device: it opens and answers, and playing does nothing.

#include <gtest/gtest.h>

#include "platform/cdaudio/CdAudioDevice.h"
#include "tests/data/TestDiscs.h"

TEST(CdAudioWithoutSound, OpensAndAnswersButDoesNotPlay) {
  testdata::TempFolder folder;
  std::vector<discimage::ImageTrack> tracks = {{{}, testdata::Pattern(testdata::BlockFrames(75), 1)},
                                               {{}, testdata::Pattern(testdata::BlockFrames(75), 2)}};
  SetPhysicalDrivesEnabled(false);
  SetCDImageFiles({discimage::WriteImage(folder.Path().string(), "disc", tracks, {})});
  CDLIST list;
  ASSERT_EQ(GetCDList(&list), 1);
  CdAudioDevice device;
  device.Open(list.cd[0]);
  device.SetTimeFormatTMSF();
  EXPECT_EQ(device.NumberOfTracks(), 2);
  EXPECT_EQ(device.Mode(), CdAudioMode::Stopped);
  EXPECT_TRUE(device.Seek(2));
  EXPECT_FALSE(device.Play());
  EXPECT_EQ(device.Mode(), CdAudioMode::Stopped);
  EXPECT_FALSE(device.Resume());
  EXPECT_EQ(device.Position(), 2u);
}
