#include "rip/ReadPlan.h"

namespace {

// Why a burst read does not stand on its own.
std::string Unconfirmed(const TrackVerdict& verdict) {
  switch (verdict.kind) {
    case TrackVerdict::Kind::NotVerified:
      return "no database answer";
    case TrackVerdict::Kind::NotInDatabase:
      return "not in database";
    case TrackVerdict::Kind::NotAccurate:
      return "not accurate";
    case TrackVerdict::Kind::AccurateWithOffset:
      return "accurate only with another offset";
    case TrackVerdict::Kind::Accurate:
      break;
  }
  return verdict.v2Confidence == 0 ? "v1 checksum only" : "confidence " + std::to_string(verdict.v2Confidence);
}

std::string Confirmation(const TrackVerdict& verdict) {
  return "confirmed by AccurateRip v2 (confidence " + std::to_string(verdict.v2Confidence) + ")";
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

std::optional<TrackPass> ReadPlan::After(const TrackPass& pass, const TrackVerdict& verdict) {
  if (FImage || FMode != RipReadMode::Verify || pass.mode == ReadMode::Secure) return std::nullopt;
  if (ConfirmedByV2(verdict)) {
    FStreak = 0;
    return std::nullopt;
  }
  ++FStreak;
  return TrackPass{ReadMode::Secure, "after burst (AccurateRip: " + Unconfirmed(verdict) + ")"};
}

std::string ReadPlan::Describe(const TrackPass& pass, const TrackVerdict& verdict, const std::string& unreadable) const {
  if (pass.mode == ReadMode::Secure)
    return "secure" + (pass.why.empty() ? "" : " " + pass.why) + ", " + (unreadable.empty() ? "2 reads agree" : unreadable);
  std::string how = FImage ? "image file" : "burst";
  if (!unreadable.empty()) return how + ", " + unreadable;
  if (ConfirmedByV2(verdict)) return how + ", " + Confirmation(verdict);
  return how + (FImage ? ", read once" : ", not verified");
}
