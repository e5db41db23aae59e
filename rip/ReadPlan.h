#pragma once
// Which way each track of a rip is read. Burst reads every track once; secure reads every track securely;
// verify (the default) reads a track in burst and keeps it only when AccurateRip's v2 checksum or the CUETools
// database confirms it, otherwise reads it again securely, and after three tracks in a row that needed that, reads the rest of the
// disc securely at once. A disc image is read once whatever the mode: its reads have nothing to check.

#include <optional>
#include <string>

#include "cd/AccurateRip.h"
#include "platform/akrip32/CdMedium.h"

enum class RipReadMode { Verify, Secure, Burst };

// "verify", "secure" or "burst", as settings.ini and quillon-cli write them; false for anything else.
bool ParseRipReadMode(const std::string& text, RipReadMode& mode);
std::string RipReadModeName(RipReadMode mode);

struct TrackPass {
  ReadMode mode = ReadMode::Burst;
  std::string why;  // why a secure pass was needed where the mode alone does not ask for one
};

class ReadPlan {
 public:
  static constexpr int kSecureStreak = 3;

  ReadPlan(RipReadMode mode, bool image);
  TrackPass FirstPass() const;
  // What follows a pass that came out with these verdicts: another pass, or nothing when the track is done.
  std::optional<TrackPass> After(const TrackPass& pass, const TrackVerdict& accurateRip, const TrackVerdict& ctdb);
  // How the track was read in the end and what that proves: "burst, confirmed by AccurateRip v2 (confidence
  // 7)", "burst, confirmed by CTDB (confidence 5)", "secure after burst (AccurateRip: not in database, CTDB:
  // not accurate), 2 reads agree", "secure, 3 blocks could not be read at 00:01.10–00:01.12". unreadable: that
  // last part, empty when every block was read.
  std::string Describe(const TrackPass& pass, const TrackVerdict& accurateRip, const TrackVerdict& ctdb,
                       const std::string& unreadable) const;

 private:
  RipReadMode FMode;
  bool FImage;
  int FStreak = 0;  // tracks in a row whose burst was not confirmed
};
