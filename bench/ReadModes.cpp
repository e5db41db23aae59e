// Rips a disc image in each read mode through the test drive that fails on purpose, as a clean, a lightly and
// a badly scratched disc, with a local AccurateRip server that knows the disc, and prints what each rip asked
// of the drive (sectors, seeks, failed sector reads), its wall time and the time a real drive would take.
// Every file is compared with the image: blocks a rip got wrong without reporting them count as wrong. Exits 1
// when a check fails: verify asking for more than 1.15x the sectors of a clean disc the database knows or 3.5x
// of one it does not, or a block wrong and not reported where the mode should have caught it.
// Usage: read_modes SHEET FOLDER   (SHEET: a BIN/CUE image with its BIN beside it under the same name;
// FOLDER: where each rip's WAV files stay until they are compared)

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "acs/ACS_Wave.h"
#include "cd/AccurateRip.h"
#include "cd/CdDrives.h"
#include "cd/TrackChecksums.h"
#include "platform/akrip32/PhysicalMedium.h"
#include "rip/RipJob.h"
#include "tests/data/HttpTestServer.h"
#include "tests/data/SimulatedDrive.h"
#include "tests/data/TestDiscs.h"

namespace {

namespace fs = std::filesystem;
using testdata::DriveFaults;

// A real drive at 52x reads 3,900 sectors a second; a seek costs it 0.08 s, and a sector it fails 0.5 s (it
// retries the sector itself before it gives up).
constexpr double kSectorsPerSecond = 3900;
constexpr double kSeekSeconds = 0.08;
constexpr double kFailureSeconds = 0.5;
constexpr int kConfidence = 5;

void Clean(std::int32_t, DriveFaults&) {}

// A few dozen sectors scattered over the disc: most fail once, a few always, some read differently each time
// without an error.
void LightScratches(std::int32_t sectors, DriveFaults& faults) {
  std::mt19937 random(1);
  std::uniform_int_distribution<std::int32_t> anywhere(0, sectors - 1);
  for (int i = 0; i < 20; ++i) faults.unreadable[anywhere(random)] = 1;
  for (int i = 0; i < 4; ++i) faults.unreadable[anywhere(random)] = -1;
  for (int i = 0; i < 12; ++i) faults.noisy.insert(anywhere(random));
}

// Six stretches of 300 sectors spread over the disc, about one sector in five of them damaged: failing one to
// three times or always, noisy, or making every read that holds it start off.
void DeepScratches(std::int32_t sectors, DriveFaults& faults) {
  constexpr int kStretches = 6;
  constexpr std::int32_t kLength = 300;
  std::mt19937 random(2);
  std::uniform_int_distribution<int> percent(0, 99);
  std::uniform_int_distribution<int> tries(1, 3);
  for (int s = 0; s < kStretches; ++s) {
    const std::int32_t first = sectors / kStretches * s + sectors / kStretches / 2;
    for (std::int32_t sector = first; sector < first + kLength; ++sector) {
      const int roll = percent(random);
      if (roll < 3) faults.unreadable[sector] = -1;
      else if (roll < 11) faults.unreadable[sector] = tries(random);
      else if (roll < 16) faults.noisy.insert(sector);
      else if (roll < 20) faults.jitter.insert(sector);
    }
  }
}

struct Disc {
  const char* name;
  void (*scratch)(std::int32_t sectors, DriveFaults& faults);
  bool known;  // to the database
  std::vector<RipReadMode> modes;
};

const std::vector<RipReadMode> kAllModes = {RipReadMode::Burst, RipReadMode::Secure, RipReadMode::Verify};
const std::vector<Disc> kDiscs = {{"clean", Clean, true, kAllModes},
                                  {"lightly scratched", LightScratches, true, kAllModes},
                                  {"badly scratched", DeepScratches, true, kAllModes},
                                  {"clean, unknown", Clean, false, {RipReadMode::Verify}}};

// What one rip cost and what it delivered.
struct Outcome {
  std::int64_t sectors = 0;
  std::int64_t seeks = 0;
  std::int64_t failed = 0;
  double wall = 0;
  std::size_t unreadable = 0;  // blocks reported as such
  std::size_t wrong = 0;       // blocks not as on the disc, and not reported
  std::size_t noisyWrong = 0;  // of those, blocks that read differently each time without an error
  int accurate = 0;            // tracks AccurateRip v2 confirms
  double ModelledMinutes() const {
    return (double(sectors) / kSectorsPerSecond + double(seeks) * kSeekSeconds + double(failed) * kFailureSeconds) / 60;
  }
};

// Shows nothing; keeps what ended the job.
class QuietHost : public RipHost {
 public:
  void SetCaption(const std::string&) override {}
  void SetButtonCaption(const std::string&) override {}
  void SetGauge(int) override {}
  void ProcessMessages() override {}
  void ShowError(const std::string& text) override { errors.push_back(text); }
  void ShowStandardError(const std::string& text) override { errors.push_back(text); }
  void CloseWindow() override {}
  void UncheckRow(std::size_t) override {}
  void ReportReadErrors(const std::string&) override {}
  void ReportTrack(const TrackResult&) override {}
  void ReportDisc(const DiscVerdicts&, const std::string&) override {}

  std::vector<std::string> errors;
};

std::vector<std::uint8_t> ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Lists the image as the only drive, failing as faults say, and opens it: a WAV rip of every track.
RipInput OpenDisc(const std::string& sheet, const std::shared_ptr<DriveFaults>& faults, CdDrives& drives) {
  CloseCDHandle(testdata::OpenSimulatedDrive(sheet, faults));
  drives.ReadDriveList();
  DiscReading reading = drives.ReadTableOfContents(OutputFormat::WAV);
  if (!reading.message.empty()) throw std::runtime_error(sheet + ": " + reading.message);
  RipInput input;
  input.format = OutputFormat::WAV;
  input.handle = drives.Handle();
  input.toc = drives.Toc();
  for (std::size_t k = 0; k < reading.rows.size(); ++k) {
    const TrackRow& track = reading.rows[k];
    input.rows.push_back({true, track.number, track.name, static_cast<std::uint32_t>(std::stoul(track.blocks)),
                          drives.Toc().entries[k].start});
  }
  return input;
}

// The dBAR reply of a database that knows the disc as the image holds it.
std::string DbarOf(const RipInput& input, const std::vector<std::uint8_t>& pcm) {
  std::vector<testdata::DbarEntry> pressing;
  for (std::size_t k = 0; k < input.rows.size(); ++k) {
    const RipRow& row = input.rows[k];
    TrackChecksums sums(std::uint64_t(row.blocks) * 588, k == 0, k + 1 == input.rows.size(), pcm.size() / 4);
    sums.Add(pcm.data() + std::size_t(row.start) * CD_BLOCK_BYTES, std::size_t(row.blocks) * CD_BLOCK_BYTES);
    pressing.push_back({kConfidence, sums.Sums().arV2, 0});
  }
  AccurateRipIds ids = AccurateRipIdsOf(input.toc);
  return testdata::DbarFile(ids.id1, ids.id2, ids.cddb, {pressing});
}

// Counts the blocks of a finished file that are not the disc's: reported, or not.
void Compare(const TrackResult& result, const RipRow& row, const std::vector<std::uint8_t>& pcm,
             const DriveFaults& faults, Outcome& outcome) {
  const std::vector<std::uint8_t> file = ReadFile(result.path);
  const std::set<std::uint32_t> reported(result.unreadable.begin(), result.unreadable.end());
  for (std::uint32_t block = 0; block < row.blocks; ++block) {
    const std::size_t at = kWaveHeaderSize + std::size_t(block) * CD_BLOCK_BYTES;
    const std::uint8_t* disc = pcm.data() + (std::size_t(row.start) + block) * CD_BLOCK_BYTES;
    const bool same = at + CD_BLOCK_BYTES <= file.size() && std::memcmp(file.data() + at, disc, CD_BLOCK_BYTES) == 0;
    if (reported.count(block) != 0) {
      ++outcome.unreadable;
    } else if (!same) {
      ++outcome.wrong;
      if (faults.noisy.count(std::int32_t(row.start + block)) != 0) ++outcome.noisyWrong;
    }
  }
}

const RipRow& RowOf(const RipInput& input, const TrackResult& result) {
  for (const RipRow& row : input.rows)
    if (row.number == result.number) return row;
  throw std::runtime_error("no track " + result.number);
}

Outcome Rip(const std::string& sheet, const std::vector<std::uint8_t>& pcm, const Disc& disc, RipReadMode mode,
            const std::string& server, const fs::path& folder) {
  auto faults = std::make_shared<DriveFaults>();
  disc.scratch(static_cast<std::int32_t>(pcm.size() / CD_BLOCK_BYTES), *faults);
  CdDrives drives;
  RipInput input = OpenDisc(sheet, faults, drives);
  input.folder = folder.string();
  input.values.accurateRipServer = server;
  input.values.readMode = mode;
  faults->requested = 0;
  faults->seeks = 0;
  faults->failed = 0;
  QuietHost host;
  RipJob job(host);
  auto started = std::chrono::steady_clock::now();
  job.Start(input);
  Outcome outcome;
  outcome.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  outcome.sectors = faults->requested;
  outcome.seeks = faults->seeks;
  outcome.failed = faults->failed;
  for (const std::string& error : host.errors)
    std::fprintf(stderr, "%s, %s: %s\n", disc.name, RipReadModeName(mode).c_str(), error.c_str());
  if (job.Results().size() != input.rows.size()) throw std::runtime_error(std::string(disc.name) + ": tracks missing");
  for (const TrackResult& result : job.Results()) {
    Compare(result, RowOf(input, result), pcm, *faults, outcome);
    if (ConfirmedByV2(result.verdict)) ++outcome.accurate;
  }
  for (const fs::directory_entry& entry : fs::directory_iterator(folder)) fs::remove_all(entry.path());
  return outcome;
}

struct Measured {
  const Disc* disc;
  RipReadMode mode;
  Outcome outcome;
};

const Outcome* Find(const std::vector<Measured>& measured, const Disc& disc, RipReadMode mode) {
  for (const Measured& m : measured)
    if (m.disc == &disc && m.mode == mode) return &m.outcome;
  return nullptr;
}

void PrintRow(const Measured& measured, std::int64_t sectors, int tracks) {
  const Outcome& outcome = measured.outcome;
  std::printf("%-18s %-6s %9lld %5.2fx %6lld %7lld %7zu %6zu %3d/%-3d %7.1f %9.2f\n", measured.disc->name,
              RipReadModeName(measured.mode).c_str(), static_cast<long long>(outcome.sectors),
              double(outcome.sectors) / double(sectors), static_cast<long long>(outcome.seeks),
              static_cast<long long>(outcome.failed), outcome.unreadable, outcome.wrong, outcome.accurate, tracks,
              outcome.wall, outcome.ModelledMinutes());
  std::fflush(stdout);
}

void PrintMinutes(const std::vector<Measured>& measured) {
  std::printf("\n%-30s %6s %6s %6s\n", "modelled minutes per disc", "burst", "secure", "verify");
  for (const Disc& disc : kDiscs) {
    std::printf("%-30s", disc.name);
    for (RipReadMode mode : kAllModes) {
      const Outcome* outcome = Find(measured, disc, mode);
      if (outcome != nullptr) std::printf(" %6.2f", outcome->ModelledMinutes());
      else std::printf(" %6s", "-");
    }
    std::printf("\n");
  }
}

bool AtMost(const char* what, const Outcome& outcome, std::int64_t sectors, double most) {
  const double ratio = double(outcome.sectors) / double(sectors);
  std::printf("%s: %.2fx the disc's sectors (at most %.2fx): %s\n", what, ratio, most, ratio <= most ? "yes" : "NO");
  return ratio <= most;
}

// Burst takes a block on the word of one read that starts where it should: a block that reads differently each
// time without an error gets through it. Nothing else may come out wrong unreported.
bool NoneWrong(const std::vector<Measured>& measured) {
  bool none = true;
  for (const Measured& m : measured) {
    const std::size_t wrong = m.outcome.wrong - (m.mode == RipReadMode::Burst ? m.outcome.noisyWrong : 0);
    if (wrong == 0) continue;
    std::printf("FAULT: %s, %s: %zu blocks wrong and not reported\n", m.disc->name, RipReadModeName(m.mode).c_str(),
                wrong);
    none = false;
  }
  return none;
}

// Rips every disc in its modes, printing each rip as it ends; false when a check failed.
bool Run(const std::string& sheet, const fs::path& folder) {
  const std::vector<std::uint8_t> pcm = ReadFile(fs::path(sheet).replace_extension(".bin"));
  const auto sectors = static_cast<std::int64_t>(pcm.size() / CD_BLOCK_BYTES);
  std::string dbar;
  int tracks = 0;
  {
    CdDrives drives;
    RipInput input = OpenDisc(sheet, std::make_shared<DriveFaults>(), drives);
    dbar = DbarOf(input, pcm);
    tracks = static_cast<int>(input.rows.size());
  }
  std::atomic<bool> known{true};
  testdata::HttpTestServer server([&](const std::string&) {
    return known ? testdata::HttpTestReply{200, dbar} : testdata::HttpTestReply{404, ""};
  });

  std::printf("a disc of %lld sectors in %d tracks; modelled: %.0f sectors/s (52x), %.2f s a seek, %.1f s a failed "
              "sector read; AccurateRip confidence %d\n\n",
              static_cast<long long>(sectors), tracks, kSectorsPerSecond, kSeekSeconds, kFailureSeconds, kConfidence);
  std::printf("%-18s %-6s %9s %6s %6s %7s %7s %6s %7s %7s %9s\n", "disc", "mode", "sectors", "ratio", "seeks",
              "failed", "unread", "wrong", "AR ok", "wall s", "model min");
  std::vector<Measured> measured;
  for (const Disc& disc : kDiscs) {
    known = disc.known;
    for (RipReadMode mode : disc.modes) {
      measured.push_back({&disc, mode, Rip(sheet, pcm, disc, mode, server.Url(), folder)});
      PrintRow(measured.back(), sectors, tracks);
    }
  }
  PrintMinutes(measured);

  std::printf("\n");
  const Outcome& inDatabase = *Find(measured, kDiscs[0], RipReadMode::Verify);
  const Outcome& notInDatabase = *Find(measured, kDiscs[3], RipReadMode::Verify);
  bool sound = AtMost("clean disc known to AccurateRip, verify", inDatabase, sectors, 1.15);
  sound = AtMost("clean disc unknown to AccurateRip, verify", notInDatabase, sectors, 3.5) && sound;
  return NoneWrong(measured) && sound;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: read_modes SHEET FOLDER\n");
    return 2;
  }
  // The test drive fails at once, so a block that never reads is tried the full 20 times before this runs out.
  PhysicalMedium::SetBlockTimeLimit(std::chrono::milliseconds(5000));
  try {
    return Run(argv[1], argv[2]) ? 0 : 1;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "read_modes: %s\n", error.what());
    return 1;
  }
}
