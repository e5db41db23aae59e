// Writes the seed inputs of every harness into FOLDER/HARNESS/, made with the tests' own generators.
// A new harness adds its writer to the table at the end.

#include <cstdio>
#include <functional>
#include <map>

#include "acs/ACS_FLAC.h"
#include "acs/ACS_Vorbis.h"
#include "acs/ACS_Wave.h"
#include "tests/acs/TestStreams.h"
#include "tests/data/CddbTestServer.h"
#include "tests/data/TestDiscs.h"
#include "tests/fuzz/FuzzFiles.h"
#include "tests/id3/TagFiles.h"

namespace fs = std::filesystem;

namespace {

using Seeds = std::map<std::string, std::string>;  // file name and bytes

std::string Text(const std::vector<std::uint8_t>& bytes) { return {bytes.begin(), bytes.end()}; }

std::string WaveFile(int channels, int bits, int rate, int frames) {
  std::vector<std::uint8_t> pcm = teststreams::Music(frames, channels, bits);
  TWaveHeader header = MakeWaveHeader(channels, bits, static_cast<std::int32_t>(pcm.size()), rate);
  return std::string(header.begin(), header.end()) + Text(pcm);
}

std::vector<discimage::ImageTrack> SmallTracks(int count) {
  std::vector<discimage::ImageTrack> tracks;
  for (int i = 0; i < count; ++i)
    tracks.push_back({i == 0 ? std::vector<std::int16_t>{} : testdata::Pattern(testdata::BlockFrames(1), 9),
                      testdata::Pattern(testdata::BlockFrames(2) - (i == count - 1 ? 100 : 0), i)});
  return tracks;
}

// The sheet, then every file beside it.
std::string ImageBundle(discimage::ImageLayout layout) {
  testdata::TempFolder folder;
  std::string sheet = discimage::WriteImage(folder.Path(), "disc", SmallTracks(3), layout);
  std::vector<fuzzfiles::BundledFile> files = {{"", fuzzfiles::ReadFile(sheet)}};
  for (const auto& entry : fs::directory_iterator(folder.Path()))
    if (entry.path() != sheet) files.push_back({entry.path().filename(), fuzzfiles::ReadFile(entry.path())});
  return fuzzfiles::Bundle(files);
}

Seeds CueSeeds() {
  using discimage::FileType;
  return {{"binary", ImageBundle({FileType::Binary, false})},
          {"motorola", ImageBundle({FileType::Motorola, true})},
          {"wave", ImageBundle({FileType::Wave, true})}};
}

Seeds WaveSeeds() {
  std::string chunked = WaveFile(2, 16, 44100, 600);
  chunked.insert(36, std::string("LIST\x06\0\0\0INFOab", 14));
  return {{"cd", WaveFile(2, 16, 44100, 600)}, {"mono8", WaveFile(1, 8, 11025, 300)}, {"chunked", chunked}};
}

// A file the sink writes from generated music.
template <typename Sink>
std::string EncodedFile(int channels, int bits, int frames) {
  testdata::TempFolder folder;
  teststreams::MemorySource source(teststreams::Music(frames, channels, bits), channels, bits);
  Sink sink;
  sink.SetInput(&source);
  sink.SetFileName(folder.File("seed"));
  teststreams::RunToEnd(sink);
  return fuzzfiles::ReadFile(folder.File("seed"));
}

Seeds VorbisSeeds() {
  return {{"stereo", EncodedFile<TVorbisOut>(2, 16, 3000)}, {"mono", EncodedFile<TVorbisOut>(1, 16, 2000)}};
}

Seeds FlacSeeds() {
  return {{"stereo", EncodedFile<TFLACOut>(2, 16, 9000)}, {"mono8", EncodedFile<TFLACOut>(1, 8, 5000)}};
}

Seeds Id3Seeds() {
  using tagfiles::TextFrame;
  std::string frames = TextFrame("TIT2", "Title") + TextFrame("TPE1", "Artist") + TextFrame("TRCK", "3/12") +
                       TextFrame("TCON", "(17)Rock") + tagfiles::Frame("COMM", std::string("\0eng\0Nice", 9));
  return {{"v3", tagfiles::Tag(3, frames) + tagfiles::Audio(300)},
          {"v3padded", tagfiles::Tag(3, frames + std::string(64, '\0')) + tagfiles::Audio(300)},
          {"v4", tagfiles::Tag(4, frames) + tagfiles::Audio(300)},
          {"untagged", tagfiles::Audio(300)}};
}

std::string Lines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

Seeds CddbSeeds() {
  std::vector<std::string> entry = testdata::XmcdLines("06000003", "Artist / Title", {"One", "Two", "Three"});
  return {{"entry", "210 rock 06000003 CD database entry follows\r\n" + Lines(entry) + ".\r\n"},
          {"sites", "210 OK\r\ngnudb.gnudb.org http 80 /~cddb/cddb.cgi N000.00 W000.00 Somewhere\r\n.\r\n"},
          {"match", "200 rock 06000003 Artist / Title\r\n"},
          {"none", "202 No match for disc ID 06000003.\r\n"}};
}

Seeds SettingsSeeds() {
  return {{"default", fuzzfiles::ReadFile(QUILLON_DEFAULT_SETTINGS)},
          {"images", "[CD Images]\ndemo=demo/QuillonDemo.cue\n[CDDB]\nserver=localhost:8880\nemail=me@example.org\n"}};
}

Seeds DbarSeeds() {
  return {{"two pressings", testdata::DbarFile(0x3633, 0xd7a1, 0x17004704, {{{3, 0x12345678, 0x9abcdef0}, {0, 0, 0}},
                                                                            {{7, 0x0badcafe, 0}, {2, 1, 2}}})}};
}

Seeds CtdbSeeds() {
  const std::string toc = "0:460:493:954";
  return {{"entries", testdata::CtdbReply({{0x1a2b3c4d, 3, toc, {0x11111111, 0x22222222, 0x33333333}},
                                           {0x0badcafe, 5, toc, {}},
                                           {0x12345678, 2, "-0:460:493:954", {0x44444444, 0x55555555}}})}};
}

Seeds DriveListSeeds() {
  return {{"drives", testdata::DriveOffsetsFile({{6, "HL-DT-ST - DVDRAM GH24NSD1", 812},
                                                 {-472, "PLEXTOR - DVDR   PX-760A", 95},
                                                 {48, "QUILLON - TESTDRIVE", 7}})}};
}

Seeds MusicBrainzSeeds() {
  Seeds seeds;
  for (const char* name : {"one_release", "several_releases", "multi_disc", "toc_lookup"})
    seeds[name] = fuzzfiles::ReadFile(std::string(MUSICBRAINZ_REPLIES) + "/" + name + ".json");
  return seeds;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: fuzz_seeds FOLDER\n");
    return 2;
  }
  BindVorbisLibraries();
  const std::map<std::string, std::function<Seeds()>> writers = {
      {"cue", CueSeeds},   {"wave", WaveSeeds}, {"vorbis", VorbisSeeds}, {"flac", FlacSeeds},
      {"id3", Id3Seeds},   {"cddb", CddbSeeds}, {"settings", SettingsSeeds},
      {"dbar", DbarSeeds}, {"ctdb", CtdbSeeds}, {"drivelist", DriveListSeeds},
      {"musicbrainz", MusicBrainzSeeds}};
  for (const auto& [harness, seeds] : writers) {
    fs::path folder = fs::path(argv[1]) / harness;
    fs::create_directories(folder);
    for (const auto& [name, bytes] : seeds()) fuzzfiles::WriteFile(folder / name, bytes);
  }
  return 0;
}
