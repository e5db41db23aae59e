#include "rip/RipJob.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <mutex>

#include "acs/ACS_Vorbis.h"
#include "acs/ACS_Wave.h"
#include "platform/inifile/TIniFile.h"
#include "tests/acs/TestStreams.h"
#include "tests/data/TestDiscs.h"

namespace fs = std::filesystem;
using discimage::ImageTrack;
using testdata::BlockFrames;
using testdata::Pattern;

namespace {

// Records what the window would show and runs the encoder's reports on the test's thread.
class RecordingHost : public RipHost {
 public:
  void SetCaption(const std::string& text) override { captions.push_back(text); }
  void SetButtonCaption(const std::string& text) override { button = text; }
  void SetGauge(int percent) override {
    gauges.push_back(percent);
    if (onGauge) onGauge(percent);
  }
  void ProcessMessages() override {}
  void ShowError(const std::string& text) override { errors.push_back(text); }
  void ShowStandardError(const std::string& text) override { errors.push_back(text); }
  void CloseWindow() override { ++closes; }
  void UncheckRow(std::size_t row) override { unchecked.push_back(row); }
  void Post(std::function<void()> work) override {
    std::lock_guard<std::mutex> guard(lock);
    posted.push_back(std::move(work));
  }
  void RunUntilDone(const RipJob& job) {
    ASSERT_TRUE(teststreams::WaitFor([&] {
      std::function<void()> work;
      {
        std::lock_guard<std::mutex> guard(lock);
        if (!posted.empty()) {
          work = std::move(posted.front());
          posted.pop_front();
        }
      }
      if (work) work();
      return !job.Running();
    }));
  }

  std::vector<std::string> captions, errors;
  std::string button;
  std::vector<int> gauges;
  std::vector<std::size_t> unchecked;
  int closes = 0;
  std::function<void(int)> onGauge;
  std::mutex lock;
  std::deque<std::function<void()>> posted;
};

std::vector<std::uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class RipJobTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { BindVorbisLibraries(); }

  void SetUp() override { fs::create_directory(FFolder.Path() / "out"); }

  void TearDown() override {
    if (FHandle != 0) CloseCDHandle(FHandle);
    SetCDImageFiles({});
  }

  // A disc of the given tracks, opened, with one checked row per track named for the format.
  RipInput Disc(const std::vector<ImageTrack>& tracks, OutputFormat format) {
    if (FHandle != 0) CloseCDHandle(FHandle);
    FHandle = testdata::OpenImageDrive(discimage::WriteImage(FFolder.Path(), "disc", tracks, {}));
    RipInput input;
    input.format = format;
    input.folder = (FFolder.Path() / "out").string();
    input.handle = FHandle;
    std::uint32_t start = 0;
    for (std::size_t k = 0; k < tracks.size(); ++k) {
      auto blocks = static_cast<std::uint32_t>(testdata::ExpectedTrackBytes(tracks, k).size() / 2352);
      TrackRow row = MakeTrackRow(static_cast<int>(k) + 1, blocks, format);
      input.rows.push_back({true, row.number, row.name, blocks, start});
      start += blocks;
    }
    return input;
  }

  std::string Out(const std::string& name) const { return (FFolder.Path() / "out" / name).string(); }

  std::vector<std::string> OutFiles() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(FFolder.Path() / "out")) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }

  void Rip(RipInput input) {
    FJob.Start(std::move(input));
    FHost.RunUntilDone(FJob);
  }

  testdata::TempFolder FFolder;
  HCDROM FHandle = 0;
  RecordingHost FHost;
  TWaveIn FWaveIn;
  TVorbisOut FVorbisOut;
  RipJob FJob{FHost, FWaveIn, FVorbisOut};
};

std::vector<ImageTrack> ThreeTracks() {
  return {{{}, Pattern(BlockFrames(100), 1)}, {{}, Pattern(BlockFrames(26), 2)}, {{}, Pattern(BlockFrames(10), 3)}};
}

TEST_F(RipJobTest, WavFilesHoldTheDiscsAudioBitForBit) {
  auto tracks = ThreeTracks();
  RipInput input = Disc(tracks, OutputFormat::WAV);
  input.rows[1].name = "  Spaced Out.wav ";
  Rip(input);
  EXPECT_TRUE(FHost.errors.empty());
  EXPECT_EQ((std::vector<std::string>{"Spaced Out.wav", "Track-01.wav", "Track-03.wav"}), OutFiles());
  const char* names[] = {"Track-01.wav", "Spaced Out.wav", "Track-03.wav"};
  for (std::size_t k = 0; k < 3; ++k) {
    std::vector<std::uint8_t> pcm = testdata::ExpectedTrackBytes(tracks, k);
    TWaveHeader header = MakeWaveHeader(2, 16, static_cast<std::int32_t>(pcm.size()), 44100);
    std::vector<std::uint8_t> expected(header.begin(), header.end());
    expected.insert(expected.end(), pcm.begin(), pcm.end());
    EXPECT_TRUE(ReadAll(Out(names[k])) == expected) << names[k];
  }
  EXPECT_EQ(44u + 235200u, ReadAll(Out("Track-01.wav")).size());
  // One gauge step per read: 100 blocks in four reads, 26 in 25 + 1, 10 in one.
  EXPECT_EQ((std::vector<int>{25, 50, 75, 100, 96, 100, 100}), FHost.gauges);
  EXPECT_EQ((std::vector<std::string>{"Marrowby", "Processing:01 (Track-01.wav)", "Processing:02 (  Spaced Out.wav )",
                                      "Processing:03 (Track-03.wav)", "Finished!"}),
            FHost.captions);
  EXPECT_EQ("Close", FHost.button);
  EXPECT_EQ((std::vector<std::string>{Out("Track-01.wav"), Out("Spaced Out.wav"), Out("Track-03.wav")}),
            FJob.Finished());
}

TEST_F(RipJobTest, CancellingAWavRipKeepsFinishedTracksOnly) {
  RipInput input = Disc(ThreeTracks(), OutputFormat::WAV);
  testdata::WriteTextFile(Out("Track-02.wav"), "an earlier rip");
  FHost.onGauge = [&](int) {
    if (FHost.captions.back().rfind("Processing:02", 0) == 0) FJob.SetCancel(true);
  };
  Rip(input);
  EXPECT_EQ((std::vector<std::string>{"Track-01.wav", "Track-02.wav"}), OutFiles());
  EXPECT_EQ(14u, ReadAll(Out("Track-02.wav")).size());  // the unfinished replacement never took its place
  EXPECT_EQ("Finished!", FHost.captions.back());
  EXPECT_EQ("Close", FHost.button);

  FHost.onGauge = [&](int) { FJob.SetCancel(false); };  // answering No
  Rip(input);
  EXPECT_EQ((std::vector<std::string>{"Track-01.wav", "Track-02.wav", "Track-03.wav"}), OutFiles());
}

// The first MPEG audio frame header of a file.
struct FrameHeader {
  int bitrateIndex, rateIndex;
  bool crc, privateBit, copyright, original;
};

FrameHeader FirstFrame(const std::vector<std::uint8_t>& mp3) {
  for (std::size_t i = 0; i + 4 <= mp3.size(); ++i) {
    if (mp3[i] != 0xFF || (mp3[i + 1] & 0xE0) != 0xE0) continue;
    return {mp3[i + 2] >> 4, (mp3[i + 2] >> 2) & 3, (mp3[i + 1] & 1) == 0, (mp3[i + 2] & 1) != 0,
            (mp3[i + 3] & 8) != 0, (mp3[i + 3] & 4) != 0};
  }
  return {};
}

TEST_F(RipJobTest, Mp3FilesCarryTheChosenRateBitRateAndFlags) {
  RipInput input = Disc({{{}, Pattern(BlockFrames(150), 1)}, {{}, Pattern(BlockFrames(75), 2)}}, OutputFormat::MP3);
  input.values.sampleRate = 48000;
  input.values.bitrate = 192;
  input.values.crc = input.values.privateBit = input.values.copyright = input.values.original = true;
  Rip(input);
  EXPECT_TRUE(FHost.errors.empty());
  EXPECT_EQ((std::vector<std::string>{"Track-01.mp3", "Track-02.mp3"}), OutFiles());  // no ".convert" left
  FrameHeader frame = FirstFrame(ReadAll(Out("Track-01.mp3")));
  EXPECT_EQ(11, frame.bitrateIndex);  // 192 kbit/s
  EXPECT_EQ(1, frame.rateIndex);      // 48,000 Hz
  EXPECT_TRUE(frame.crc && frame.privateBit && frame.copyright && frame.original);
  std::string decoded = FFolder.File("decoded.wav");
  ASSERT_EQ(0, std::system(("lame --quiet --decode '" + Out("Track-01.mp3") + "' '" + decoded + "'").c_str()));
  TWaveIn check;
  check.SetFileName(decoded);
  EXPECT_EQ(48000, check.SampleRate());
  // Two seconds of audio, give or take the encoder's delay and the last frame's padding.
  EXPECT_NEAR(2 * 48000 * 4, check.Size(), 2 * 1152 * 4);
  EXPECT_EQ(40 + 60, FHost.gauges.back());
}

TEST_F(RipJobTest, Mp3EncoderRefusalAndCancelLeaveNoFiles) {
  RipInput input = Disc(ThreeTracks(), OutputFormat::MP3);
  input.values.sampleRate = 441;  // what a missing sample rate gives
  Rip(input);
  EXPECT_EQ((std::vector<std::string>{"Error opening encoding stream 2"}), FHost.errors);
  EXPECT_EQ(1, FHost.closes);
  EXPECT_TRUE(OutFiles().empty());

  input.values.sampleRate = 44100;
  FHost.onGauge = [&](int) {
    if (FHost.captions.back().rfind("Processing:02", 0) == 0) FJob.SetCancel(true);
  };
  Rip(input);
  EXPECT_EQ((std::vector<std::string>{"Track-01.mp3"}), OutFiles());
  EXPECT_EQ(2, FHost.closes);
}

TEST_F(RipJobTest, OggTracksAreEncodedOneAfterTheOtherAndUncheckedAsTheyStart) {
  auto tracks = ThreeTracks();
  RipInput input = Disc(tracks, OutputFormat::Ogg);
  input.rows[1].checked = false;
  input.values.cpu = 3;
  input.values.compr = 40;
  Rip(input);
  EXPECT_TRUE(FHost.errors.empty());
  EXPECT_EQ((std::vector<std::size_t>{0, 2}), FHost.unchecked);
  EXPECT_EQ((std::vector<std::string>{"Track-01.ogg", "Track-03.ogg"}), OutFiles());
  TVorbisIn decoded;
  decoded.SetFileName(Out("Track-01.ogg"));
  EXPECT_EQ(2, decoded.Channels());
  EXPECT_EQ(100 * 2352, decoded.Size());
  EXPECT_FLOAT_EQ(0.4f, FVorbisOut.Compression());
  EXPECT_EQ("Finished!", FHost.captions.back());
}

TEST_F(RipJobTest, CancellingOggDuringEncodingKeepsTheEarlierFileOfThatName) {
  RipInput input = Disc({{{}, Pattern(BlockFrames(3000), 1)}, {{}, Pattern(BlockFrames(30), 2)}}, OutputFormat::Ogg);
  input.values.cpu = 1;  // slow, so the cancel arrives while it encodes
  testdata::WriteTextFile(Out("Track-01.ogg"), "an earlier rip");
  FHost.onGauge = [&](int percent) {
    if (percent > 40) FJob.SetCancel(true);
  };
  Rip(input);
  EXPECT_EQ((std::vector<std::string>{"Track-01.ogg"}), OutFiles());
  EXPECT_EQ("an earlier rip", testdata::ReadTextFile(Out("Track-01.ogg")));
  EXPECT_EQ((std::vector<std::size_t>{0}), FHost.unchecked);  // the second track never started
}

TEST_F(RipJobTest, FailuresEndTheJobWithTheirMessageAndLeaveNothingThatLooksFinished) {
  RipInput input = Disc(ThreeTracks(), OutputFormat::WAV);
  input.folder = FFolder.File("no such folder");
  Rip(input);
  ASSERT_EQ(1u, FHost.errors.size());
  EXPECT_EQ("Cannot create file " + input.folder + "/Track-01.wav", FHost.errors[0]);
  EXPECT_EQ("Close", FHost.button);

  for (OutputFormat format : {OutputFormat::WAV, OutputFormat::MP3, OutputFormat::Ogg}) {
    FHost.errors.clear();
    RipInput full = Disc(ThreeTracks(), format);
    {
      testdata::FullDisk disk(100000);  // the first track does not fit
      Rip(full);
    }
    EXPECT_EQ((std::vector<std::string>{"Stream write error"}), FHost.errors);
    EXPECT_TRUE(OutFiles().empty());
  }
}

// Links planted beside the output never redirect a write; a link as the output is written through.
TEST_F(RipJobTest, PlantedLinksAreNotFollowedAndTheUsersFilesKeepTheirNamesAndModes) {
  std::string victim = FFolder.File("victim");
  testdata::WriteTextFile(victim, "victim");
  for (OutputFormat format : {OutputFormat::WAV, OutputFormat::MP3, OutputFormat::Ogg}) {
    FHost.errors.clear();
    RipInput input = Disc({{{}, Pattern(BlockFrames(30), 1)}}, format);
    std::string name = input.rows[0].name, real = FFolder.File("real-" + name);
    for (const char* suffix : {".partial.1", ".convert"}) fs::create_symlink(victim, Out(name + suffix));
    testdata::WriteTextFile(Out(name + ".partial"), "mine");
    testdata::WriteTextFile(real, "earlier");
    fs::permissions(real, fs::perms(0640));
    fs::create_symlink(real, Out(name));
    Rip(input);
    EXPECT_TRUE(FHost.errors.empty()) << FHost.errors.front();
    EXPECT_EQ("victim", testdata::ReadTextFile(victim));
    EXPECT_EQ("mine", testdata::ReadTextFile(Out(name + ".partial")));
    EXPECT_TRUE(fs::is_symlink(Out(name)));
    EXPECT_GT(fs::file_size(real), 1000u) << name;
    EXPECT_EQ(fs::perms(0640), fs::status(real).permissions() & fs::perms::all);
    std::vector<std::string> left = {name, name + ".partial", name + ".partial.1"};
    if (format == OutputFormat::WAV) left.insert(left.begin() + 1, name + ".convert");  // not used, not touched
    EXPECT_EQ(left, OutFiles());
    for (const std::string& file : OutFiles()) fs::remove(Out(file));
  }
}

TEST(RipValuesTest, UnitsAreDroppedAndAMissingBitRateIsAnError) {
  testdata::TempFolder folder;
  std::string path = folder.File("settings.ini");
  testdata::WriteTextFile(path,
                          "[MP3 Options]\ndwSampleRate=48000Hz\nwBitrate=320kb/s\nbCRC=false\n[Folder]\nopen=True\n"
                          "[Ogg Options]\ncpu=x\ncompr=50\n");
  TIniFile settings(path);
  RipValues values;
  ASSERT_TRUE(ReadRipValues(settings, values));
  EXPECT_EQ(48000, values.sampleRate);
  EXPECT_EQ(320, values.bitrate);
  EXPECT_TRUE(values.crc);
  EXPECT_FALSE(values.copyright);
  EXPECT_TRUE(values.open);
  EXPECT_EQ(3, values.cpu);  // not a number: the default
  EXPECT_EQ(50, values.compr);

  testdata::WriteTextFile(path, "[MP3 Options]\ndwSampleRate=44100Hz\n");
  TIniFile missing(path);
  EXPECT_FALSE(ReadRipValues(missing, values));
}

}  // namespace
