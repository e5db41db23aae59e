#include "rip/RipJob.h"

#include <gtest/gtest.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <numbers>
#include <set>
#include <sstream>
#include <thread>

#include "acs/ACS_Vorbis.h"
#include "acs/ACS_Wave.h"
#include "platform/ProgramFolder.h"
#include "platform/inifile/TIniFile.h"
#include "cd/CdDrives.h"
#include "cd/CtdbToc.h"
#include "cd/DiscChecksums.h"
#include "cd/MusicBrainzLookup.h"
#include "tests/data/HttpTestServer.h"
#include "tests/data/MusicBrainzTestServer.h"
#include "rip/DeEmphasis.h"
#include "rip/RipLog.h"
#include "rip/RipNotice.h"
#include "rip/TimeLeft.h"
#include "platform/akrip32/PhysicalMedium.h"
#include "tests/data/SimulatedDrive.h"
#include "tests/data/TestDiscs.h"
#include "tests/data/TestProcess.h"

namespace fs = std::filesystem;
using discimage::ImageTrack;
using testdata::BlockFrames;
using testdata::Pattern;

namespace {

// Records what the window would show.
class RecordingHost : public RipHost {
 public:
  void SetCaption(const std::string& text) override { captions.push_back(text); }
  void SetButtonCaption(const std::string& text) override { button = text; }
  void SetGauge(int percent) override {
    gauges.push_back(percent);
    if (onGauge) onGauge(percent);
  }
  void ProcessMessages() override {
    ++messagePumps;
    if (onPump) onPump();
  }
  void ShowError(const std::string& text) override { errors.push_back(text); }
  void ShowStandardError(const std::string& text) override { errors.push_back(text); }
  void CloseWindow() override { ++closes; }
  void UncheckRow(std::size_t row) override { unchecked.push_back(row); }
  void ReportReadErrors(const std::string& text) override { readErrors.push_back(text); }
  void ReportTrack(const TrackResult& result) override { tracks.push_back(result); }
  void ReportDisc(const DiscVerdicts& verdicts, const std::string& log) override {
    discs.push_back({verdicts.accurateRip, log});
    ctdbDiscs.push_back(verdicts.ctdb);
  }

  std::vector<std::string> captions, errors, readErrors;
  std::string button;
  std::vector<int> gauges;
  std::vector<std::size_t> unchecked;
  std::vector<TrackResult> tracks;
  std::vector<std::pair<std::string, std::string>> discs;  // AccurateRip's verdict and the log
  std::vector<std::string> ctdbDiscs;
  int closes = 0;
  int messagePumps = 0;
  std::function<void(int)> onGauge;
  std::function<void()> onPump;
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
    SetSimulatedCDDrives({});
  }

  void AddRows(const std::vector<TrackRow>& rows, RipInput& input) const {
    const std::vector<TocRow> disc = input.toc.Rows();
    for (std::size_t k = 0; k < rows.size(); ++k)
      input.rows.push_back({rows[k].checked, rows[k].number, rows[k].name, disc[k].blocks, disc[k].start, disc[k].audio});
  }

  // A disc in a drive that fails as FFaults says, with its rows as the main window makes them.
  RipInput DriveDisc(const std::vector<testdata::DriveTrack>& tracks, OutputFormat format,
                     testdata::DriveImageForm form = testdata::DriveImageForm::BinCue) {
    PhysicalMedium::SetBlockTimeLimit(std::chrono::milliseconds(300));
    std::string sheet = testdata::WriteDriveImage(FFolder.Path(), tracks, form);
    CloseCDHandle(testdata::OpenSimulatedDrive(sheet, FFaults));
    FDrives.ReadDriveList();
    RipInput input;
    input.format = format;
    input.folder = (FFolder.Path() / "out").string();
    std::vector<TrackRow> rows = FDrives.ReadTableOfContents(format).rows;
    input.handle = FDrives.Handle();
    input.toc = FDrives.Toc();
    AddRows(rows, input);
    return input;
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

  // A disc image of 300 blocks of audio laid out by the sheet (the first blocks silent where asked), with its
  // rows as the main window makes them.
  static std::vector<std::int16_t> SheetAudio(std::size_t silentBlocks) {
    std::vector<std::int16_t> audio = Pattern(BlockFrames(300), 7);
    std::fill_n(audio.begin(), BlockFrames(silentBlocks) * 2, 0);
    return audio;
  }
  RipInput SheetDisc(const std::string& sheet, OutputFormat format, std::size_t silentBlocks = 0) {
    const std::vector<std::int16_t> audio = SheetAudio(silentBlocks);
    std::ofstream(FFolder.File("disc.bin"), std::ios::binary)
        .write(reinterpret_cast<const char*>(audio.data()), std::streamsize(audio.size() * 2));
    testdata::WriteTextFile(FFolder.File("disc.cue"), sheet);
    CloseCDHandle(testdata::OpenImageDrive(FFolder.File("disc.cue")));
    FDrives.ReadDriveList();
    std::vector<TrackRow> rows = FDrives.ReadTableOfContents(format).rows;
    RipInput input;
    input.format = format;
    input.folder = (FFolder.Path() / "out").string();
    input.handle = FDrives.Handle();
    input.toc = FDrives.Toc();
    AddRows(rows, input);
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
    EXPECT_FALSE(FJob.Running());
  }

  testdata::TempFolder FFolder;
  HCDROM FHandle = 0;
  std::shared_ptr<testdata::DriveFaults> FFaults = std::make_shared<testdata::DriveFaults>();
  CdDrives FDrives;
  RecordingHost FHost;
  RipJob FJob{FHost};
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

// A variable bit rate's Xing frame gives players the exact length and its mode; a constant one keeps its Info frame.
TEST_F(RipJobTest, Mp3AtAVariableBitRateHasAXingFrameThatGivesItsLength) {
  for (bool vbr : {false, true}) {
    RipInput input = Disc({{{}, Pattern(BlockFrames(750), 1)}}, OutputFormat::MP3);
    input.values.mp3Vbr = vbr;
    input.values.mp3Quality = 4;
    Rip(input);
    EXPECT_TRUE(FHost.errors.empty());
    const std::vector<std::uint8_t> mp3 = ReadAll(Out("Track-01.mp3"));
    const std::string bytes(mp3.begin(), mp3.end());
    EXPECT_LT(bytes.find(vbr ? "Xing" : "Info"), bytes.find(vbr ? "Info" : "Xing"));  // the first frame after the tag
    std::istringstream lines(testdata::RunCommand(QUILLON_PYTHON " " MP3_FACTS " '" + Out("Track-01.mp3") + "'").out);
    std::map<std::string, std::string> facts;
    for (std::string line; std::getline(lines, line);)
      if (line.find('\t') != std::string::npos) facts[line.substr(0, line.find('\t'))] = line.substr(line.find('\t') + 1);
    EXPECT_EQ(vbr ? "VBR" : "CBR", facts["mode"]);
    EXPECT_NEAR(10.0, std::stod(facts["length"]), 1152 / 44100.0);
  }
}

TEST_F(RipJobTest, Mp3EncoderRefusalAndCancelLeaveNoFiles) {
  RipInput input = Disc(ThreeTracks(), OutputFormat::MP3);
  input.values.sampleRate = 441;  // what a missing sample rate gives
  Rip(input);
  EXPECT_EQ((std::vector<std::string>{"Error opening encoding stream 2"}), FHost.errors);
  EXPECT_EQ(1, FHost.closes);
  EXPECT_TRUE(OutFiles().empty());

  // One encoder thread, and a second track long enough to be encoding when the first is reported.
  input = Disc({{{}, Pattern(BlockFrames(100), 1)}, {{}, Pattern(BlockFrames(2000), 2)}}, OutputFormat::MP3);
  input.values.encoderThreads = 1;
  FHost.onPump = [&] {
    if (!FHost.tracks.empty()) FJob.SetCancel(true);
  };
  Rip(input);
  EXPECT_EQ((std::vector<std::string>{"Track-01.mp3"}), OutFiles());
  EXPECT_EQ(2, FHost.closes);
}

// The bit rate the Vorbis identification header promises.
std::int32_t NominalBitrate(const std::vector<std::uint8_t>& ogg) {
  const std::string marker = "\x01vorbis";
  auto at = std::search(ogg.begin(), ogg.end(), marker.begin(), marker.end());
  if (ogg.end() - at < 24) return 0;
  std::int32_t rate;
  std::memcpy(&rate, &*at + 20, 4);
  return rate;
}

TEST_F(RipJobTest, OggTracksAreEncodedAndUncheckedAsTheyStart) {
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
  EXPECT_EQ(128000, NominalBitrate(ReadAll(Out("Track-01.ogg"))));  // quality 0.4
  EXPECT_EQ("Finished!", FHost.captions.back());
}

std::vector<std::string> SortedLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  std::sort(lines.begin(), lines.end());
  return lines;
}

// The ReplayGain values of a file as mutagen reads them.
std::map<std::string, std::string> ReplayGainTags(const std::string& path);

// Tags as independent readers see them: mutagen for MP3 and Opus, vorbiscomment for Ogg, metaflac for FLAC.
std::vector<std::string> TagsOf(const std::string& path, OutputFormat format) {
  const bool mutagen = format == OutputFormat::MP3 || format == OutputFormat::Opus;
  std::string command = mutagen                        ? std::string(QUILLON_PYTHON) + " " + FILE_TAGS + " '" + path + "'"
                        : format == OutputFormat::FLAC ? "metaflac --export-tags-to=- '" + path + "'"
                                                       : "vorbiscomment -l '" + path + "'";
  testdata::ProcessResult result = testdata::RunCommand(command);
  EXPECT_EQ(0, result.status) << result.out;
  return SortedLines(result.out);
}

TEST_F(RipJobTest, RippedFilesCarryTheLookupsTagsAndMayLieInFolders) {
  DiscMetadata metadata{"Die \xC3\x84rzte", "Live", "1999", "Rock", "0a001402", "49HHV7Eb8UKF3aQiNmu1GR8vKTY-", "",
                        {"\xC3\x96" "ffnung", "\xE6\x9D\xB1\xE4\xBA\xAC"}, {"Die \xC3\x84rzte", "Gast"},
                        {"", "4d5e6f7a-8b9c-4d0e-1f2a-3b4c5d6e7f80"}, {"", "3c4d5e6f-7a8b-4c9d-0e1f-2a3b4c5d6e7f"}, "CDDB"};
  for (OutputFormat format : {OutputFormat::MP3, OutputFormat::Ogg, OutputFormat::FLAC, OutputFormat::Opus}) {
    RipInput input = Disc({{{}, Pattern(BlockFrames(40), 1)}, {{}, Pattern(BlockFrames(30), 2)}}, format);
    for (std::size_t k = 0; k < 2; ++k) input.rows[k].tags = TrackTagsOf(metadata, k, input.rows[k].name, int(k) + 1, 2);
    input.values.replayGain = false;  // its tags are looked at apart
    input.rows[1].name = "Gast/Live/02" + FormatExtension(format);
    Rip(input);
    EXPECT_TRUE(FHost.errors.empty());
    const std::string ext = FormatExtension(format);
    if (format == OutputFormat::MP3) {
      EXPECT_EQ((std::vector<std::string>{"TALB=Live", "TCON=Rock", "TIT2=\xC3\x96""ffnung", "TPE1=Die \xC3\x84rzte",
                                          "TPE2=Die \xC3\x84rzte", "TRCK=1/2", "TXXX:CDDB DiscID=0a001402",
                                          "TXXX:MusicBrainz Disc Id=49HHV7Eb8UKF3aQiNmu1GR8vKTY-", "TYER=1999",
                                          "version=2.3"}),
                TagsOf(Out("Track-01" + ext), format));
      EXPECT_EQ((std::vector<std::string>{"TALB=Live", "TCON=Rock", "TIT2=\xE6\x9D\xB1\xE4\xBA\xAC", "TPE1=Gast",
                                          "TPE2=Die \xC3\x84rzte", "TRCK=2/2", "TXXX:CDDB DiscID=0a001402",
                                          "TXXX:MusicBrainz Disc Id=49HHV7Eb8UKF3aQiNmu1GR8vKTY-",
                                          "TXXX:MusicBrainz Release Track Id=3c4d5e6f-7a8b-4c9d-0e1f-2a3b4c5d6e7f",
                                          "TXXX:MusicBrainz Track Id=4d5e6f7a-8b9c-4d0e-1f2a-3b4c5d6e7f80", "TYER=1999",
                                          "UFID:http://musicbrainz.org=4d5e6f7a-8b9c-4d0e-1f2a-3b4c5d6e7f80",
                                          "version=2.3"}),
                TagsOf(Out("Gast/Live/02" + ext), format));
    } else {  // Ogg, FLAC and Opus carry the same comments
      EXPECT_EQ((std::vector<std::string>{"ALBUM=Live", "ALBUMARTIST=Die \xC3\x84rzte", "ARTIST=Gast", "CDDB=0a001402",
                                          "DATE=1999", "GENRE=Rock", "MUSICBRAINZ_DISCID=49HHV7Eb8UKF3aQiNmu1GR8vKTY-",
                                          "MUSICBRAINZ_RELEASETRACKID=3c4d5e6f-7a8b-4c9d-0e1f-2a3b4c5d6e7f",
                                          "MUSICBRAINZ_TRACKID=4d5e6f7a-8b9c-4d0e-1f2a-3b4c5d6e7f80",
                                          "TITLE=\xE6\x9D\xB1\xE4\xBA\xAC", "TRACKNUMBER=2", "TRACKTOTAL=2"}),
                TagsOf(Out("Gast/Live/02" + ext), format));
    }
    // The tag in front leaves the audio whole, and the MP3's Info frame after it gives the exact length.
    std::string decoded = FFolder.File("decoded.wav");
    if (format == OutputFormat::Opus) {  // decoded at 48 kHz: as long as the track within one 20 ms frame
      ASSERT_EQ(0, std::system(("opusdec --quiet --rate 48000 '" + Out("Track-01" + ext) + "' '" + decoded + "'").c_str()));
      TWaveIn check;
      check.SetFileName(decoded);
      EXPECT_EQ(48000, check.SampleRate());
      EXPECT_NEAR(40 * 588 * 48000.0 / 44100, check.Size() / 4, 960);
      continue;
    }
    std::string decoder = format == OutputFormat::MP3 ? "mpg123 -q -w '" : format == OutputFormat::FLAC ? "flac -d -s -f -o '" : "oggdec --quiet -o '";
    ASSERT_EQ(0, std::system((decoder + decoded + "' '" + Out("Track-01" + ext) + "'").c_str()));
    EXPECT_EQ(44 + 40 * 2352, fs::file_size(decoded));
  }
}

// Disc 2 of a recorded two-disc release, as mutagen reads each format: every album, artist, disc and ID field.
// The disc's own ISRC of track 2 wins over the recording's, the lookup's catalogue number over the disc's.
TEST_F(RipJobTest, ADiscOfASetCarriesTheWholeReleaseAsLibraryToolsReadIt) {
  std::vector<MusicBrainzRelease> releases = ParseMusicBrainzReleases(
      testdata::MusicBrainzReplyFile("two_disc_release.json"), "5Yg_iRnsRa_h7uC5YjaJKRRyoZw-", 3);
  ASSERT_EQ(1u, releases.size());
  const std::vector<std::string> mp3 = {
      "TALB=Live at the Hall", "TCON=progressive rock", "TDRC=1973-03-24", "TIT2=\xE6\x9D\xB1\xE4\xBA\xAC", "TMED=CD",
      "TPE1=Blue feat. R\xC3\xB8""d", "TPE2=Blue", "TPOS=2/2", "TPUB=Harvest Lane", "TRCK=2/3", "TSRC=DEA817300002",
      "TXXX:BARCODE=5099902894225", "TXXX:CATALOGNUMBER=HALL 2",
      "TXXX:MusicBrainz Album Artist Id=0f2b6a3e-1c4d-4e5f-8a9b-0c1d2e3f4a5b",
      "TXXX:MusicBrainz Album Id=2c3d4e5f-6a7b-4c8d-9e0f-a1b2c3d4e5f6", "TXXX:MusicBrainz Album Release Country=GB",
      "TXXX:MusicBrainz Artist Id=0f2b6a3e-1c4d-4e5f-8a9b-0c1d2e3f4a5b/1a2b3c4d-5e6f-4a7b-8c9d-0e1f2a3b4c5d",
      "TXXX:MusicBrainz Disc Id=5Yg_iRnsRa_h7uC5YjaJKRRyoZw-",
      "TXXX:MusicBrainz Release Group Id=3d4e5f6a-7b8c-4d9e-0f1a-b2c3d4e5f6a7",
      "TXXX:MusicBrainz Release Track Id=a2000000-0000-4000-8000-000000000002",
      "TXXX:MusicBrainz Track Id=b2000000-0000-4000-8000-000000000002", "TYER=1973",
      "UFID:http://musicbrainz.org=b2000000-0000-4000-8000-000000000002", "version=2.3"};
  const std::vector<std::string> comments = {
      "ALBUM=Live at the Hall", "ALBUMARTIST=Blue", "ARTIST=Blue feat. R\xC3\xB8""d", "BARCODE=5099902894225",
      "CATALOGNUMBER=HALL 2", "DATE=1973-03-24", "DISCNUMBER=2", "DISCTOTAL=2", "GENRE=progressive rock",
      "ISRC=DEA817300002", "LABEL=Harvest Lane", "MEDIA=CD",
      "MUSICBRAINZ_ALBUMARTISTID=0f2b6a3e-1c4d-4e5f-8a9b-0c1d2e3f4a5b",
      "MUSICBRAINZ_ALBUMID=2c3d4e5f-6a7b-4c8d-9e0f-a1b2c3d4e5f6",
      "MUSICBRAINZ_ARTISTID=0f2b6a3e-1c4d-4e5f-8a9b-0c1d2e3f4a5b",
      "MUSICBRAINZ_ARTISTID=1a2b3c4d-5e6f-4a7b-8c9d-0e1f2a3b4c5d", "MUSICBRAINZ_DISCID=5Yg_iRnsRa_h7uC5YjaJKRRyoZw-",
      "MUSICBRAINZ_RELEASEGROUPID=3d4e5f6a-7b8c-4d9e-0f1a-b2c3d4e5f6a7",
      "MUSICBRAINZ_RELEASETRACKID=a2000000-0000-4000-8000-000000000002",
      "MUSICBRAINZ_TRACKID=b2000000-0000-4000-8000-000000000002", "RELEASECOUNTRY=GB", "TITLE=\xE6\x9D\xB1\xE4\xBA\xAC",
      "TRACKNUMBER=2", "TRACKTOTAL=3"};
  const struct {
    OutputFormat format;
    const std::vector<std::string>& second;
    std::string firstIsrc;
  } cases[] = {{OutputFormat::MP3, mp3, "TSRC=GBAYE7300101"},
               {OutputFormat::Ogg, comments, "ISRC=GBAYE7300101"},
               {OutputFormat::FLAC, comments, "ISRC=GBAYE7300101"},
               {OutputFormat::Opus, comments, "ISRC=GBAYE7300101"}};
  for (const auto& c : cases) {
    RipInput input = Disc({{{}, Pattern(BlockFrames(10), 1)}, {{}, Pattern(BlockFrames(10), 2)}, {{}, Pattern(BlockFrames(10), 3)}},
                          c.format);
    input.toc.catalog = "0000000000001";
    input.toc.entries = {{1, 0}, {2, 10, true, 0, false, false, false, "DEA817300002"}, {3, 20}, {0, 30}};
    for (std::size_t k = 0; k < 3; ++k) input.rows[k].tags = TrackTagsOf(releases[0].metadata, k, input.rows[k].name, int(k) + 1, 3);
    Rip(input);
    EXPECT_TRUE(FHost.errors.empty());
    const std::string ext = FormatExtension(c.format);
    const std::string tags = std::string(QUILLON_PYTHON) + " " + FILE_TAGS + " '" + Out("Track-0");
    EXPECT_EQ(c.second, SortedLines(testdata::RunCommand(tags + "2" + ext + "'").out)) << ext;
    std::vector<std::string> first = SortedLines(testdata::RunCommand(tags + "1" + ext + "'").out);
    EXPECT_NE(first.end(), std::find(first.begin(), first.end(), c.firstIsrc)) << ext;
  }
}

TEST_F(RipJobTest, CancellingOggDuringEncodingKeepsTheEarlierFileOfThatName) {
  RipInput input = Disc({{{}, Pattern(BlockFrames(3000), 1)}, {{}, Pattern(BlockFrames(30), 2)}}, OutputFormat::Ogg);
  input.values.cpu = 1;  // slow, so the cancel arrives while it encodes
  input.values.encoderThreads = 1;
  testdata::WriteTextFile(Out("Track-01.ogg"), "an earlier rip");
  FHost.onGauge = [&](int percent) {
    if (percent > 40) FJob.SetCancel(true);
  };
  Rip(input);
  EXPECT_EQ((std::vector<std::string>{"Track-01.ogg"}), OutFiles());
  EXPECT_EQ("an earlier rip", testdata::ReadTextFile(Out("Track-01.ogg")));
  EXPECT_EQ((std::vector<std::size_t>{0}), FHost.unchecked);  // the second track never started
}

// Tracks are encoded while the next is read, each on a thread of its own.
TEST_F(RipJobTest, TwoEncoderThreadsGiveTheFilesOneGivesReportedInTrackOrder) {
  for (OutputFormat format : {OutputFormat::MP3, OutputFormat::Ogg}) {
    std::map<std::string, std::vector<std::uint8_t>> files[2];
    for (int threads : {1, 2}) {
      FHost.tracks.clear();
      RipInput input = Disc(ThreeTracks(), format);
      input.values.encoderThreads = threads;
      Rip(input);
      EXPECT_TRUE(FHost.errors.empty());
      ASSERT_EQ(3u, FHost.tracks.size());
      for (std::size_t k = 0; k < 3; ++k) EXPECT_EQ(input.rows[k].number, FHost.tracks[k].number);
      EXPECT_EQ(100, FHost.gauges.back());
      for (const std::string& name : OutFiles()) {
        files[threads - 1][name] = ReadAll(Out(name));
        fs::remove(Out(name));
      }
    }
    EXPECT_EQ(3u, files[0].size());
    EXPECT_TRUE(files[0] == files[1]);
  }
}

TEST_F(RipJobTest, ACancelOrAFailureWhileTracksEncodeStopsEveryEncoderAndLeavesNoPartOfAFile) {
  RipInput input = Disc({{{}, Pattern(BlockFrames(2000), 1)}, {{}, Pattern(BlockFrames(2000), 2)},
                         {{}, Pattern(BlockFrames(2000), 3)}}, OutputFormat::Ogg);
  input.values.cpu = 1;
  input.values.encoderThreads = 2;
  FHost.onGauge = [&](int percent) {
    if (percent > 45) FJob.SetCancel(true);  // every track read, none encoded yet
  };
  Rip(input);
  EXPECT_TRUE(OutFiles().empty());
  EXPECT_TRUE(FHost.tracks.empty());
  EXPECT_EQ("Finished!", FHost.captions.back());

  FHost.onGauge = nullptr;
  input = Disc({{{}, Pattern(BlockFrames(10), 1)}, {{}, Pattern(BlockFrames(2000), 2)}}, OutputFormat::MP3);
  fs::create_directory(Out("Track-01.mp3"));  // no file can take its place
  Rip(input);
  EXPECT_EQ((std::vector<std::string>{"Cannot create file " + Out("Track-01.mp3")}), FHost.errors);
  EXPECT_EQ((std::vector<std::string>{"Track-01.mp3"}), OutFiles());
  EXPECT_TRUE(FHost.tracks.empty());
  EXPECT_EQ("Close", FHost.button);
}

TEST_F(RipJobTest, FailuresEndTheJobWithTheirMessageAndLeaveNothingThatLooksFinished) {
  RipInput input = Disc(ThreeTracks(), OutputFormat::WAV);
  input.folder = FFolder.File("no such folder");
  Rip(input);
  ASSERT_EQ(1u, FHost.errors.size());
  EXPECT_EQ("Cannot create file " + input.folder + "/Track-01.wav", FHost.errors[0]);
  EXPECT_EQ("Close", FHost.button);

  for (OutputFormat format : {OutputFormat::WAV, OutputFormat::MP3, OutputFormat::Ogg, OutputFormat::FLAC,
                              OutputFormat::Opus}) {
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

std::vector<std::uint8_t> WaveOf(std::vector<std::uint8_t> pcm) {
  TWaveHeader header = MakeWaveHeader(2, 16, static_cast<std::int32_t>(pcm.size()), 44100);
  pcm.insert(pcm.begin(), header.begin(), header.end());
  return pcm;
}

std::vector<std::uint8_t> Bytes(const std::vector<std::int16_t>& samples) {
  std::vector<std::uint8_t> bytes(samples.size() * 2);
  std::memcpy(bytes.data(), samples.data(), bytes.size());
  return bytes;
}

TEST_F(RipJobTest, FlacTracksHoldTheDiscsAudioBitForBitAndACancelKeepsTheEarlierFile) {
  auto tracks = ThreeTracks();
  RipInput input = Disc(tracks, OutputFormat::FLAC);
  input.values.flacLevel = 8;
  Rip(input);
  EXPECT_TRUE(FHost.errors.empty());
  EXPECT_EQ((std::vector<std::string>{"Track-01.flac", "Track-02.flac", "Track-03.flac"}), OutFiles());
  for (std::size_t k = 0; k < 3; ++k) {
    std::string decoded = FFolder.File("decoded.wav");
    ASSERT_EQ(0, std::system(("flac -d -s -f -o '" + decoded + "' '" + Out(input.rows[k].name) + "'").c_str()));
    EXPECT_TRUE(ReadAll(decoded) == WaveOf(testdata::ExpectedTrackBytes(tracks, k))) << k;
  }
  EXPECT_EQ(100, FHost.gauges.back());
  EXPECT_EQ("Finished!", FHost.captions.back());

  testdata::WriteTextFile(Out("Track-02.flac"), "an earlier rip");
  FHost.onGauge = [&](int percent) {
    if (percent > 40 && FHost.captions.back().rfind("Processing:02", 0) == 0) FJob.SetCancel(true);
  };
  Rip(Disc({{{}, Pattern(BlockFrames(30), 1)}, {{}, Pattern(BlockFrames(3000), 2)}}, OutputFormat::FLAC));
  EXPECT_EQ("an earlier rip", testdata::ReadTextFile(Out("Track-02.flac")));
  EXPECT_EQ((std::vector<std::string>{"Track-01.flac", "Track-02.flac", "Track-03.flac"}), OutFiles());
  EXPECT_EQ((std::vector<std::string>{Out("Track-01.flac")}), FJob.Finished());
}

TEST_F(RipJobTest, TracksWithUnreadableBlocksAreKeptReportedAndNeverCalledFinished) {
  std::vector<testdata::DriveTrack> tracks = {{Pattern(BlockFrames(300), 1)}, {Pattern(BlockFrames(200), 2)}};
  FFaults->unreadable = {{120, -1}, {121, -1}, {123, -1}, {350, 2}};  // 350 fails twice, then reads
  for (OutputFormat format : {OutputFormat::WAV, OutputFormat::Ogg}) {
    FHost.readErrors.clear();
    Rip(DriveDisc(tracks, format));
    EXPECT_TRUE(FHost.errors.empty());
    EXPECT_EQ((std::vector<std::string>{"Track 01: 3 blocks could not be read at 00:01.45\u201300:01.46, 00:01.48"}),
              FHost.readErrors);
    EXPECT_EQ(FHost.readErrors, FJob.ReadErrors());
    EXPECT_EQ("Finished with read errors", FHost.captions.back());
    EXPECT_EQ(2u, FJob.Finished().size());  // the damaged track's file stays, as good as the drive gave it
    const std::string log = testdata::ReadTextFile(FHost.discs.back().second);  // its section names it once
    EXPECT_NE(std::string::npos, log.find("\n  Unreadable blocks: 3 blocks could not be read at 00:01.45")) << log;
  }
  std::vector<std::uint8_t> first = Bytes(tracks[0].audio);
  for (int block : {120, 121, 123}) std::fill_n(first.begin() + block * 2352, 2352, 0);
  EXPECT_TRUE(ReadAll(Out("Track-01.wav")) == WaveOf(first));
  EXPECT_TRUE(ReadAll(Out("Track-02.wav")) == WaveOf(Bytes(tracks[1].audio)));
}

TrackSums SumsOf(const std::vector<std::vector<std::uint8_t>>& tracks, std::size_t k) {
  std::uint64_t discFrames = 0;
  for (const std::vector<std::uint8_t>& track : tracks) discFrames += track.size() / 4;
  TrackChecksums sums(tracks[k].size() / 4, k == 0, k + 1 == tracks.size(), discFrames);
  sums.Add(tracks[k].data(), tracks[k].size());
  return sums.Sums();
}

// A dBAR file that knows the disc as it is: each track's v2 checksum, or the entry a test gives it.
std::string DbarOfDisc(const TableOfContents& toc, const std::vector<std::vector<std::uint8_t>>& tracks,
                       std::map<std::size_t, testdata::DbarEntry> entries = {}) {
  std::vector<testdata::DbarEntry> pressing;
  for (std::size_t k = 0; k < tracks.size(); ++k)
    pressing.push_back(entries.count(k) != 0 ? entries[k] : testdata::DbarEntry{4, SumsOf(tracks, k).arV2, 0});
  AccurateRipIds ids = AccurateRipIdsOf(toc);
  return testdata::DbarFile(ids.id1, ids.id2, ids.cddb, {pressing});
}

// A disc the database confirms is read once; what it does not confirm with a v2 checksum that two rips back
// is read again securely, and after three such tracks in a row the rest at once. The report says which.
TEST_F(RipJobTest, VerifyKeepsWhatTheDatabaseConfirmsAndReadsTheRestAgainSecurely) {
  std::vector<testdata::DriveTrack> tracks;
  std::vector<std::vector<std::uint8_t>> pcm;
  for (int k = 0; k < 5; ++k) {
    tracks.push_back({Pattern(BlockFrames(200), k + 1)});
    pcm.push_back(Bytes(tracks.back().audio));
  }
  std::string dbar;
  int status = 200;
  testdata::HttpTestServer server([&](const std::string&) { return testdata::HttpTestReply{status, dbar}; });
  RipInput input = DriveDisc(tracks, OutputFormat::WAV);
  input.values.accurateRipServer = server.Url();
  auto rip = [&] {
    FHost.tracks.clear();
    std::int64_t before = FFaults->requested;
    Rip(input);
    std::vector<std::string> paths;
    for (const TrackResult& track : FHost.tracks) paths.push_back(track.readPath);
    return std::make_pair(double(FFaults->requested - before) / 1000, paths);
  };
  dbar = DbarOfDisc(input.toc, pcm);
  auto [known, knownPaths] = rip();
  EXPECT_LE(known, 1.15);
  EXPECT_EQ("burst, confirmed by AccurateRip v2 (confidence 4)", knownPaths[4]);
  std::string log = testdata::ReadTextFile(FHost.discs.back().second);
  EXPECT_NE(std::string::npos, log.find("Read mode: verify\n")) << log;
  EXPECT_NE(std::string::npos, log.find("  Read: burst, confirmed by AccurateRip v2 (confidence 4)\n")) << log;

  status = 404;
  auto [unknown, unknownPaths] = rip();
  EXPECT_LE(unknown, 3.5);
  EXPECT_EQ((std::vector<std::string>(3, "secure after burst (AccurateRip: not in database, CTDB: not verified), 2 reads agree")),
            std::vector<std::string>(unknownPaths.begin(), unknownPaths.begin() + 3));
  EXPECT_EQ("secure (3 tracks in a row needed it), 2 reads agree", unknownPaths[3]);
  EXPECT_EQ(FHost.captions.back(), "Finished!");

  status = 200;
  dbar = DbarOfDisc(input.toc, pcm, {{1, {9, SumsOf(pcm, 1).arV1, 0}}, {2, {1, SumsOf(pcm, 2).arV2, 0}}});
  auto [mixed, mixedPaths] = rip();
  EXPECT_EQ("secure after burst (AccurateRip: v1 checksum only, CTDB: not verified), 2 reads agree", mixedPaths[1]);
  EXPECT_EQ("secure after burst (AccurateRip: confidence 1, CTDB: not verified), 2 reads agree", mixedPaths[2]);
  EXPECT_EQ("burst, confirmed by AccurateRip v2 (confidence 4)", mixedPaths[3]);  // the streak starts again
}

// A disc whose first track is data is checked against the database's entries by disc track, so that its
// last audio track has none; the disc line says what is known, and the log is named after the album.
TEST_F(RipJobTest, AMixedModeDiscIsCheckedByDiscTrackAndItsLogIsNamedAfterTheAlbum) {
  std::vector<testdata::DriveTrack> tracks = {{{}, 150}, {Pattern(BlockFrames(100), 1)}, {Pattern(BlockFrames(80), 2)}};
  const std::vector<std::vector<std::uint8_t>> pcm = {Bytes(tracks[1].audio), Bytes(tracks[2].audio)};
  RipInput input = DriveDisc(tracks, OutputFormat::WAV);
  AccurateRipIds ids = AccurateRipIdsOf(input.toc);
  std::string dbar = testdata::DbarFile(ids.id1, ids.id2, ids.cddb, {{{0, 0, 0}, {4, SumsOf(pcm, 0).arV2, 0}}});
  testdata::HttpTestServer server([&](const std::string&) { return testdata::HttpTestReply{200, dbar}; });
  input.values.accurateRipServer = server.Url();
  for (RipRow& row : input.rows) row.tags.album = "Live / Bootleg";
  Rip(input);
  ASSERT_EQ(2u, FHost.tracks.size());
  EXPECT_EQ("accurate (confidence 4)", FHost.tracks[0].verdict.Text());
  EXPECT_EQ("not in database", FHost.tracks[1].verdict.Text());
  EXPECT_EQ("1 of 2 tracks accurate, 1 not in database", FHost.discs.at(0).first);
  EXPECT_EQ(Out("Live - Bootleg.log"), FHost.discs.at(0).second);
}

// The drive fails in each way drives do, where it hurts (in a track, at the last block of one and the first of
// the next, across both), read with offsets, on both of libcdio's image drivers, in the default read mode (and
// in secure mode on one driver): each
// block of every file is the disc's or reported unreadable where the fault lies, and audio the drive gets wrong
// the same way every time (which only a database can tell) is never called accurate.
TEST_F(RipJobTest, EveryBlockOfAFailingDriveIsTheDiscsOrReportedUnreadable) {
  enum Fault { FailsOnce, FailsAlways, JitterOnce, Jitter, Noisy, Garbage, Caching, Slow };
  const char* faultNames[] = {"fails once", "fails always", "jitter once", "jitter", "noisy", "garbage", "caching", "slow"};
  const std::vector<std::vector<std::int32_t>> places = {{150}, {299}, {300}, {299, 300}};
  std::vector<testdata::DriveTrack> tracks = {{Pattern(BlockFrames(300), 1)}, {Pattern(BlockFrames(200), 2)}};
  const std::vector<std::vector<std::uint8_t>> pcm = {Bytes(tracks[0].audio), Bytes(tracks[1].audio)};
  std::string dbar;
  testdata::HttpTestServer server([&](const std::string&) { return testdata::HttpTestReply{200, dbar}; });
  for (auto form : {testdata::DriveImageForm::BinCue, testdata::DriveImageForm::Cdrdao})
    for (int offset : {0, 667, -1200})
      for (const std::vector<std::int32_t>& place : places)
        for (int fault = FailsOnce; fault <= Slow; ++fault)
          for (RipReadMode mode : {RipReadMode::Verify, RipReadMode::Secure}) {
          if (mode == RipReadMode::Secure && form != testdata::DriveImageForm::BinCue) continue;
          SCOPED_TRACE(std::string(form == testdata::DriveImageForm::BinCue ? "bin/cue" : "cdrdao") + ", offset " +
                       std::to_string(offset) + ", " + faultNames[fault] + " at disc block " + std::to_string(place[0]) +
                       ", " + RipReadModeName(mode));
          // The drive sector that holds the start of a disc block, and the disc blocks a drive sector holds.
          auto sector = [&](std::int32_t block) { return testdata::FloorDivide(block * 2352 + offset * 4, 2352); };
          std::set<std::int32_t> damaged;
          FFaults = std::make_shared<testdata::DriveFaults>();
          FFaults->offsetSamples = -offset;
          FFaults->slowTime = std::chrono::milliseconds(45);  // longer than a block may take: still read
          for (std::int32_t block : place) {
            std::int32_t at = sector(block);
            for (std::int32_t byte : {at * 2352 - offset * 4, (at + 1) * 2352 - offset * 4 - 1})
              damaged.insert(testdata::FloorDivide(byte, 2352));
            if (fault == FailsOnce || fault == Slow) FFaults->unreadable[at] = 1;
            if (fault == FailsAlways) FFaults->unreadable[at] = -1;
            if (fault == JitterOnce) FFaults->jitterOnce.insert(at);
            if (fault == Jitter) FFaults->jitter.insert(at);
            if (fault == Noisy || fault == Caching) FFaults->noisy.insert(at);
            if (fault == Garbage) FFaults->garbage.insert(at);
            if (fault == Slow) FFaults->slow.insert(at);
          }
          if (fault == Caching) FFaults->cacheBlocks = 100;
          RipInput input = DriveDisc(tracks, OutputFormat::WAV, form);
          PhysicalMedium::SetBlockTimeLimit(std::chrono::milliseconds(fault == Slow ? 30 : 300));
          dbar = DbarOfDisc(input.toc, pcm);
          // What an offset takes from beyond the disc's ends is silence.
          std::vector<std::vector<std::uint8_t>> expected = pcm;
          if (offset > 0) std::fill(expected[1].end() - offset * 4, expected[1].end(), 0);
          if (offset < 0) std::fill(expected[0].begin(), expected[0].begin() - offset * 4, 0);
          input.offset = offset;
          input.values.accurateRipServer = server.Url();
          input.values.readMode = mode;
          RecordingHost host;
          RipJob job(host);
          job.Start(input);
          ASSERT_EQ(2u, host.tracks.size());
          bool unreadable = false;
          for (std::size_t k = 0; k < 2; ++k) {
            const TrackResult& result = host.tracks[k];
            std::vector<std::uint8_t> file = ReadAll(result.path);
            ASSERT_EQ(44 + pcm[k].size(), file.size());
            std::int32_t start = k == 0 ? 0 : 300;
            bool wrong = false;
            for (std::size_t block = 0; block < pcm[k].size() / 2352; ++block) {
              bool reported = std::count(result.unreadable.begin(), result.unreadable.end(), block) != 0;
              bool same = std::equal(expected[k].begin() + block * 2352, expected[k].begin() + (block + 1) * 2352,
                                     file.begin() + 44 + block * 2352);
              bool mayBeDamaged = (fault == FailsAlways || fault == Noisy || fault == Caching || fault == Garbage) &&
                                  damaged.count(start + std::int32_t(block)) != 0;
              EXPECT_TRUE(same || (reported && fault != Garbage) || (fault == Garbage && mayBeDamaged))
                  << "track " << k + 1 << " block " << block;
              EXPECT_TRUE(!reported || mayBeDamaged) << "track " << k + 1 << " block " << block << " reported";
              wrong = wrong || !same;
              unreadable = unreadable || reported;
            }
            if (wrong && fault == Garbage) {
              EXPECT_EQ(TrackVerdict::Kind::NotAccurate, result.verdict.kind) << result.readPath;
            } else if (!wrong) {
              EXPECT_TRUE(ConfirmedByV2(result.verdict)) << result.readPath;
            }
          }
          EXPECT_EQ(unreadable ? "Finished with read errors" : "Finished!", host.captions.back());
        }
}

// Audio before track 1 is read as any block is, through the read offset, by both of libcdio's image drivers:
// a row "00" of its own, ripped bit for bit, with its CRCs but no database's verdict, and the disc's verdict
// is its tracks'. Silence there is no row.
TEST_F(RipJobTest, HiddenAudioBeforeTrackOneIsRippedThroughTheReadOffsetAndJudgedByNoDatabase) {
  struct Case {
    testdata::DriveImageForm form;
    int offset;
    bool silent;
  };
  const Case cases[] = {{testdata::DriveImageForm::BinCue, 0, false},
                        {testdata::DriveImageForm::BinCue, 667, false},
                        {testdata::DriveImageForm::Cdrdao, -1200, false},
                        {testdata::DriveImageForm::BinCue, 667, true}};
  std::string dbar;
  testdata::HttpTestServer server([&](const std::string&) { return testdata::HttpTestReply{200, dbar}; });
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.offset) + (c.silent ? ", silent" : ""));
    fs::remove_all(FFolder.Path() / "out");
    fs::create_directory(FFolder.Path() / "out");
    std::vector<testdata::DriveTrack> tracks = {{Pattern(BlockFrames(300), 1), 0, false, 100},
                                                {Pattern(BlockFrames(200), 2)}};
    if (c.silent) std::fill_n(tracks[0].audio.begin(), BlockFrames(100) * 2, 0);
    std::vector<std::uint8_t> disc = Bytes(tracks[0].audio), second = Bytes(tracks[1].audio);
    disc.insert(disc.end(), second.begin(), second.end());
    FFaults = std::make_shared<testdata::DriveFaults>();
    FFaults->offsetSamples = -c.offset;
    RipInput input = DriveDisc(tracks, OutputFormat::WAV, c.form);
    ASSERT_EQ(100u, input.toc.entries[0].start);
    ASSERT_EQ(c.silent ? 2u : 3u, input.rows.size());
    EXPECT_EQ(c.silent ? "01" : "00", input.rows[0].number);
    dbar = DbarOfDisc(input.toc, {{disc.begin() + 100 * 2352, disc.begin() + 300 * 2352}, second});
    std::vector<std::uint8_t> expected = disc;  // what an offset takes from beyond the disc's ends is silence
    if (c.offset > 0) std::fill(expected.end() - c.offset * 4, expected.end(), 0);
    if (c.offset < 0) std::fill(expected.begin(), expected.begin() - c.offset * 4, 0);
    input.offset = c.offset;
    input.values.accurateRipServer = server.Url();
    RecordingHost host;
    RipJob job(host);
    job.Start(input);
    ASSERT_EQ(input.rows.size(), host.tracks.size());
    for (std::size_t k = 0; k < input.rows.size(); ++k) {
      const RipRow& row = input.rows[k];
      std::vector<std::uint8_t> file = ReadAll(host.tracks[k].path);
      ASSERT_EQ(44u + row.blocks * 2352, file.size());
      EXPECT_TRUE(std::equal(file.begin() + 44, file.end(), expected.begin() + row.start * 2352)) << row.number;
      EXPECT_EQ(row.number == "00" ? "hidden audio, not in the databases" : "accurate (confidence 4)",
                host.tracks[k].verdict.Text()) << row.number;
    }
    EXPECT_EQ("accurate (2 of 2 tracks)", host.discs.back().first);
    std::string log = testdata::ReadTextFile(host.discs.back().second);
    EXPECT_EQ(!c.silent, log.find("  00     00:00.00  00:01.25     100  hidden audio before track 1\n") != std::string::npos) << log;
    EXPECT_EQ(!c.silent, log.find("Track 00\n") != std::string::npos);
    if (!c.silent) {  // ripped alone, it is named in the log; a cue sheet would have no track to name
      fs::remove_all(FFolder.Path() / "out");
      fs::create_directory(FFolder.Path() / "out");
      for (RipRow& row : input.rows) row.checked = row.number == "00";
      RecordingHost alone;
      RipJob(alone).Start(input);
      EXPECT_EQ((std::vector<std::string>{"Disc 09000502.log", "Disc 09000502.m3u8", "Track-00.wav"}), OutFiles());
    }
    CloseCDHandle(FDrives.Handle());
  }
}

TEST_F(RipJobTest, DataTracksAreShownButNeverRead) {
  std::vector<testdata::DriveTrack> tracks = {{{}, 150}, {Pattern(BlockFrames(100), 1)}, {Pattern(BlockFrames(80), 2)},
                                              {{}, 200}};  // mixed mode and enhanced CD at once
  RipInput input = DriveDisc(tracks, OutputFormat::WAV);
  ASSERT_EQ(4u, input.rows.size());
  EXPECT_FALSE(input.rows[0].checked);
  EXPECT_FALSE(input.rows[3].checked);
  EXPECT_EQ(80u, input.rows[2].blocks);  // the audio session ends before the data session's gap
  input.rows[3].checked = true;           // checked by hand, still not ripped
  Rip(input);
  EXPECT_EQ((std::vector<std::string>{"Disc 19009f04.cue", "Disc 19009f04.log", "Disc 19009f04.m3u8", "Track-02.wav",
                                      "Track-03.wav"}),
            OutFiles());
  EXPECT_TRUE(ReadAll(Out("Track-03.wav")) == WaveOf(Bytes(tracks[2].audio)));
  EXPECT_EQ("Finished!", FHost.captions.back());
}

TEST_F(RipJobTest, ASlowDriveKeepsTheWindowServedAndAVanishedOneEndsTheJob) {
  std::vector<testdata::DriveTrack> tracks = {{Pattern(BlockFrames(100), 1)}, {Pattern(BlockFrames(100), 2)}};
  FFaults->slow = {60};
  FFaults->slowTime = std::chrono::milliseconds(2000);
  RipInput input = DriveDisc(tracks, OutputFormat::WAV);
  FHost.onPump = [&] {
    if (FHost.messagePumps == 10) FJob.SetCancel(true);  // answered while the drive is still busy
  };
  auto started = std::chrono::steady_clock::now();
  Rip(input);
  // The job ends without waiting for the drive command that hangs; that one ends on its own later.
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(1500));
  EXPECT_TRUE(OutFiles().empty());
  EXPECT_EQ("Finished!", FHost.captions.back());
  std::this_thread::sleep_until(started + FFaults->slowTime);

  FHost.onPump = nullptr;
  FFaults->slow.clear();
  input.values.readMode = RipReadMode::Burst;  // track 1 is read once before the drive goes
  FFaults->vanishAfter = FFaults->requested + 120;
  Rip(input);
  EXPECT_EQ((std::vector<std::string>{"The disc could not be read"}), FHost.errors);
  EXPECT_EQ((std::vector<std::string>{"Track-01.wav"}), OutFiles());
}

TEST_F(RipJobTest, TheLogAndCueSheetStandBesideTheFiles) {
  std::vector<testdata::DriveTrack> tracks = {{Pattern(BlockFrames(100), 1)}, {Pattern(BlockFrames(60), 2)}};
  FFaults->noisy = {130};  // reads differently each time: test and copy cannot agree on track 2
  FFaults->indexZero = {{2, 90}};  // track 2's pregap, as only the Q sub-channel tells it
  RipInput input = DriveDisc(tracks, OutputFormat::WAV);
  input.values.testAndCopy = true;
  input.values.readMode = RipReadMode::Burst;  // a secure read would find the block unreadable at once
  Rip(input);
  EXPECT_EQ((std::vector<std::string>{"Track 02: the reads of test and copy differ, the track is unreliable"}),
            FHost.readErrors);
  ASSERT_EQ(2u, FHost.tracks.size());
  EXPECT_TRUE(FHost.tracks[0].reliable);
  EXPECT_EQ(FHost.tracks[0].testCrc, FHost.tracks[0].sums.crc32);
  ASSERT_EQ(1u, FHost.discs.size());
  std::string log = FHost.discs[0].second;
  EXPECT_EQ(Out("Disc 05000202.log"), log);
  std::vector<std::uint8_t> bytes = ReadAll(log);
  std::string text(bytes.begin(), bytes.end());
  char crc[16];
  std::snprintf(crc, sizeof crc, "%08x", FHost.tracks[0].sums.crc32);
  EXPECT_NE(std::string::npos, text.find("  CRC32: " + std::string(crc) + "\n  CRC32 without null samples: "));
  EXPECT_NE(std::string::npos, text.find("reads differ: unreliable"));
  for (const char* line : {"\nRead offset: 0 samples, none set for the drive\n", "\nRead mode: burst\n",
                           "\nGap detection: Q sub-channel\n",
                           "\n  Track  Start     Length    Blocks\n  01     00:00.00  00:01.25     100\n",
                           "\n  02     00:01.25  00:00.60      60  INDEX 00 at 00:01.15\n  Lead-out: block 160\n",
                           "\n  CDDB: 5000202\n",
                           "\n  AccurateRip: dBAR-002-", "\n  Peak level: 100.0 %\n", "\n  AccurateRip v1: "})
    EXPECT_NE(std::string::npos, text.find(line)) << line;
  EXPECT_TRUE(RipLogIntact(text));
  text.replace(text.find(crc), 8, "00000000");
  EXPECT_FALSE(RipLogIntact(text));
  // The cue sheet read back as a disc image gives the disc's table of contents.
  CloseCDHandle(FDrives.Handle());
  HCDROM again = testdata::OpenImageDrive(Out("Disc 05000202.cue"));
  ASSERT_NE(0u, again);
  TOC record;
  ModifyCDParms(again, CDP_MSF, 0);
  ASSERT_EQ(1, ReadTOC(again, &record));
  TableOfContents toc;
  ASSERT_TRUE(TableOfContentsFromRecord(record, toc));
  EXPECT_EQ(160u, toc.Leadout());
  EXPECT_EQ(100u, toc.entries[1].start);
  DiscCodes codes;
  ASSERT_TRUE(ReadCDCodes(again, codes));
  EXPECT_EQ((std::vector<std::int32_t>{-1, 90}), codes.pregaps);
  CloseCDHandle(again);
  EXPECT_NE(FHost.captions.end(), std::find(FHost.captions.begin(), FHost.captions.end(), "Detecting gaps: track 2 of 2"));

  // Without gap detection no sub-channel is read, and the log says so.
  FFaults->qReads = 0;
  input = DriveDisc(tracks, OutputFormat::WAV);
  input.values.detectGaps = false;
  Rip(input);
  EXPECT_EQ(0, FFaults->qReads);
  bytes = ReadAll(log);
  EXPECT_NE(std::string::npos, std::string(bytes.begin(), bytes.end()).find("\nGap detection: off\n"));
  bytes = ReadAll(Out("Disc 05000202.cue"));
  EXPECT_EQ(std::string::npos, std::string(bytes.begin(), bytes.end()).find("INDEX 00"));
}

// Three tracks with pregaps, flags, ISRCs (one in small letters, as some sheets have them) and a catalogue number.
const char kSheetWithCodes[] =
    "CATALOG 0724384260927\nFILE \"disc.bin\" BINARY\n  TRACK 01 AUDIO\n    ISRC GBAYE9900001\n"
    "    INDEX 01 00:00:00\n  TRACK 02 AUDIO\n    FLAGS DCP PRE\n    ISRC gbaye9900002\n    INDEX 00 00:01:15\n"
    "    INDEX 01 00:01:25\n  TRACK 03 AUDIO\n    FLAGS 4CH\n    INDEX 00 00:02:40\n    INDEX 01 00:02:50\n";

// The files carry what the disc says of them; a lookup's catalogue number stays. The log lists it all.
TEST_F(RipJobTest, TheDiscsOwnCodesReachTheTagsAndTheLog) {
  for (OutputFormat format : {OutputFormat::MP3, OutputFormat::FLAC}) {
    fs::remove_all(FFolder.Path() / "out");
    fs::create_directory(FFolder.Path() / "out");
    RipInput input = SheetDisc(kSheetWithCodes, format);
    input.rows[0].tags.catalogNumber = "5099750442227";
    Rip(input);
    std::vector<std::string> first = TagsOf(Out("Track-01" + FormatExtension(format)), format);
    std::vector<std::string> second = TagsOf(Out("Track-02" + FormatExtension(format)), format);
    auto has = [](const std::vector<std::string>& tags, const std::string& tag) {
      return std::find(tags.begin(), tags.end(), tag) != tags.end();
    };
    if (format == OutputFormat::MP3) {
      EXPECT_TRUE(has(first, "TXXX:CATALOGNUMBER=5099750442227") && has(first, "TSRC=GBAYE9900001"));
      EXPECT_TRUE(has(second, "TXXX:CATALOGNUMBER=0724384260927") && has(second, "TSRC=GBAYE9900002") &&
                  has(second, "COMM::eng=pre-emphasis")) << testing::PrintToString(second);
      EXPECT_EQ(first.end(), std::find_if(first.begin(), first.end(), [](auto& t) { return t.rfind("COMM", 0) == 0; }));
    } else {
      EXPECT_TRUE(has(first, "CATALOGNUMBER=5099750442227") && has(first, "ISRC=GBAYE9900001"));
      EXPECT_TRUE(has(second, "CATALOGNUMBER=0724384260927") && has(second, "ISRC=GBAYE9900002") &&
                  has(second, "COMMENT=pre-emphasis")) << testing::PrintToString(second);
    }
  }
  std::string log = testdata::ReadTextFile(FHost.discs.back().second);
  for (const char* line : {"\n  01     00:00.00  00:01.25     100  ISRC GBAYE9900001\n",
                           "\n  02     00:01.25  00:01.25     100  INDEX 00 at 00:01.15  ISRC GBAYE9900002  pre-emphasis"
                           "  copy permitted\n",
                           "\n  03     00:02.50  00:01.25     100  INDEX 00 at 00:02.40  four channels\n",
                           "  Lead-out: block 300\n  Catalogue number: 0724384260927\n"})
    EXPECT_NE(std::string::npos, log.find(line)) << line << log;
}

// De-emphasis changes the encoded file of a track recorded with pre-emphasis and nothing else: WAV files and
// every checksum stay the disc's own, so the database still confirms each track; the log and the tag say so.
// A cancelled rip keeps the tracks it finished, and a log that says it was cancelled and which they are; it
// judges no disc and writes no cue sheet or play list.
TEST_F(RipJobTest, ACancelledRipLogsTheTracksItFinished) {
  for (OutputFormat format : {OutputFormat::WAV, OutputFormat::FLAC}) {
    fs::remove_all(FFolder.Path() / "out");
    fs::create_directory(FFolder.Path() / "out");
    RipInput input = SheetDisc(kSheetWithCodes, format);
    input.values.encoderThreads = 1;
    FHost.onGauge = [&](int) {
      if (FHost.captions.back().rfind("Processing:03", 0) == 0 && FHost.tracks.size() >= 2) FJob.SetCancel(true);
    };
    Rip(input);
    const std::string extension = FormatExtension(format);
    std::vector<std::string> files = OutFiles();
    ASSERT_EQ(3u, files.size()) << FormatExtension(format);
    EXPECT_EQ((std::vector<std::string>{"Track-01" + extension, "Track-02" + extension}),
              std::vector<std::string>(files.begin() + 1, files.end()));
    std::vector<std::uint8_t> bytes = ReadAll(Out(files.front()));
    const std::string log(bytes.begin(), bytes.end());
    EXPECT_NE(std::string::npos, log.find("\nCancelled: the rip was cancelled; only the tracks below are complete\n"));
    EXPECT_NE(std::string::npos, log.find("\nTrack 02\n"));
    EXPECT_EQ(std::string::npos, log.find("\nTrack 03\n"));
    EXPECT_NE(std::string::npos, log.find("\nDisc: not judged, the rip was cancelled\n"));
    EXPECT_TRUE(RipLogIntact(log));
    if (format == OutputFormat::FLAC) {  // the kept files have their tracks' ReplayGain, not the album's
      std::map<std::string, std::string> tags = ReplayGainTags(Out(files[1]));
      EXPECT_EQ(1u, tags.count("REPLAYGAIN_TRACK_GAIN"));
      EXPECT_EQ(0u, tags.count("REPLAYGAIN_ALBUM_GAIN"));
    }
  }
}

TEST_F(RipJobTest, DeEmphasisChangesOnlyTheEncodedFilesOfPreEmphasisedTracks) {
  const std::vector<std::uint8_t> disc = Bytes(Pattern(BlockFrames(300), 7));
  std::vector<std::vector<std::uint8_t>> pcm;
  for (std::size_t k = 0; k < 3; ++k) pcm.emplace_back(disc.begin() + k * 235200, disc.begin() + (k + 1) * 235200);
  std::vector<std::int16_t> filtered(pcm[1].size() / 2);
  std::memcpy(filtered.data(), pcm[1].data(), pcm[1].size());
  DeEmphasis().Process(filtered.data(), filtered.size() / 2);
  std::string dbar;
  testdata::HttpTestServer server([&](const std::string&) { return testdata::HttpTestReply{200, dbar}; });
  for (OutputFormat format : {OutputFormat::FLAC, OutputFormat::WAV}) {
    fs::remove_all(FFolder.Path() / "out");
    fs::create_directory(FFolder.Path() / "out");
    FHost.tracks.clear();
    RipInput input = SheetDisc(kSheetWithCodes, format);
    input.values.deEmphasis = true;
    input.values.accurateRipServer = server.Url();
    dbar = DbarOfDisc(input.toc, pcm);
    Rip(input);
    ASSERT_EQ(3u, FHost.tracks.size());
    const bool flac = format == OutputFormat::FLAC;
    for (std::size_t k = 0; k < 3; ++k) {
      std::string file = Out(input.rows[k].name);
      if (flac) {
        std::string decoded = FFolder.File("decoded.wav");
        ASSERT_EQ(0, std::system(("flac -d -s -f -o '" + decoded + "' '" + file + "'").c_str()));
        file = decoded;
      }
      EXPECT_TRUE(ReadAll(file) == WaveOf(flac && k == 1 ? Bytes(filtered) : pcm[k])) << k;
      EXPECT_EQ(SumsOf(pcm, k).crc32, FHost.tracks[k].sums.crc32) << k;
      EXPECT_EQ("accurate (confidence 4)", FHost.tracks[k].verdict.Text()) << k;
    }
    std::string log = testdata::ReadTextFile(FHost.discs.back().second);
    std::size_t noted = log.find("  De-emphasis: applied to the file");
    EXPECT_EQ(flac, noted != std::string::npos && noted > log.find("Track 02\n") && noted < log.find("Track 03\n"));
    EXPECT_EQ(log.rfind("  De-emphasis: "), noted);
    if (!flac) continue;
    std::vector<std::string> tags = TagsOf(Out("Track-02.flac"), format);
    EXPECT_NE(tags.end(), std::find(tags.begin(), tags.end(), "COMMENT=pre-emphasis, de-emphasised"));
    ReplayGain file;  // the de-emphasised audio's loudness, not the disc's
    file.Add(Bytes(filtered).data(), filtered.size() * 2);
    EXPECT_EQ(ReplayGainText(file.Track()->gain), ReplayGainTags(Out("Track-02.flac"))["REPLAYGAIN_TRACK_GAIN"]);
  }
}

// Layouts as discs have them: each is read from its sheet, ripped, and the cue sheet written beside the files
// read back to the same tracks, pregaps and codes, counted from the first track ripped (whose pregap, when it
// follows a data track or is silence, is in no file). Audio before the first track is ripped to a file of its
// own, bit for bit, that holds the first track's INDEX 00. The sheet goes where the naming template puts the files.
TEST_F(RipJobTest, TheCueSheetGivesBackTheDiscsLayout) {
  const std::string codes = kSheetWithCodes;
  const std::string before =
      "FILE \"disc.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 00 00:00:00\n    INDEX 01 00:01:00\n  TRACK 02 AUDIO\n"
      "    INDEX 01 00:02:00\n";
  struct Layout {
    const char* name;
    std::string sheet;
    std::vector<std::uint32_t> starts;
    std::vector<std::int64_t> pregaps;  // -1: none
    bool named;  // a lookup named the tracks, the template makes folders
    std::size_t silentBlocks = 0;  // at the start of the disc
  };
  const Layout layouts[] = {
      {"pregaps, flags, ISRC and catalogue", codes, {0, 100, 200}, {-1, 90, 190}, false},
      {"the same in the album's folder", codes, {0, 100, 200}, {-1, 90, 190}, true},
      {"a PREGAP of silence",
       "FILE \"disc.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n  TRACK 02 AUDIO\n    PREGAP 00:00:30\n"
       "    INDEX 01 00:01:25\n",
       {0, 130}, {-1, 100}, false},
      {"an enhanced CD",
       "FILE \"disc.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n  TRACK 02 AUDIO\n    INDEX 00 00:01:00\n"
       "    INDEX 01 00:01:25\n  TRACK 03 MODE1/2352\n    INDEX 01 00:02:50\n",
       {0, 100, 200}, {-1, 75, -1}, false},
      {"a mixed-mode CD",
       "FILE \"disc.bin\" BINARY\n  TRACK 01 MODE1/2352\n    INDEX 01 00:00:00\n  TRACK 02 AUDIO\n    INDEX 00 00:01:00\n"
       "    INDEX 01 00:01:25\n  TRACK 03 AUDIO\n    INDEX 00 00:02:30\n    INDEX 01 00:02:50\n",
       {0, 100, 200}, {-1, 75, 180}, false},
      {"hidden audio before track 1", before, {75, 150}, {0, -1}, false},
      {"hidden audio in the album's folder", before, {75, 150}, {0, -1}, true},
      {"silence before track 1", before, {75, 150}, {0, -1}, false, 75},
  };
  for (const Layout& layout : layouts) {
    SCOPED_TRACE(layout.name);
    fs::remove_all(FFolder.Path() / "out");
    fs::create_directory(FFolder.Path() / "out");
    RipInput input = SheetDisc(layout.sheet, OutputFormat::WAV, layout.silentBlocks);
    const TableOfContents source = input.toc;
    const bool hidden = layout.starts[0] > layout.silentBlocks;
    EXPECT_EQ(hidden, source.hiddenAudio);
    ASSERT_EQ(layout.starts.size() + (hidden ? 1 : 0), input.rows.size());
    EXPECT_EQ(hidden ? "00" : "01", input.rows[0].number);
    for (std::size_t k = 0; k < layout.starts.size(); ++k) {
      EXPECT_EQ(layout.starts[k], source.entries[k].start) << k;
      EXPECT_EQ(layout.pregaps[k], source.entries[k].pregap ? std::int64_t(*source.entries[k].pregap) : -1) << k;
    }
    for (RipRow& row : input.rows) {
      if (!layout.named) continue;
      row.name = "Artist/Album (1999)/" + row.number + " - Song.wav";
      row.tags.title = "Song \"" + row.number + "\"";
      row.tags.artist = "Artist";
      row.tags.album = "Album";
      row.tags.year = "1999";
      row.tags.genre = "Rock";
    }
    Rip(input);
    std::string cue;
    for (const auto& entry : fs::recursive_directory_iterator(FFolder.Path() / "out"))
      if (entry.path().extension() == ".cue") cue = entry.path().string();
    ASSERT_FALSE(cue.empty());
    fs::path folder = FFolder.Path() / "out";
    EXPECT_EQ(layout.named ? folder / "Artist" / "Album (1999)" : folder, fs::path(cue).parent_path());
    EXPECT_TRUE(fs::exists(fs::path(cue).replace_extension(".log")));
    std::string text = testdata::ReadTextFile(cue);
    for (const char* line : {"REM GENRE \"Rock\"\n", "REM DATE \"1999\"\n", "PERFORMER \"Artist\"\nTITLE \"Album\"\n",
                             "FILE \"01 - Song.wav\" WAVE\n", "    TITLE \"Song '02'\"\n"}) {
      EXPECT_EQ(layout.named, text.find(line) != std::string::npos) << line << text;
    }
    for (const char* tool : {"cueprint", "cuebreakpoints"})
      EXPECT_EQ(0, testdata::RunCommand(std::string(tool) + " '" + cue + "'").status) << tool << "\n" << text;
    if (hidden && !layout.named) {
      const std::vector<std::int16_t> audio = SheetAudio(0);
      for (std::size_t k = 0; k < 2; ++k) {
        std::vector<std::uint8_t> file = ReadAll(Out(k == 0 ? "Track-00.wav" : "Track-01.wav"));
        ASSERT_EQ(44u + 75 * 2352, file.size());
        EXPECT_EQ(0, std::memcmp(file.data() + 44, audio.data() + k * BlockFrames(75) * 2, 75 * 2352)) << k;
      }
    }

    CloseCDHandle(FDrives.Handle());
    CdDrives again;
    CloseCDHandle(testdata::OpenImageDrive(cue));
    again.ReadDriveList();
    ASSERT_TRUE(again.ReadTableOfContents(OutputFormat::WAV).message.empty()) << text;
    const TableOfContents& back = again.Toc();
    EXPECT_EQ(source.catalog, back.catalog);
    EXPECT_EQ(source.hiddenAudio, back.hiddenAudio);
    std::size_t first = 0;
    while (!source.entries[first].audio) ++first;
    const std::uint32_t base = hidden ? 0 : source.entries[first].start;
    std::size_t audioTracks = 0;
    for (std::size_t k = first; k < layout.starts.size() && source.entries[k].audio; ++k, ++audioTracks) {
      const TocEntry& was = source.entries[k];
      const TocEntry& is = back.entries[k - first];
      EXPECT_EQ(was.trackNumber, is.trackNumber);
      EXPECT_EQ(was.start - base, is.start) << k;
      std::optional<std::uint32_t> pregap =
          (k == first && !hidden) || !was.pregap ? std::nullopt : std::optional(*was.pregap - base);
      EXPECT_EQ(pregap, is.pregap) << k << "\n" << text;
      EXPECT_EQ(was.isrc, is.isrc);
      EXPECT_EQ(was.preEmphasis, is.preEmphasis);
      EXPECT_EQ(was.copyPermitted, is.copyPermitted);
      EXPECT_EQ(was.fourChannel, is.fourChannel);
    }
    EXPECT_EQ(std::size_t(back.TrackCount()), audioTracks);
    again.CloseHandle();
  }
}

// A rip to one file holds the disc's audio in disc order, hidden audio and pregaps too, with a cue sheet into
// it: read back as a disc image it gives the disc's layout, and its tracks rip to the files of a rip per track
// bit for bit. Each track keeps its checksums. MP3 and Ogg Vorbis are refused, and nothing is written.
TEST_F(RipJobTest, ARipToOneFileSplitsBackIntoTheTracksBitForBit) {
  const std::string hidden =
      "FILE \"disc.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 00 00:00:00\n    INDEX 01 00:01:00\n  TRACK 02 AUDIO\n"
      "    INDEX 00 00:01:50\n    INDEX 01 00:02:00\n";
  const fs::path out = FFolder.Path() / "out";
  auto fresh = [&] {
    fs::remove_all(out);
    fs::create_directory(out);
  };
  auto wavFiles = [&] {
    std::map<std::string, std::vector<std::uint8_t>> files;
    for (const auto& entry : fs::directory_iterator(out))
      if (entry.path().extension() == ".wav") files[entry.path().filename()] = ReadAll(entry.path());
    return files;
  };
  for (const std::string& sheet : {std::string(kSheetWithCodes), hidden})
    for (OutputFormat format : {OutputFormat::WAV, OutputFormat::FLAC}) {
      SCOPED_TRACE(sheet + FormatExtension(format));
      fresh();
      RipInput perTrack = SheetDisc(sheet, OutputFormat::WAV);
      const TableOfContents source = perTrack.toc;
      RecordingHost tracksHost;
      RipJob(tracksHost).Start(perTrack);
      const std::map<std::string, std::vector<std::uint8_t>> expected = wavFiles();
      ASSERT_EQ(perTrack.rows.size(), expected.size());

      fresh();
      RipInput one = SheetDisc(sheet, format);
      one.values.oneFile = true;
      RecordingHost host;
      RipJob(host).Start(one);
      ASSERT_TRUE(host.errors.empty()) << host.errors[0];
      const std::string file = (out / ("Disc" + FormatExtension(format))).string();
      ASSERT_TRUE(fs::exists(file));
      ASSERT_EQ(tracksHost.tracks.size(), host.tracks.size());
      for (std::size_t k = 0; k < host.tracks.size(); ++k) {
        EXPECT_EQ(file, host.tracks[k].path);
        EXPECT_EQ(tracksHost.tracks[k].sums.crc32, host.tracks[k].sums.crc32) << k;
      }
      std::string cue = fs::path(host.discs.back().second).replace_extension(".cue").string();
      EXPECT_EQ(0, testdata::RunCommand("cueprint '" + cue + "'").status) << testdata::ReadTextFile(cue);

      CloseCDHandle(FDrives.Handle());
      CdDrives again;
      CloseCDHandle(testdata::OpenImageDrive(cue));
      again.ReadDriveList();
      std::vector<TrackRow> rows = again.ReadTableOfContents(OutputFormat::WAV).rows;
      const TableOfContents& back = again.Toc();
      ASSERT_EQ(source.TrackCount(), back.TrackCount()) << testdata::ReadTextFile(cue);
      EXPECT_EQ(source.hiddenAudio, back.hiddenAudio);
      for (int k = 0; k < source.TrackCount(); ++k) {
        EXPECT_EQ(source.entries[k].start, back.entries[k].start) << k;
        EXPECT_EQ(source.entries[k].pregap, back.entries[k].pregap) << k;
      }
      RipInput split;
      split.format = OutputFormat::WAV;
      split.folder = FFolder.File("split");
      fs::create_directory(split.folder);
      split.handle = again.Handle();
      split.toc = back;
      AddRows(rows, split);
      RecordingHost splitHost;
      RipJob(splitHost).Start(split);
      for (const auto& [name, bytes] : expected) EXPECT_TRUE(ReadAll(split.folder + "/" + name) == bytes) << name;
      fs::remove_all(split.folder);
      again.CloseHandle();
    }

  fresh();
  RipInput mp3 = SheetDisc(hidden, OutputFormat::MP3);
  mp3.values.oneFile = true;
  RecordingHost refused;
  RipJob(refused).Start(mp3);
  EXPECT_EQ(std::vector<std::string>{OneFileProblem(OutputFormat::MP3)}, refused.errors);
  EXPECT_TRUE(fs::is_empty(out));
}

TEST_F(RipJobTest, ARipOfAKnownDiscSaysItIsAccurate) {
  std::vector<testdata::DriveTrack> tracks = {{Pattern(BlockFrames(500), 1)}, {Pattern(BlockFrames(480), 2)}};
  RipInput input = DriveDisc(tracks, OutputFormat::MP3);
  std::vector<AudioTrackChecksums> sums;
  std::vector<std::uint32_t> unreadable;
  std::string error;
  ASSERT_TRUE(ChecksumAudioTracks(input.handle, input.toc, sums, unreadable, error));
  AccurateRipIds ids = AccurateRipIdsOf(input.toc);
  std::vector<testdata::DbarEntry> pressing;
  for (const AudioTrackChecksums& track : sums) pressing.push_back({4, track.checksums.Sums().arV2, 0});
  testdata::HttpTestServer server([&](const std::string&) {
    return testdata::HttpTestReply{200, testdata::DbarFile(ids.id1, ids.id2, ids.cddb, {pressing})};
  });
  input.values.accurateRipServer = server.Url();
  Rip(input);
  ASSERT_EQ(2u, FHost.tracks.size());
  EXPECT_EQ("accurate (confidence 4)", FHost.tracks[1].verdict.Text());
  EXPECT_EQ("accurate (2 of 2 tracks)", FHost.discs.at(0).first);
  EXPECT_EQ("Finished!", FHost.captions.back());
}

// The CUETools database judges each track beside AccurateRip: a burst read that only it confirms is kept, and
// the output and the log say what it said of the tracks and the disc.
TEST_F(RipJobTest, ABurstReadThatOnlyTheCuetoolsDatabaseConfirmsIsKept) {
  std::vector<testdata::DriveTrack> tracks;
  std::vector<std::vector<std::uint8_t>> pcm;
  for (int k = 0; k < 3; ++k) {
    tracks.push_back({Pattern(BlockFrames(150), k + 1)});
    pcm.push_back(Bytes(tracks.back().audio));
  }
  RipInput input = DriveDisc(tracks, OutputFormat::WAV);
  testdata::CtdbTestEntry entry{0, 5, CtdbTocText(input.toc), {}};
  std::string disc;
  for (std::size_t k = 0; k < pcm.size(); ++k) {
    entry.trackCrcs.push_back(SumsOf(pcm, k).ctdb);
    if (k == 0) disc.assign(pcm[k].begin() + 5880 * 4, pcm[k].end());
    else disc.append(pcm[k].begin(), k + 1 < pcm.size() ? pcm[k].end() : pcm[k].end() - (5880 + 450 * 588 % 5880) * 4);
  }
  entry.crc = std::uint32_t(crc32(0, reinterpret_cast<const Bytef*>(disc.data()), uInt(disc.size())));
  testdata::HttpTestServer server([&](const std::string& target) {
    return target.rfind("/lookup2.php?", 0) == 0 ? testdata::HttpTestReply{200, testdata::CtdbReply({entry})}
                                                 : testdata::HttpTestReply{404, ""};
  });
  input.values.accurateRipServer = server.Url();
  input.values.ctdbServer = server.Url();
  Rip(input);
  EXPECT_LE(FFaults->requested, 3 * 150 * 115 / 100);  // read once: no track again securely
  ASSERT_EQ(3u, FHost.tracks.size());
  for (const TrackResult& track : FHost.tracks) {
    EXPECT_EQ("burst, confirmed by CTDB (confidence 5)", track.readPath);
    EXPECT_EQ("not in database", track.verdict.Text());
  }
  EXPECT_EQ("accurate (confidence 5)", FHost.ctdbDiscs.at(0));
  std::string log = testdata::ReadTextFile(FHost.discs.at(0).second);
  char crc[9];
  std::snprintf(crc, sizeof crc, "%08x", entry.trackCrcs[0]);
  EXPECT_NE(std::string::npos, log.find("  CTDB CRC32: " + std::string(crc) + "\n  CTDB: accurate (confidence 5)\n")) << log;
  EXPECT_NE(std::string::npos, log.find("  CTDB TOC ID: " + CtdbTocId(input.toc) + "\n")) << log;
  EXPECT_NE(std::string::npos, log.find("Disc AccurateRip: not in database\nDisc CTDB: accurate (confidence 5)\n")) << log;
}

TEST_F(RipJobTest, AnImageCutShortWhileRippingIsReportedAsDamage) {
  RipInput input = Disc(ThreeTracks(), OutputFormat::WAV);
  fs::resize_file(FFolder.File("disc.bin"), (100 + 20) * 2352);  // track 2 loses its last 6 blocks, track 3 all
  Rip(input);
  EXPECT_EQ((std::vector<std::string>{"Track 02: 6 blocks could not be read at 00:00.20\u201300:00.25",
                                      "Track 03: 10 blocks could not be read at 00:00.00\u201300:00.09"}),
            FHost.readErrors);
  EXPECT_EQ("Finished with read errors", FHost.captions.back());
}

// Links planted beside the output never redirect a write; a link as the output is written through.
TEST_F(RipJobTest, PlantedLinksAreNotFollowedAndTheUsersFilesKeepTheirNamesAndModes) {
  std::string victim = FFolder.File("victim");
  testdata::WriteTextFile(victim, "victim");
  for (OutputFormat format : {OutputFormat::WAV, OutputFormat::MP3, OutputFormat::Ogg, OutputFormat::FLAC,
                              OutputFormat::Opus}) {
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

// Another user's link at a name the job chooses (a track's file, a folder of the naming template, the log) is
// refused by name and nothing reaches its target; a link planted while the track is read is refused as well.
TEST_F(RipJobTest, AnotherUsersLinksAtTheJobsOwnNamesAreRefused) {
  if (::geteuid() != 0) GTEST_SKIP() << "only root can hand a link to another user";
  std::string victim = FFolder.File("victim"), elsewhere = FFolder.File("elsewhere");
  fs::create_directory(elsewhere);
  auto plant = [](const std::string& target, const std::string& link) {
    fs::create_symlink(target, link);
    EXPECT_EQ(0, ::lchown(link.c_str(), 12345, 12345));
  };
  for (OutputFormat format : {OutputFormat::WAV, OutputFormat::MP3, OutputFormat::Ogg, OutputFormat::FLAC}) {
    for (bool inFolder : {false, true}) {
      FHost.errors.clear();
      FHost.onPump = nullptr;
      testdata::WriteTextFile(victim, "victim");
      RipInput input = Disc({{{}, Pattern(BlockFrames(30), 1)}}, format);
      std::string name = input.rows[0].name, link = Out(inFolder ? "Unknown Artist" : name);
      if (inFolder) input.rows[0].name = "Unknown Artist/" + name;
      if (inFolder || format == OutputFormat::WAV) plant(inFolder ? elsewhere : victim, link);
      else FHost.onPump = [&] { if (!fs::is_symlink(link)) plant(victim, link); };
      Rip(input);
      SCOPED_TRACE(input.rows[0].name);
      EXPECT_EQ((std::vector<std::string>{"Cannot create file " + Out(input.rows[0].name) + ": the link " + link +
                                          " belongs to another user and is not followed"}),
                FHost.errors);
      EXPECT_EQ("victim", testdata::ReadTextFile(victim));
      EXPECT_TRUE(fs::is_empty(elsewhere));
      EXPECT_EQ(std::vector<std::string>{fs::path(link).filename()}, OutFiles());
      fs::remove(link);
    }
  }
  // The log's link: the tracks are kept, and the job says why there is no log.
  FHost.errors.clear();
  FHost.onPump = nullptr;
  RipInput input = DriveDisc({{Pattern(BlockFrames(30), 1)}}, OutputFormat::WAV);
  plant(victim, Out("Disc 02000001.log"));
  Rip(input);
  EXPECT_EQ((std::vector<std::string>{"the rip log could not be written: the link " + Out("Disc 02000001.log") +
                                      " belongs to another user and is not followed"}),
            FHost.errors);
  EXPECT_EQ((std::vector<std::string>{"Disc 02000001.log", "Disc 02000001.m3u8", "Track-01.wav"}), OutFiles());
  EXPECT_EQ("victim", testdata::ReadTextFile(victim));
}

// On a nearly full disk the encoders wait for room rather than fail; a disk too small for one track is named.
TEST_F(RipJobTest, ParallelEncodersWaitForRoomOnANearlyFullDisk) {
  std::string disk = FFolder.File("disk");
  fs::create_directory(disk);
  if (::geteuid() != 0 || std::system(("mount -t tmpfs -o size=3300k tmpfs '" + disk + "' 2>/dev/null").c_str()) != 0)
    GTEST_SKIP() << "a small file system of its own needs root";
  struct Unmount {
    std::string path;
    ~Unmount() { EXPECT_EQ(0, std::system(("umount '" + path + "'").c_str())); }
  } unmount{disk};
  std::vector<ImageTrack> tracks;  // 1.2 MB of WAV each: two fit beside the MP3 files, three do not
  for (int k = 0; k < 6; ++k) tracks.push_back({{}, Pattern(BlockFrames(500), k + 1)});
  RipInput input = Disc(tracks, OutputFormat::MP3);
  input.folder = disk;
  input.values.encoderThreads = 3;
  Rip(input);
  EXPECT_TRUE(FHost.errors.empty()) << FHost.errors.front();
  EXPECT_EQ(6u, FJob.Finished().size());
  for (const fs::directory_entry& file : fs::directory_iterator(disk)) fs::remove(file.path());
  ASSERT_EQ(0, std::system(("mount -o remount,size=600k '" + disk + "'").c_str()));
  FHost.errors.clear();
  input = Disc({tracks[0]}, OutputFormat::MP3);
  input.folder = disk;
  Rip(input);
  EXPECT_EQ(std::vector<std::string>{"Stream write error: the disk is full (" + disk + "/Track-01.mp3.convert)"},
            FHost.errors);
}

// The time left follows the job's rate, told only once the job has run 5 s and done something.
TEST(TimeLeftTest, FollowsTheRateSoFarAfterTheFirstSeconds) {
  TimeLeft left;
  const TimeLeft::Clock::time_point start{};
  left.Start(start);
  const struct {
    double seconds, done;
    std::optional<int> left;
    const char* text;
  } cases[] = {{4.9, 0.5, std::nullopt, ""},        {10, 0.0, std::nullopt, ""},
               {10, 0.25, 30, "under a minute left"}, {60, 0.4, 90, "about 2 min left"},
               {100, 0.25, 300, "about 5 min left"},   {300, 1.0, 0, "under a minute left"}};
  for (const auto& c : cases) {
    auto now = start + std::chrono::duration_cast<TimeLeft::Clock::duration>(std::chrono::duration<double>(c.seconds));
    EXPECT_EQ(c.left, left.SecondsLeft(c.done, now)) << c.seconds << " s, " << c.done;
    if (c.left) {
      EXPECT_EQ(c.text, TimeLeftText(*c.left));
    }
  }
}

std::string HexOf(const std::string& bytes) {
  std::string hex;
  char digits[3];
  for (unsigned char c : bytes) {
    std::snprintf(digits, sizeof digits, "%02x", c);
    hex += digits;
  }
  return hex;
}

TEST(RipNoticeTest, SaysHowTheRipEndedAndAccurateOnlyWhenEveryTrackIsProven) {
  using Kind = TrackVerdict::Kind;
  auto track = [](Kind accurateRip, Kind ctdb, std::vector<std::uint32_t> unreadable = {}) {
    TrackResult result;
    result.verdict.kind = accurateRip;
    result.ctdbVerdict.kind = ctdb;
    result.unreadable = std::move(unreadable);
    return result;
  };
  const TrackResult proven = track(Kind::Accurate, Kind::NotVerified);
  const TrackResult byCtdb = track(Kind::NotInDatabase, Kind::AccurateWithOffset);
  const TrackResult unproven = track(Kind::NotAccurate, Kind::NotInDatabase);
  const TrackResult damaged = track(Kind::NotAccurate, Kind::NotAccurate, {7});
  const TrackResult hidden = track(Kind::HiddenAudio, Kind::HiddenAudio);
  struct Case {
    RipEnding ending;
    std::string text;
  };
  const Case cases[] = {
      {{"Album", 2, {proven, byCtdb}, false, {}}, "Rip finished: Album \u2014 2 tracks, all accurate"},
      {{"", 1, {proven}, false, {}}, "Rip finished \u2014 1 track, all accurate"},
      {{"Album", 3, {proven, unproven, hidden}, false, {}}, "Rip finished: Album \u2014 3 tracks, 1 of 3 accurate"},
      {{"Album", 2, {unproven, damaged}, false, {}},
       "Rip finished: Album \u2014 2 tracks, none proven accurate, 1 with blocks that could not be read"},
      {{"Album", 12, {proven, proven}, true, {}}, "Rip cancelled: Album \u2014 2 of 12 tracks finished"},
      {{"Album", 12, {proven}, false, {"Stream write error", "later"}},
       "Rip ended with errors: Album \u2014 1 of 12 tracks finished: Stream write error"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.text, RipNoticeOf(c.ending).Text());
}

TEST(RipNoticeTest, OnlyARipOfMoreThanAMinuteEndingWhileTheProgramIsNotActiveIsNoticed) {
  using std::chrono::seconds;
  EXPECT_TRUE(ShouldNotify(seconds(61), false));
  EXPECT_FALSE(ShouldNotify(seconds(61), true));
  EXPECT_FALSE(ShouldNotify(seconds(60), false));
}

TEST_F(RipJobTest, TheChosenReleasesCoverIsEmbeddedInEveryFileAndSavedBesideThem) {
  const std::string mbid = "1a2b3c4d-5e6f-4a7b-8c9d-0e1f2a3b4c5d";
  const std::string target = "/release/" + mbid + "/front-500";
  // A JPEG's start of frame (3 high, 2 wide, three 8-bit components) and a PNG's IHDR (5 by 7, RGBA).
  const std::string jpeg = std::string("\xFF\xD8\xFF\xC0\x00\x11\x08\x00\x03\x00\x02\x03", 12) + std::string(9, '\1') + "\xFF\xD9";
  const std::string png = std::string("\x89PNG\r\n\x1A\n\0\0\0\x0DIHDR\0\0\0\x05\0\0\0\x07\x08\x06\0\0\0", 29);
  struct Case {
    const char* name;
    OutputFormat format;
    testdata::HttpTestReply reply;
    std::string source = "MusicBrainz";
    bool on = true;
    std::string picture;  // as cover_art.py prints it; empty: none embedded
    std::string file;     // the cover saved beside the files; empty: none
    std::string log;      // the start of the log's line; empty: no line
  };
  const std::string found = "Cover art: image/jpeg, 1 KiB from ";
  const Case cases[] = {
      {"found", OutputFormat::MP3, {200, jpeg}, "MusicBrainz", true, "3 image/jpeg 0x0 " + HexOf(jpeg), "cover.jpg", found},
      {"found", OutputFormat::Ogg, {200, jpeg}, "MusicBrainz", true, "3 image/jpeg 2x3 " + HexOf(jpeg), "cover.jpg", found},
      {"found", OutputFormat::FLAC, {200, jpeg}, "MusicBrainz", true, "3 image/jpeg 2x3 " + HexOf(jpeg), "cover.jpg", found},
      {"found", OutputFormat::Opus, {200, jpeg}, "MusicBrainz", true, "3 image/jpeg 2x3 " + HexOf(jpeg), "cover.jpg", found},
      {"redirected", OutputFormat::FLAC, {307, "", false, "/images/front.png"}, "MusicBrainz", true,
       "3 image/png 5x7 " + HexOf(png), "cover.png", "Cover art: image/png, 1 KiB from "},
      {"none", OutputFormat::MP3, {404, "no art"}, "MusicBrainz", true, "", "", "Cover art: none for this release at "},
      {"endless redirects", OutputFormat::Ogg, {302, "", false, target}, "MusicBrainz", true, "", "",
       "Cover art: not fetched from "},
      {"oversized", OutputFormat::FLAC, {200, jpeg + std::string(16 << 20, '\0')}, "MusicBrainz", true, "", "",
       "Cover art: refused, the image at "},
      {"not an image", OutputFormat::Ogg, {200, "<html>front</html>"}, "MusicBrainz", true, "", "",
       "Cover art: refused, the reply from "},
      {"after CDDB", OutputFormat::MP3, {200, jpeg}, "CDDB", true, "", "", ""},
      {"off", OutputFormat::MP3, {200, jpeg}, "MusicBrainz", false, "", "", ""},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(std::string(test.name) + " " + FormatExtension(test.format));
    fs::remove_all(FFolder.Path() / "out");
    fs::create_directory(FFolder.Path() / "out");
    testdata::HttpTestServer server([&](const std::string& asked) {
      if (asked == "/images/front.png") return testdata::HttpTestReply{200, png};
      return asked == target ? test.reply : testdata::HttpTestReply{500, "unknown"};
    });
    RipInput input = DriveDisc({{Pattern(BlockFrames(40), 1)}, {Pattern(BlockFrames(30), 2)}}, test.format);
    input.metadataSource = test.source;
    for (RipRow& row : input.rows) row.tags.musicBrainzReleaseId = mbid;
    input.values.coverArtServer = test.on ? server.Url() : "";
    Rip(input);
    ASSERT_TRUE(FHost.errors.empty()) << FHost.errors.front();
    const std::string ext = FormatExtension(test.format);
    for (const char* track : {"Track-01", "Track-02"}) {
      testdata::ProcessResult result =
          testdata::RunCommand(std::string(QUILLON_PYTHON) + " " + COVER_ART + " '" + Out(track + ext) + "'");
      EXPECT_EQ(0, result.status) << result.out;
      EXPECT_EQ(test.picture + "\n", result.out) << track;
    }
    for (const char* name : {"cover.jpg", "cover.png"}) {
      EXPECT_EQ(name == test.file, fs::exists(Out(name))) << name;
      const std::vector<std::uint8_t> saved = name == test.file ? ReadAll(Out(name)) : std::vector<std::uint8_t>();
      if (name == test.file) {
        EXPECT_EQ(test.file == "cover.png" ? png : jpeg, std::string(saved.begin(), saved.end()));
      }
    }
    std::vector<std::uint8_t> bytes = ReadAll(FHost.discs.back().second);
    const std::string log(bytes.begin(), bytes.end());
    const std::size_t line = log.find("\nCover art: ");
    EXPECT_EQ(test.log.empty(), line == std::string::npos) << log;
    if (!test.log.empty() && line != std::string::npos) {
      EXPECT_EQ(0, log.compare(line + 1, test.log.size(), test.log)) << log;
    }
    if (!test.file.empty()) {
      EXPECT_NE(std::string::npos, log.find("; saved as " + Out(test.file) + "\n")) << log;
    }
    EXPECT_EQ(test.on && test.source == "MusicBrainz", !server.Requests().empty());
  }
}

TEST(RipValuesTest, UnitsAreDroppedAndAMissingBitRateIsAnError) {
  testdata::TempFolder folder;
  std::string path = folder.File("settings.ini");
  testdata::WriteTextFile(path,
                          "[MP3 Options]\ndwSampleRate=48000Hz\nwBitrate=320kb/s\nbCRC=false\nmode=VBR\nquality=10\n"
                          "[Folder]\nopen=True\n[Opus Options]\nbitrate=96\n"
                          "[Ogg Options]\ncpu=x\ncompr=50\n[FLAC Options]\nlevel=9\n[Rip]\nencoder threads=3\n"
                          "de-emphasis=True\none file=True\n");
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
  EXPECT_EQ(5, values.flacLevel);  // out of range: the default
  EXPECT_TRUE(values.mp3Vbr);
  EXPECT_EQ(2, values.mp3Quality);  // out of range: the default
  EXPECT_EQ(96, values.opusBitrate);
  EXPECT_EQ(3, values.encoderThreads);
  EXPECT_TRUE(values.deEmphasis);
  EXPECT_TRUE(values.oneFile);

  testdata::WriteTextFile(path, "[MP3 Options]\ndwSampleRate=44100Hz\n");
  TIniFile missing(path);
  EXPECT_FALSE(ReadRipValues(missing, values));
}

TEST(RipValuesTest, RepliesAreCachedBesideTheSettingsUnlessTheProgramFolderIsNotTheUsers) {
  testdata::TempFolder folder;
  std::string path = folder.File("settings.ini");
  testdata::WriteTextFile(path, "[MP3 Options]\ndwSampleRate=44100Hz\nwBitrate=128kb/s\n");
  TIniFile settings(path);
  RipValues values;
  ASSERT_TRUE(ReadRipValues(settings, values));
  EXPECT_EQ(folder.Path().string(), values.cacheFolder);

  OverrideProgramFolder(folder.File("program/"), false);
  setenv("HOME", folder.File("home").c_str(), 1);
  unsetenv("XDG_CACHE_HOME");
  ASSERT_TRUE(ReadRipValues(settings, values));
  EXPECT_EQ(folder.File("home/.cache/quillon"), values.cacheFolder);
  setenv("XDG_CACHE_HOME", folder.File("cache").c_str(), 1);
  ASSERT_TRUE(ReadRipValues(settings, values));
  EXPECT_EQ(folder.File("cache/quillon"), values.cacheFolder);
  unsetenv("XDG_CACHE_HOME");
  OverrideProgramFolder("");
}

// A 1 kHz sine of amplitude a on both channels: its mean square is a²/2 a channel, the channels add, and the
// K-weighting's gain of +0.69 dB at 1 kHz cancels the -0.691 dB of the loudness formula, so it measures
// 20 log10(a) LUFS, and its ReplayGain 2.0 gain is -18 - 20 log10(a) dB. Two such tracks of the same length
// measure 10 log10((a1² + a2²) / 2) LUFS together.
std::vector<std::int16_t> Sine(std::size_t frames, double amplitude) {
  std::vector<std::int16_t> samples;
  for (std::size_t i = 0; i < frames; ++i) {
    const double phase = 2 * std::numbers::pi * 1000 * double(i) / 44100;
    auto value = static_cast<std::int16_t>(std::lround(amplitude * 32767 * std::sin(phase)));
    samples.insert(samples.end(), {value, value});
  }
  return samples;
}

std::map<std::string, std::string> ReplayGainTags(const std::string& path) {
  const std::string command = std::string(QUILLON_PYTHON) + " " + REPLAYGAIN_TAGS + " '" + path + "'";
  testdata::ProcessResult result = testdata::RunCommand(command);
  EXPECT_EQ(0, result.status) << result.out;
  std::map<std::string, std::string> tags;
  for (const std::string& line : SortedLines(result.out))
    if (line.find('=') != std::string::npos) tags[line.substr(0, line.find('='))] = line.substr(line.find('=') + 1);
  return tags;
}

void ExpectGain(double expected, const std::string& text) {
  ASSERT_GT(text.size(), 3u);
  EXPECT_EQ(" dB", text.substr(text.size() - 3));
  EXPECT_NEAR(expected, std::stod(text), 0.1) << text;
}

// The tracks are encoded as they are read, each file given the album's values once the last is read.
TEST_F(RipJobTest, ReplayGainOfSinesIsTaggedAndLoggedWithTheAlbumsOnlyForAWholeDisc) {
  const std::vector<ImageTrack> tracks = {
      {{}, Sine(BlockFrames(300), 0.25)}, {{}, Sine(BlockFrames(300), 0.5)}, {{}, Sine(BlockFrames(300), 0.25)}};
  auto peakOf = [](const std::vector<std::int16_t>& samples) {
    return ReplayGainPeakText(*std::max_element(samples.begin(), samples.end()) / 32768.0);
  };
  const std::string quietPeak = peakOf(tracks[0].audio), loudPeak = peakOf(tracks[1].audio);
  const double albumGain = -18 - 10 * std::log10((0.25 * 0.25 * 2 + 0.5 * 0.5) / 3);
  for (OutputFormat format : {OutputFormat::MP3, OutputFormat::Ogg, OutputFormat::FLAC, OutputFormat::Opus}) {
    RipInput input = Disc(tracks, format);
    input.values.encoderThreads = 1;  // the first track is encoded before the third is read
    bool firstDoneBeforeLastRead = false;
    FHost.onPump = [&] {
      if (FHost.captions.back().rfind("Processing:03", 0) == 0 && !firstDoneBeforeLastRead)
        firstDoneBeforeLastRead = fs::exists(Out(input.rows[0].name));
    };
    Rip(input);
    FHost.onPump = nullptr;
    EXPECT_TRUE(FHost.errors.empty());
    EXPECT_TRUE(firstDoneBeforeLastRead) << FormatExtension(format);
    for (std::size_t k = 0; k < 3; ++k) {
      std::map<std::string, std::string> tags = ReplayGainTags(Out(input.rows[k].name));
      const double trackGain = k == 1 ? -18 - 20 * std::log10(0.5) : -18 - 20 * std::log10(0.25);
      if (format == OutputFormat::Opus) {  // Q7.8 dB to -23 LUFS, only these two; the header's gain stays 0
        EXPECT_EQ(2u, tags.size());
        EXPECT_NEAR((trackGain - 5) * 256, std::stoi(tags["R128_TRACK_GAIN"]), 0.1 * 256);
        EXPECT_NEAR((albumGain - 5) * 256, std::stoi(tags["R128_ALBUM_GAIN"]), 0.1 * 256);
        const std::vector<std::uint8_t> opus = ReadAll(Out(input.rows[k].name));
        const std::size_t head = std::string(opus.begin(), opus.end()).find("OpusHead");
        ASSERT_NE(std::string::npos, head);
        EXPECT_EQ(0, opus[head + 16] | opus[head + 17] << 8);
        continue;
      }
      ExpectGain(trackGain, tags["REPLAYGAIN_TRACK_GAIN"]);
      EXPECT_EQ(k == 1 ? loudPeak : quietPeak, tags["REPLAYGAIN_TRACK_PEAK"]);
      ExpectGain(albumGain, tags["REPLAYGAIN_ALBUM_GAIN"]);
      EXPECT_EQ(loudPeak, tags["REPLAYGAIN_ALBUM_PEAK"]);
    }
    // Tagged again, a file still decodes whole (the MP3's Info frame still found after its tag).
    const std::string decoded = FFolder.File("decoded.wav");
    if (format == OutputFormat::Opus) {  // at 48 kHz, within a 20 ms frame
      ASSERT_EQ(0, std::system(("opusdec --quiet --rate 48000 '" + Out(input.rows[2].name) + "' '" + decoded + "'").c_str()));
      EXPECT_NEAR(300.0 * 588 * 48000 / 44100 * 4, double(fs::file_size(decoded)) - 44, 960 * 4);
      continue;
    }
    const std::string decoder = format == OutputFormat::MP3 ? "mpg123 -q -w '" : format == OutputFormat::FLAC ? "flac -d -s -f -o '" : "oggdec --quiet -o '";
    ASSERT_EQ(0, std::system((decoder + decoded + "' '" + Out(input.rows[2].name) + "'").c_str()));
    EXPECT_EQ(44 + 300 * 2352, fs::file_size(decoded));
  }
  // A file that cannot take the album's values is said in the log; the others get them.
  RipInput damaged = DriveDisc({{tracks[0].audio}, {tracks[1].audio}, {tracks[2].audio}}, OutputFormat::FLAC);
  FHost.onPump = [&] {
    if (FHost.captions.back() == "Album ReplayGain: " + damaged.rows[1].name)
      testdata::WriteTextFile(Out(damaged.rows[1].name), "no longer FLAC");
  };
  Rip(damaged);
  FHost.onPump = nullptr;
  EXPECT_EQ("Finished!", FHost.captions.back());
  const std::string damagedLog = testdata::ReadTextFile(FHost.discs.back().second);
  EXPECT_NE(std::string::npos, damagedLog.find("  Album ReplayGain: not written into the file (it keeps the track's): " +
                                               Out(damaged.rows[1].name) + ": "))
      << damagedLog;
  EXPECT_EQ(1u, ReplayGainTags(Out(damaged.rows[2].name)).count("REPLAYGAIN_ALBUM_GAIN"));
  RipInput part = Disc(tracks, OutputFormat::FLAC);
  part.rows[1].checked = false;
  Rip(part);
  std::map<std::string, std::string> tags = ReplayGainTags(Out(part.rows[0].name));
  EXPECT_EQ((std::vector<std::string>{"REPLAYGAIN_TRACK_GAIN", "REPLAYGAIN_TRACK_PEAK"}),
            (std::vector<std::string>{tags.begin()->first, std::next(tags.begin())->first}));
  EXPECT_EQ(2u, tags.size());
  // A WAV rip has no tags; its log has each track's values and the album's.
  Rip(DriveDisc({{Sine(BlockFrames(300), 0.25)}, {Sine(BlockFrames(300), 0.5)}}, OutputFormat::WAV));
  ASSERT_EQ(2u, FHost.discs.size());
  const std::string log = testdata::ReadTextFile(FHost.discs.back().second);
  for (const std::string& line : std::vector<std::string>{"\n  ReplayGain: -", " dB, peak " + quietPeak + "\n",
                                                          "\nAlbum ReplayGain: -", " dB, peak " + loudPeak + "\n"})
    EXPECT_NE(std::string::npos, log.find(line)) << line << log;
}

// The play list names what the rip finished, relative to its folder, the album's; an image has no door to open.
TEST_F(RipJobTest, APlayListOfTheFinishedFilesStandsBesideTheLogAndEjectingAnImageDoesNothing) {
  RipInput input = SheetDisc(kSheetWithCodes, OutputFormat::WAV);
  input.values.eject = true;
  input.rows[0].tags.title = "Erste";
  input.rows[0].tags.artist = "Die \xC3\x84rzte";
  input.rows[0].tags.album = "Live";
  input.rows[0].name = "Live/01 Erste.wav";
  input.rows[1].checked = false;
  input.rows[2].tags.title = "Dritte";
  input.rows[2].name = "Live/03.wav";
  Rip(input);
  EXPECT_TRUE(FHost.errors.empty());
  EXPECT_EQ("Finished!", FHost.captions.back());
  EXPECT_EQ("#EXTM3U\n#EXTINF:1,Die \xC3\x84rzte - Erste\n01 Erste.wav\n#EXTINF:1,Dritte\n03.wav\n",
            testdata::ReadTextFile(Out("Live/Live.m3u8")));
  EXPECT_EQ(3u, FDrives.ReadTableOfContents(OutputFormat::WAV).rows.size());  // the image reads on
}

}  // namespace

// A rip to two formats reads the disc once and writes into each format's folder what a rip to that format
// alone writes, with a cue sheet and a play list of its files; one log names every file.
TEST_F(RipJobTest, ARipToTwoFormatsReadsTheDiscOnceAndWritesWhatEachFormatAloneWould) {
  const std::vector<testdata::DriveTrack> disc = {{Pattern(BlockFrames(100), 1)}, {Pattern(BlockFrames(60), 2)}};
  std::map<std::string, std::vector<std::uint8_t>> alone;  // by the file's path in the two-format rip
  std::int64_t requestedAlone = 0;
  for (OutputFormat format : {OutputFormat::FLAC, OutputFormat::MP3}) {
    RipInput input = DriveDisc(disc, format);
    input.values.readMode = RipReadMode::Burst;
    FFaults->requested = 0;
    Rip(input);
    requestedAlone = FFaults->requested;
    for (const RipRow& row : input.rows) alone[FormatFolderName(format) + "/" + row.name] = ReadAll(Out(row.name));
  }
  RipInput both = DriveDisc(disc, OutputFormat::FLAC);
  both.values.readMode = RipReadMode::Burst;
  both.moreFormats = {OutputFormat::MP3};
  FFaults->requested = 0;
  Rip(both);
  EXPECT_TRUE(FHost.errors.empty());
  EXPECT_EQ(requestedAlone, FFaults->requested);
  const std::string log = testdata::ReadTextFile(FHost.discs.back().second);
  const std::string sheet = fs::path(FHost.discs.back().second).stem().string();
  for (const auto& [name, bytes] : alone) {
    EXPECT_TRUE(bytes == ReadAll(Out(name))) << name;
    EXPECT_NE(std::string::npos, log.find("  File: " + Out(name) + "\n")) << name;
    EXPECT_TRUE(fs::exists(fs::path(Out(name)).parent_path() / (sheet + ".cue"))) << name;
    EXPECT_TRUE(fs::exists(fs::path(Out(name)).parent_path() / (sheet + ".m3u8"))) << name;
  }
}
