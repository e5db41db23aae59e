#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <thread>

#include "batch/Batch.h"
#include "cd/AccurateRip.h"
#include "cd/CdDrives.h"
#include "tests/data/HttpTestServer.h"
#include "tests/data/TestDiscs.h"
#include "tests/data/TestProcess.h"

namespace fs = std::filesystem;

namespace {

struct TestDisc {
  std::vector<discimage::ImageTrack> tracks;
  std::string album;  // its CD-Text title; empty for the data disc
  bool data = false;
};

// Disc k: three tracks of its own audio, named by CD-Text; the duplicate repeats disc 0.
TestDisc MakeDisc(int k) {
  TestDisc disc;
  const int seed = k == 8 ? 0 : k;
  for (int t = 0; t < 3; ++t)
    disc.tracks.push_back({{}, testdata::Pattern(testdata::BlockFrames(150 + 10 * seed + t), 10 * seed + t + 1)});
  disc.album = "Album " + std::to_string(seed);
  disc.data = k == 6;
  return disc;
}

// Writes disc k as FOLDER/NAME.cue with NAME.bin, as the load command puts it in the drive.
void WriteDisc(const TestDisc& disc, const std::string& folder, const std::string& name) {
  fs::create_directories(folder);
  std::string sheet = discimage::WriteImage(folder, name, disc.tracks, {});
  if (disc.data) {
    std::string text = testdata::ReadTextFile(sheet);
    for (std::size_t at; (at = text.find("AUDIO")) != std::string::npos;) text.replace(at, 5, "MODE1/2352");
    testdata::WriteTextFile(sheet, text);
    return;
  }
  testdata::AddCdText(sheet, "TITLE \"" + disc.album + "\"\nPERFORMER \"Band\"\n",
                      {"    TITLE \"One\"\n", "    TITLE \"Two\"\n", "    TITLE \"Three\"\n"});
}

AccurateRipIds IdsOf(const std::string& sheet) {
  SetPhysicalDrivesEnabled(false);
  SetCDImageFiles({sheet});
  CdDrives drives;
  drives.ReadDriveList();
  drives.ReadTableOfContents(OutputFormat::WAV);
  return AccurateRipIdsOf(drives.Toc());
}

// The audio of a FLAC file, decoded apart from the program.
std::vector<std::uint8_t> FlacAudio(const std::string& path) {
  testdata::RunCommand("flac -s -d -f --force-raw-format --endian=little --sign=signed -o '" + path + ".raw' '" +
                       path + "'");
  std::ifstream raw(path + ".raw", std::ios::binary);
  std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(raw)), std::istreambuf_iterator<char>());
  fs::remove(path + ".raw");
  return bytes;
}

pid_t StartBatch(const std::string& arguments) {
  pid_t child = fork();
  if (child == 0) {
    execl("/bin/sh", "sh", "-c", ("exec " + std::string(QUILLON_CLI) + " " + arguments + " 2>/dev/null").c_str(),
          static_cast<char*>(nullptr));
    _exit(127);
  }
  return child;
}

std::map<std::string, ino_t> FilesOutsideWork(const fs::path& out) {
  std::map<std::string, ino_t> files;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(out)) {
    const std::string path = entry.path().string();
    if (!entry.is_regular_file() || path.find("/.quillon-batch") != std::string::npos) continue;
    if (path.find(".report.") != std::string::npos) continue;
    struct stat status {};
    stat(path.c_str(), &status);
    files[path] = status.st_ino;
  }
  return files;
}

// Three image drives fed nine discs by a load command: the good discs are ripped bit-exact, tagged, with log
// and cue; a data disc, one the served AccurateRip database contradicts and a duplicate are rejected, each for
// its reason. Killed during the fourth disc and started again, the batch rips again only the discs it had not
// finished, and nothing half-written is left under a final name.
TEST(BatchCommandTest, ThreeDrivesRipNineDiscsAndSurviveAKill) {
  testdata::TempFolder folder;
  const std::string out = folder.File("out");
  std::vector<TestDisc> discs;
  for (int k = 0; k < 9; ++k) discs.push_back(MakeDisc(k));
  // Drive d gets discs d, d + 3 and d + 6 in turn: the duplicate of disc 0 comes after it on the same drive.
  for (int k = 0; k < 9; ++k)
    WriteDisc(discs[k], folder.File("feed/drive" + std::to_string(k % 3) + "/" + std::to_string(k / 3)),
              "drive" + std::to_string(k % 3));
  const AccurateRipIds contradicted = IdsOf(folder.File("feed/drive1/2/drive1.cue"));
  char contradictedName[16];
  std::snprintf(contradictedName, sizeof contradictedName, "%08x", contradicted.id1);
  const std::string dbar = testdata::DbarFile(contradicted.id1, contradicted.id2, contradicted.cddb,
                                              {{{9, 0x12345678, 0}, {9, 0x23456789, 0}, {9, 0x3456789a, 0}}});
  testdata::HttpTestServer accurateRip([&](const std::string& target) {
    if (target.find(contradictedName) != std::string::npos) return testdata::HttpTestReply{200, dbar};
    return testdata::HttpTestReply{404, ""};
  });
  testdata::WriteTextFile(folder.File("load.sh"),
                          "#!/bin/sh\n"
                          "drive=$(dirname \"$1\"); name=$(basename \"$1\" .cue)\n"
                          "next=$(ls \"" + folder.File("feed") + "/$name\" 2>/dev/null | sort -n | head -1)\n"
                          "[ -n \"$next\" ] || exit 1\n"
                          "rm -f \"$drive/$name\".*\n"
                          "mv \"" + folder.File("feed") + "/$name/$next\"/* \"$drive\"/ && rmdir \"" +
                              folder.File("feed") + "/$name/$next\"\n");
  fs::permissions(folder.File("load.sh"), fs::perms::owner_all);
  std::string settings = "[MP3 Options]\ndwSampleRate=44100Hz\nwBitrate=128kb/s\n[AccurateRip]\nserver=" +
                         accurateRip.Url() + "\n[CTDB]\nserver=\n[Cover Art]\nserver=\n[Rip]\nencoder threads=2\n"
                         "name template=%a/%A/%n %t\n[CD Images]\n";
  fs::create_directories(folder.File("drives"));
  for (const char* drive : {"drive0", "drive1", "drive2"})
    settings += std::string(drive) + "=" + folder.File("drives/") + drive + ".cue\n";
  settings += "[Batch]\nload command=" + folder.File("load.sh") + "\n";
  testdata::WriteTextFile(folder.File("settings.ini"), settings);
  const std::string arguments = "batch --drives all --format flac --out '" + out + "' --settings '" +
                                folder.File("settings.ini") + "' --batch shelf";

  // Each drive reads at 2x, so that the kill finds discs in the middle of their rips.
  setenv("QUILLON_IMAGE_READ_SPEED", "2", 1);
  pid_t first = StartBatch(arguments);
  std::vector<QueuedDisc> atKill;
  for (auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
       std::chrono::steady_clock::now() < until; std::this_thread::sleep_for(std::chrono::milliseconds(50))) {
    if (!fs::exists(BatchQueuePath(out))) continue;
    atKill = BatchQueue(BatchQueuePath(out)).All();
    auto finished = std::count_if(atKill.begin(), atKill.end(), [](const QueuedDisc& disc) { return Finished(disc.state); });
    if (finished >= 3 && atKill.size() >= 4 && !Finished(atKill[3].state) && atKill[3].state == DiscState::Ripping) break;
  }
  kill(first, SIGKILL);
  waitpid(first, nullptr, 0);
  atKill = BatchQueue(BatchQueuePath(out)).All();
  ASSERT_GE(atKill.size(), 4u);
  ASSERT_EQ(DiscState::Ripping, atKill[3].state);
  // Only finished discs have files under their final names; what they are stays untouched by the second run.
  const std::map<std::string, ino_t> before = FilesOutsideWork(out);
  std::set<std::string> finishedFolders;
  for (const QueuedDisc& disc : atKill)
    if (disc.state == DiscState::Done) finishedFolders.insert(disc.folder);
  for (const auto& [path, inode] : before)
    EXPECT_EQ(1u, finishedFolders.count(fs::path(path).parent_path().string())) << path;

  unsetenv("QUILLON_IMAGE_READ_SPEED");
  testdata::ProcessResult again = testdata::RunCommand(std::string(QUILLON_CLI) + " " + arguments);
  EXPECT_EQ(0, again.status) << again.out;
  const std::vector<QueuedDisc> queue = BatchQueue(BatchQueuePath(out)).All();
  ASSERT_EQ(9u, queue.size());
  for (std::size_t k = 0; k < atKill.size(); ++k) {
    EXPECT_EQ(atKill[k].drive, queue[k].drive);
    if (Finished(atKill[k].state)) {
      EXPECT_EQ(atKill[k].ended, queue[k].ended) << "disc " << k << " ripped again";
    }
  }
  for (const auto& [path, inode] : before) {
    struct stat status {};
    EXPECT_EQ(0, stat(path.c_str(), &status)) << path;
    EXPECT_EQ(inode, status.st_ino) << path << " written again";
  }
  EXPECT_FALSE(fs::exists(out + "/.quillon-batch-work"));

  std::map<std::string, std::string> rejected;
  int done = 0;
  for (const QueuedDisc& disc : queue) {
    if (disc.state == DiscState::Rejected) rejected[disc.album.empty() ? "data" : disc.album] = disc.reason;
    if (disc.state != DiscState::Done) continue;
    ++done;
    const int k = std::stoi(disc.album.substr(6));
    EXPECT_EQ(out + "/Band/" + disc.album, disc.folder);
    for (int t = 0; t < 3; ++t) {
      const std::string path = disc.folder + "/0" + std::to_string(t + 1) + " " +
                               std::vector<std::string>{"One", "Two", "Three"}[t] + ".flac";
      EXPECT_EQ(testdata::ExpectedTrackBytes(discs[k].tracks, t), FlacAudio(path)) << path;
      EXPECT_EQ("ALBUM=" + disc.album + "\n", testdata::RunCommand("metaflac --show-tag=ALBUM '" + path + "'").out);
    }
    EXPECT_TRUE(fs::exists(disc.folder + "/" + disc.album + ".log")) << disc.folder;
    EXPECT_TRUE(fs::exists(disc.folder + "/" + disc.album + ".cue")) << disc.folder;
  }
  EXPECT_EQ(6, done);
  EXPECT_EQ((std::map<std::string, std::string>{{"data", "data disc"}, {"Album 7", "not accurate"}, {"Album 0", "duplicate"}}),
            rejected);

  nlohmann::json report = nlohmann::json::parse(testdata::ReadTextFile(out + "/shelf.report.json"));
  ASSERT_EQ(9u, report["discs"].size());
  ASSERT_EQ(3u, report["drives"].size());
  for (const nlohmann::json& drive : report["drives"]) EXPECT_EQ(3, drive["discs"]);
  for (std::size_t k = 0; k < queue.size(); ++k) {
    EXPECT_EQ(StateName(queue[k].state), report["discs"][k]["state"]);
    EXPECT_EQ(queue[k].reason, report["discs"][k]["reason"]);
    EXPECT_EQ(queue[k].cddbId, report["discs"][k]["cddbId"]);
    if (queue[k].state == DiscState::Done) {
      EXPECT_EQ(3u, report["discs"][k]["tracks"].size());
    }
  }
  const std::string csv = testdata::ReadTextFile(out + "/shelf.report.csv");
  EXPECT_EQ(1 + 9 + 3, std::count(csv.begin(), csv.end(), '\n'));
  for (const auto& entry : fs::recursive_directory_iterator(out))
    EXPECT_EQ(std::string::npos, entry.path().filename().string().find(".convert")) << entry.path();
}

}  // namespace
