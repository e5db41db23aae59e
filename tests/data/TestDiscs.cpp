#include "tests/data/TestDiscs.h"

#include <signal.h>
#include <sys/resource.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>

namespace testdata {

std::vector<std::int16_t> Pattern(std::size_t frames, int seed) {
  std::mt19937 generator(static_cast<unsigned>(seed));
  std::uniform_int_distribution<int> sample(-32768, 32767);
  std::vector<std::int16_t> samples(frames * 2);
  for (auto& value : samples) value = static_cast<std::int16_t>(sample(generator));
  return samples;
}

std::size_t BlockFrames(std::size_t blocks) { return blocks * 588; }

std::int32_t FloorDivide(std::int32_t value, std::int32_t by) {
  return value >= 0 ? value / by : -((-value + by - 1) / by);
}

TempFolder::TempFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "quillon-test-XXXXXX").string();
  FPath = mkdtemp(pattern.data());
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(FPath, ignored);
}

namespace {
void AppendLittleEndian(std::vector<std::uint8_t>& bytes, const std::vector<std::int16_t>& samples) {
  for (std::int16_t sample : samples) {
    auto value = static_cast<std::uint16_t>(sample);
    bytes.push_back(static_cast<std::uint8_t>(value));
    bytes.push_back(static_cast<std::uint8_t>(value >> 8));
  }
}
}  // namespace

std::vector<std::uint8_t> ExpectedTrackBytes(const std::vector<discimage::ImageTrack>& tracks, std::size_t index) {
  std::vector<std::uint8_t> bytes;
  AppendLittleEndian(bytes, tracks[index].audio);
  bytes.resize((bytes.size() + 2351) / 2352 * 2352, 0);
  if (index + 1 < tracks.size()) AppendLittleEndian(bytes, tracks[index + 1].pregap);
  return bytes;
}

void WriteTextFile(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::trunc);
  out << text;
}

void AddCdText(const std::string& sheet, const std::string& disc, const std::vector<std::string>& tracks) {
  std::istringstream in(ReadTextFile(sheet));
  std::string text = disc;
  std::size_t track = 0;
  for (std::string line; std::getline(in, line);) {
    text += line + "\n";
    if (line.find("TRACK ") != std::string::npos && track < tracks.size()) text += tracks[track++];
  }
  WriteTextFile(sheet, text);
}

void AddSampleCdText(const std::string& sheet) {
  AddCdText(sheet, "TITLE \"Songs\"\nPERFORMER \"Blue\"\n",
            {"    TITLE \"Intro\"\n", "    TITLE Duet for Two\n    PERFORMER \"Red\"\n    SONGWRITER \"Green\"\n",
             "    TITLE \"Outro\"\n"});
}

std::string DbarFile(std::uint32_t id1, std::uint32_t id2, std::uint32_t cddb,
                     const std::vector<std::vector<DbarEntry>>& pressings) {
  std::string bytes;
  auto put = [&](std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes += static_cast<char>(value >> (8 * i));
  };
  for (const std::vector<DbarEntry>& pressing : pressings) {
    bytes += static_cast<char>(pressing.size());
    put(id1);
    put(id2);
    put(cddb);
    for (const DbarEntry& track : pressing) {
      bytes += static_cast<char>(track.confidence);
      put(track.checksum);
      put(track.checksum450);
    }
  }
  return bytes;
}

std::string DriveOffsetsFile(const std::vector<DriveListEntry>& drives) {
  std::string bytes;
  for (const DriveListEntry& drive : drives) {
    bytes += {static_cast<char>(drive.offset), static_cast<char>(drive.offset >> 8)};
    bytes += drive.name + std::string(32 - drive.name.size(), '\0');
    bytes += {static_cast<char>(drive.submissions), static_cast<char>(drive.submissions >> 8)};
    bytes += std::string(33, '\0');
  }
  return bytes;
}

std::string CtdbReply(const std::vector<CtdbTestEntry>& entries) {
  std::string xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<ctdb xmlns=\"http://db.cuetools.net/ns/mmd-1.0#\" "
                    "xmlns:ext=\"http://db.cuetools.net/ns/ext-1.0#\">\n";
  char text[160];
  int id = 1000;
  for (const CtdbTestEntry& entry : entries) {
    ++id;
    std::snprintf(text, sizeof text, "  <entry confidence=\"%d\" crc32=\"%08x\" id=\"%d\" npar=\"8\" stride=\"5880\" "
                  "hasparity=\"/parity/%d\" toc=\"", entry.confidence, entry.crc, id, id);
    xml += text;
    xml += entry.toc;
    xml += '"';
    if (!entry.trackCrcs.empty()) {
      xml += " trackcrcs=\"";
      for (std::size_t k = 0; k < entry.trackCrcs.size(); ++k) {
        std::snprintf(text, sizeof text, k == 0 ? "%08x" : " %08x", entry.trackCrcs[k]);
        xml += text;
      }
      xml += '"';
    }
    xml += " />\n";
  }
  return xml + "</ctdb>\n";
}

std::string ReadTextFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

FullDisk::FullDisk(std::uint64_t bytes) {
  signal(SIGXFSZ, SIG_IGN);  // the write fails with EFBIG instead of ending the process
  rlimit limit{};
  getrlimit(RLIMIT_FSIZE, &limit);
  FOldLimit = limit.rlim_cur;
  limit.rlim_cur = bytes;
  setrlimit(RLIMIT_FSIZE, &limit);
}

FullDisk::~FullDisk() {
  rlimit limit{};
  getrlimit(RLIMIT_FSIZE, &limit);
  limit.rlim_cur = FOldLimit;
  setrlimit(RLIMIT_FSIZE, &limit);
}

HCDROM OpenImageDrive(const std::string& sheet, std::string* reason) {
  SetPhysicalDrivesEnabled(false);
  SetCDImageFiles({sheet});
  return OpenOnlyListedDrive(reason);
}

HCDROM OpenOnlyListedDrive(std::string* reason) {
  CDLIST list;
  GetCDList(&list);
  if (list.num == 0) return 0;
  GETCDHAND request;
  request.ha = list.cd[0].ha;
  request.tgt = list.cd[0].tgt;
  HCDROM handle = GetCDHandle(&request);
  if (reason != nullptr) *reason = CDDriveOpenError(list.cd[0]);
  return handle;
}

}  // namespace testdata
