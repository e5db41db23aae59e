#include "rip/ReadPlan.h"

#include "cd/Ctdb.h"

namespace {

// Why a database's verdict does not confirm a burst read: AccurateRip's needs a v2 match, the CUETools
// database's a match; both of at least two submissions.
std::string Unconfirmed(const TrackVerdict& verdict, bool accurateRip) {
  switch (verdict.kind) {
    case TrackVerdict::Kind::NotVerified:
      return "not verified";
    case TrackVerdict::Kind::NotInDatabase:
      return "not in database";
    case TrackVerdict::Kind::HiddenAudio:
      return "hidden audio, not in the databases";
    case TrackVerdict::Kind::NotAccurate:
      return "not accurate";
    case TrackVerdict::Kind::AccurateWithOffset:
      return "accurate only with another offset";
    case TrackVerdict::Kind::Accurate:
      break;
  }
  if (!accurateRip) return "confidence " + std::to_string(verdict.confidence);
  return verdict.v2Confidence == 0 ? "v1 checksum only" : "confidence " + std::to_string(verdict.v2Confidence);
}

// "confirmed by AccurateRip v2 (confidence 7)", "confirmed by CTDB (confidence 5)", or both; empty when
// neither confirms.
std::string Confirmation(const TrackVerdict& accurateRip, const TrackVerdict& ctdb) {
  std::string by;
  if (ConfirmedByV2(accurateRip)) by = "AccurateRip v2 (confidence " + std::to_string(accurateRip.v2Confidence) + ")";
  if (ConfirmedByCtdb(ctdb)) {
    if (!by.empty()) by += " and ";
    by += "CTDB (confidence " + std::to_string(ctdb.confidence) + ")";
  }
  return by.empty() ? by : "confirmed by " + by;
}

}  // namespace

bool ParseRipReadMode(const std::string& text, RipReadMode& mode) {
  for (RipReadMode candidate : {RipReadMode::Verify, RipReadMode::Secure, RipReadMode::Burst}) {
    if (text != RipReadModeName(candidate)) continue;
    mode = candidate;
    return true;
  }
  return false;
}

std::string RipReadModeName(RipReadMode mode) {
  switch (mode) {
    case RipReadMode::Secure:
      return "secure";
    case RipReadMode::Burst:
      return "burst";
    case RipReadMode::Verify:
      break;
  }
  return "verify";
}

ReadPlan::ReadPlan(RipReadMode mode, bool image) : FMode(mode), FImage(image) {}

// Verify's burst leaves a block the drive does not give at once to the secure read that follows.
TrackPass ReadPlan::FirstPass() const {
  if (FImage || FMode == RipReadMode::Burst) return {};
  if (FMode == RipReadMode::Secure) return {ReadMode::Secure, ""};
  if (FStreak < kSecureStreak) return {ReadMode::QuickBurst, ""};
  std::string why = "(";
  why += std::to_string(kSecureStreak) + " tracks in a row needed it)";
  return {ReadMode::Secure, why};
}

std::optional<TrackPass> ReadPlan::After(const TrackPass& pass, const TrackVerdict& accurateRip, const TrackVerdict& ctdb) {
  if (FImage || FMode != RipReadMode::Verify || pass.mode == ReadMode::Secure) return std::nullopt;
  if (ConfirmedByV2(accurateRip) || ConfirmedByCtdb(ctdb)) {
    FStreak = 0;
    return std::nullopt;
  }
  ++FStreak;
  std::string why = "after burst (AccurateRip: " + Unconfirmed(accurateRip, true);
  return TrackPass{ReadMode::Secure, why + ", CTDB: " + Unconfirmed(ctdb, false) + ")"};
}

std::string ReadPlan::Describe(const TrackPass& pass, const TrackVerdict& accurateRip, const TrackVerdict& ctdb,
                               const std::string& unreadable) const {
  if (pass.mode == ReadMode::Secure)
    return "secure" + (pass.why.empty() ? "" : " " + pass.why) + ", " + (unreadable.empty() ? "2 reads agree" : unreadable);
  std::string how = FImage ? "image file" : "burst";
  if (!unreadable.empty()) return how + ", " + unreadable;
  const std::string confirmation = Confirmation(accurateRip, ctdb);
  if (!confirmation.empty()) return how + ", " + confirmation;
  return how + (FImage ? ", read once" : ", not verified");
}
