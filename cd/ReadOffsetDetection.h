#pragma once
// Finds the read offset of a drive from a disc the AccurateRip database knows. The drive reads the disc with
// no offset set; block 450 of each track finds the shifts at which it matches a pressing, the whole track
// proves them, and the shift that most tracks prove (two at least) is the drive's offset: the correction it
// needs, as [Drive Offsets] holds it. It is stored there when the user confirms it, and without asking when
// AccurateRip's list of drives gives the same or three discs found it on the drive ([Offset Detections]
// keeps those discs).

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "cd/DriveOffsetList.h"
#include "cd/TableOfContents.h"
#include "platform/akrip32/akrip32.h"

class TIniFile;

struct ReadOffsetRequest {
  HCDROM handle = 0;  // the drive with its disc; its read offset is left at 0
  TableOfContents toc;
  std::string drive;   // the drive's identification, its key in [Drive Offsets]
  std::string server;  // AccurateRip's; empty: turned off
  std::string cacheFolder;
};

// Told what is being done ("Reading track 3 around block 450"), and asked between reads whether to go on.
// listKnown, when set, hears AccurateRip's list on the drive (ListedText) before the disc is read.
struct ReadOffsetProgress {
  std::function<void(const std::string&)> show;
  std::function<bool()> keepGoing;
  std::function<void(const std::string&)> listKnown;
};

// Three discs that found the same offset on a drive store it without asking.
constexpr int kAgreeingDiscs = 3;

struct ReadOffsetReport {
  enum class Outcome { Found, CannotTell, Failed };
  Outcome outcome = Outcome::Failed;
  std::string drive;
  std::optional<DriveOffsetRecord> listed;  // AccurateRip's list of drives on this one
  std::string listProblem;                  // why that list is not known
  std::map<int, std::vector<int>> proved;   // shift: the tracks (numbers) whose whole audio matches a pressing there
  int offset = 0;                           // Found: the shift most tracks prove
  std::string problem;                      // CannotTell and Failed: why ("AccurateRip does not know it")
  int agreeingDiscs = 0;                    // Found: the discs that found it on the drive, this one included
  bool stored = false;                      // Found: it is in [Drive Offsets]

  // What AccurateRip's list gives for the drive: "+6 (sent in 1520 times)", "the drive is not listed", "not
  // known (no answer from ...)".
  std::string ListedText() const;
  // The problem as an error message: "The disc cannot tell the drive's read offset: AccurateRip does not know it".
  std::string Problem() const;
  // Label and text of each line the window and quillon-cli show: the drive, the list's offset for it, the
  // offset found (or why there is none) and, when found, the discs that agree and whether it is stored.
  std::vector<std::pair<std::string, std::string>> Lines() const;
};

// Reads the disc and says what it tells; the offset is stored when the list of drives or enough discs agree.
// Throws EIniFileError when the settings cannot be written.
ReadOffsetReport DetectReadOffset(const ReadOffsetRequest& request, TIniFile& settings,
                                  const ReadOffsetProgress& progress);

// Stores the offset found in [Drive Offsets], as the user confirmed it; throws EIniFileError when the settings
// cannot be written.
void StoreReadOffset(TIniFile& settings, ReadOffsetReport& report);
