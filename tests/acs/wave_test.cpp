#include "acs/ACS_Wave.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/acs/TestStreams.h"
#include "tests/data/TestDiscs.h"

using teststreams::Bytes;
using teststreams::MemorySource;
using teststreams::WaitFor;

namespace {

std::vector<std::uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteAll(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A WAV file of the given PCM, with extra bytes after the data chunk.
std::string WaveFile(const testdata::TempFolder& folder, const std::vector<std::uint8_t>& pcm,
                     const std::vector<std::uint8_t>& trailer = {}) {
  TWaveHeader header = MakeWaveHeader(2, 16, static_cast<std::int32_t>(pcm.size()), 44100);
  std::vector<std::uint8_t> file(header.begin(), header.end());
  file.insert(file.end(), pcm.begin(), pcm.end());
  file.insert(file.end(), trailer.begin(), trailer.end());
  std::string path = folder.File("in.wav");
  WriteAll(path, file);
  return path;
}

std::vector<std::uint8_t> Drain(TACSInput& source, std::size_t limit = 100000000) {
  std::vector<std::uint8_t> all;
  std::uint8_t buffer[10000];
  while (all.size() < limit) {
    int got = source.GetData(buffer, sizeof buffer);
    if (got == 0) break;
    all.insert(all.end(), buffer, buffer + got);
  }
  return all;
}

int OpenFiles() {
  return static_cast<int>(std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                                        std::filesystem::directory_iterator()));
}

// Writes the source through a TWaveOut and waits for the end of the run.
std::string WriteThrough(TACSInput& source, const std::string& path) {
  TWaveOut sink;
  sink.SetInput(&source);
  sink.SetFileName(path);
  std::atomic<bool> done{false};
  sink.SetOnDone([&](TACSOutput*) { done = true; });
  sink.Run();
  EXPECT_TRUE(WaitFor([&] { return done.load(); }));
  return sink.RunError();
}

TEST(WaveTest, HeaderIsTheCanonicalFortyFourBytes) {
  TWaveHeader header = MakeWaveHeader(2, 16, 1000, 44100);
  const std::uint8_t expected[44] = {'R', 'I', 'F', 'F', 0x0C, 0x04, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ',
                                     16,  0,   0,   0,   1,    0,    2, 0, 0x44, 0xAC, 0, 0, 0x10, 0xB1, 2, 0,
                                     4,   0,   16,  0,   'd',  'a',  't', 'a', 0xE8, 0x03, 0, 0};
  EXPECT_TRUE(std::equal(header.begin(), header.end(), expected));
  TWaveHeader unknown = MakeWaveHeader(1, 8, -1, 11025);
  EXPECT_EQ(35, unknown[4]);
  EXPECT_EQ(0xFF, unknown[43]);
  EXPECT_EQ(1, unknown[32]);  // block align
}

TEST(WaveTest, SinkWritesHeaderAndDataAndCorrectsUnknownSizes) {
  testdata::TempFolder folder;
  std::vector<std::uint8_t> pcm = Bytes(100000);
  MemorySource known(pcm);
  ASSERT_EQ("", WriteThrough(known, folder.File("known.wav")));
  std::vector<std::uint8_t> file = ReadAll(folder.File("known.wav"));
  TWaveHeader header = MakeWaveHeader(2, 16, 100000, 44100);
  ASSERT_EQ(100044u, file.size());
  EXPECT_TRUE(std::equal(header.begin(), header.end(), file.begin()));
  EXPECT_TRUE(std::equal(pcm.begin(), pcm.end(), file.begin() + 44));

  MemorySource live(pcm, 1, 8, 8000);
  live.HideSize();
  ASSERT_EQ("", WriteThrough(live, folder.File("live.wav")));
  file = ReadAll(folder.File("live.wav"));
  header = MakeWaveHeader(1, 8, 100000, 8000);
  EXPECT_TRUE(std::equal(header.begin(), header.end(), file.begin()));
}

TEST(WaveTest, AFailedWriteKeepsTheOldFileAndSaysWhy) {
  testdata::TempFolder folder;
  std::string path = folder.File("out.wav");
  WriteAll(path, {'o', 'l', 'd'});
  MemorySource source(Bytes(2000000));
  signal(SIGXFSZ, SIG_IGN);
  rlimit old{};
  getrlimit(RLIMIT_FSIZE, &old);
  rlimit small = old;
  small.rlim_cur = 500000;
  setrlimit(RLIMIT_FSIZE, &small);
  std::string error = WriteThrough(source, path);
  setrlimit(RLIMIT_FSIZE, &old);
  EXPECT_EQ("Stream write error", error);
  EXPECT_EQ((std::vector<std::uint8_t>{'o', 'l', 'd'}), ReadAll(path));
  EXPECT_FALSE(std::filesystem::exists(path + ".partial"));
  EXPECT_FALSE(source.Busy());
}

TEST(WaveTest, ReadErrorsAreErrorsAndARecordingKeepsWhatItWroteBeforeTheDiskFilled) {
  TFileStream unreadable("/proc/self/mem", TFileStream::Mode::Read);  // reading at 0 fails with EIO
  std::uint8_t byte;
  EXPECT_THROW(unreadable.Read(&byte, 1), EStreamError);
  testdata::TempFolder folder;
  std::string path = folder.File("out.wav");
  WriteAll(path, {'o', 'l', 'd'});
  MemorySource broken(Bytes(200000));
  broken.failAt = 100000;
  EXPECT_EQ("Stream read error", WriteThrough(broken, path));
  EXPECT_EQ((std::vector<std::uint8_t>{'o', 'l', 'd'}), ReadAll(path));

  MemorySource take(Bytes(2000000));
  TWaveOut recorder;
  recorder.SetInput(&take);
  recorder.SetFileName(path);
  recorder.SetKeepOnWriteError(true);
  std::atomic<bool> done{false};
  recorder.SetOnDone([&](TACSOutput*) { done = true; });
  {
    testdata::FullDisk disk(500000);
    recorder.Run();
    ASSERT_TRUE(WaitFor([&] { return done.load(); }));
  }
  EXPECT_EQ("Stream write error", recorder.RunError());
  EXPECT_TRUE(recorder.KeptAfterError());
  TWaveIn kept;
  kept.SetFileName(path);
  EXPECT_EQ(2, kept.Channels());
  EXPECT_EQ(std::int64_t(std::filesystem::file_size(path)) - 44, kept.Size());
  EXPECT_GT(kept.Size(), 400000);
}

TEST(WaveTest, SourceDeliversExactlyTheDataChunk) {
  testdata::TempFolder folder;
  std::vector<std::uint8_t> pcm = Bytes(70001);
  TWaveIn source;
  source.SetFileName(WaveFile(folder, pcm, {'L', 'I', 'S', 'T', 4, 0, 0, 0, 1, 2, 3, 4}));
  EXPECT_EQ(2, source.Channels());
  source.Init();
  EXPECT_EQ(70001, source.Size());
  EXPECT_TRUE(Drain(source) == pcm);
  std::uint8_t byte;
  EXPECT_EQ(0, source.GetData(&byte, 1));  // and stays at the end
  source.Flush();
}

// A RIFF file of chunks, each given as its id and content; odd sizes get their pad byte.
std::vector<std::uint8_t> Riff(const std::vector<std::pair<std::string, std::vector<std::uint8_t>>>& chunks) {
  std::vector<std::uint8_t> file = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
  for (const auto& [id, content] : chunks) {
    file.insert(file.end(), id.begin(), id.end());
    for (int shift = 0; shift < 32; shift += 8) file.push_back(static_cast<std::uint8_t>(content.size() >> shift));
    file.insert(file.end(), content.begin(), content.end());
    if (content.size() % 2 == 1) file.push_back(0);
  }
  return file;
}

TEST(WaveTest, ChunksAroundTheAudioArePassedOverAndOnlyPcmIsTaken) {
  testdata::TempFolder folder;
  std::vector<std::uint8_t> pcm = Bytes(40000);
  TWaveHeader canonical = MakeWaveHeader(2, 16, 40000, 44100);
  std::vector<std::uint8_t> fmt(canonical.begin() + 20, canonical.begin() + 36), fmt18 = fmt, extensible = fmt;
  fmt18.insert(fmt18.end(), {0, 0});
  extensible[0] = 0xFE, extensible[1] = 0xFF;
  extensible.insert(extensible.end(), {22, 0, 16, 0, 3, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0,
                                       0x38, 0x9B, 0x71});
  std::vector<std::uint8_t> floatExtensible = extensible, floats = fmt;
  floatExtensible[24] = 3;
  floats[0] = 3;
  std::vector<std::uint8_t> list = {'I', 'N', 'F', 'O', 'I', 'S', 'F', 'T', 5, 0, 0, 0, 'L', 'a', 'v', 'f', 0};
  const std::vector<std::pair<std::vector<std::uint8_t>, bool>> files = {
      {Riff({{"fmt ", fmt}, {"LIST", list}, {"data", pcm}}), true},
      {Riff({{"fmt ", fmt18}, {"data", pcm}}), true},
      {Riff({{"fact", {4, 0, 0, 0}}, {"fmt ", extensible}, {"data", pcm}}), true},
      {Riff({{"fmt ", floatExtensible}, {"data", pcm}}), false},
      {Riff({{"fmt ", floats}, {"data", pcm}}), false}};
  for (std::size_t k = 0; k < files.size(); ++k) {
    std::string path = folder.File("in" + std::to_string(k) + ".wav");
    WriteAll(path, files[k].first);
    TWaveIn source;
    source.SetFileName(path);
    EXPECT_EQ(files[k].second ? 2 : 0, source.Channels()) << k;
    EXPECT_EQ(files[k].second, source.Valid()) << k;
    source.Init();
    EXPECT_TRUE(Drain(source) == (files[k].second ? pcm : std::vector<std::uint8_t>())) << k;
    source.Flush();
  }
}

TEST(WaveTest, JumpMovesByPercentOfTheSizeAndClamps) {
  testdata::TempFolder folder;
  std::vector<std::uint8_t> pcm = Bytes(1000000);
  TWaveIn source;
  source.SetFileName(WaveFile(folder, pcm));
  source.Init();
  source.Jump(10);
  std::uint8_t buffer[4];
  ASSERT_EQ(4, source.GetData(buffer, 4));
  EXPECT_EQ(100004, source.Position());
  EXPECT_TRUE(std::equal(buffer, buffer + 4, pcm.begin() + 100000));  // file offset 100,044

  source.Flush();
  source.Init();
  source.Jump(-10);
  ASSERT_EQ(4, source.GetData(buffer, 4));
  EXPECT_TRUE(std::equal(buffer, buffer + 4, pcm.begin()));
  Drain(source, 40000);
  std::size_t buffered = 65536 - static_cast<std::size_t>(source.Position());
  source.Jump(200);
  EXPECT_EQ(buffered, Drain(source).size());  // what the buffer held, then nothing
  EXPECT_EQ(1000000, source.Position());
  source.Flush();
}

TEST(WaveTest, LoopStartsTheDataAgain) {
  testdata::TempFolder folder;
  std::vector<std::uint8_t> pcm = Bytes(50000);
  TWaveIn source;
  source.SetFileName(WaveFile(folder, pcm));
  source.SetLoop(true);
  source.Init();
  std::vector<std::uint8_t> twice = Drain(source, 110000);
  ASSERT_GE(twice.size(), 110000u);
  EXPECT_TRUE(std::equal(pcm.begin(), pcm.end(), twice.begin()));
  EXPECT_TRUE(std::equal(pcm.begin(), pcm.begin() + 50000, twice.begin() + 50000));
  EXPECT_LT(source.Position(), 50000);
  source.Flush();
}

TEST(WaveTest, FilesThatAreNotPcmWaveDeliverNothing) {
  testdata::TempFolder folder;
  TWaveHeader header = MakeWaveHeader(2, 16, 0, 44100);
  std::string headerOnly = folder.File("header.wav");
  WriteAll(headerOnly, {header.begin(), header.end()});
  std::string text = folder.File("text.wav");
  WriteAll(text, std::vector<std::uint8_t>(100, 'x'));
  std::vector<std::uint8_t> noChannels(header.begin(), header.end());
  noChannels[22] = 0;
  noChannels.resize(1000);
  std::string silent = folder.File("nochannels.wav");
  WriteAll(silent, noChannels);

  int files = OpenFiles();
  for (const std::string& path : {headerOnly, text}) {
    TWaveIn source;
    source.SetFileName(path);
    EXPECT_EQ(0, source.BitsPerSample()) << path;
    EXPECT_FALSE(source.Valid()) << path;
    source.Init();
    EXPECT_EQ(0u, Drain(source).size()) << path;
    source.Flush();
  }
  TWaveIn source;
  source.SetFileName(silent);
  EXPECT_EQ(0, source.GetTotalTime());
  EXPECT_TRUE(source.Valid());
  EXPECT_EQ(files, OpenFiles());  // nothing left open
}

TEST(WaveTest, MisuseGetsTheComponentsOwnWords) {
  testdata::TempFolder folder;
  TWaveIn source;
  std::uint8_t byte;
  EXPECT_THROW(source.GetData(&byte, 1), EACSException);
  try {
    source.Init();
    FAIL();
  } catch (const EACSException& error) {
    EXPECT_STREQ("The file name is not assigned", error.what());
  }
  source.SetFileName(folder.File("missing.wav"));
  try {
    source.Init();
    FAIL();
  } catch (const EStreamError& error) {
    EXPECT_EQ("Cannot open file " + folder.File("missing.wav"), error.what());
  }
  source.SetFileName(WaveFile(folder, Bytes(400)));
  source.Init();
  EXPECT_THROW(source.Init(), EACSException);
  source.Flush();

  TWaveOut sink;
  sink.SetInput(&source);
  try {
    sink.Run();
    FAIL();
  } catch (const EACSException& error) {
    EXPECT_STREQ("File name is not assigned.", error.what());
  }
  EXPECT_FALSE(source.Busy());
}

TEST(WaveTest, OpeningIsCountedSoQueriesDuringAReadDoNotReopen) {
  testdata::TempFolder folder;
  TWaveIn source;
  source.SetFileName(WaveFile(folder, Bytes(176400)));
  int files = OpenFiles();
  EXPECT_EQ(1, source.GetTotalTime());
  EXPECT_EQ(files, OpenFiles());
  source.Init();
  EXPECT_EQ(files + 1, OpenFiles());
  EXPECT_EQ(16, source.BitsPerSample());
  EXPECT_EQ(files + 1, OpenFiles());
  source.Flush();
  EXPECT_EQ(files, OpenFiles());
}

}  // namespace
