#include "rip/RipLog.h"

#include <openssl/evp.h>

#include <cstdio>
#include <ctime>

#include "rip/RipJob.h"

namespace {

const char kChecksumLabel[] = "SHA-256: ";

std::string Sha256Hex(const std::string& text) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  EVP_Digest(text.data(), text.size(), digest, &length, EVP_sha256(), nullptr);
  std::string hex;
  char pair[3];
  for (unsigned int i = 0; i < length; ++i) {
    std::snprintf(pair, sizeof pair, "%02x", digest[i]);
    hex += pair;
  }
  return hex;
}

std::string Hex8(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%08x", value);
  return text;
}

std::string Now() {
  char text[32];
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  return text;
}

// A drive cannot read past the ends of the disc's audio: what a read offset takes from there is silence.
std::string OutsideTheDisc(int offset) {
  if (offset == 0) return "";
  std::string samples = std::to_string(offset > 0 ? offset : -offset);
  if (offset > 0) return " (the last " + samples + " samples of the disc's audio lie past its end: silence)";
  return " (the first " + samples + " samples of the disc's audio lie before its start: silence)";
}

// "97.6 %" of full scale.
std::string PeakText(std::uint32_t peak) {
  char text[16];
  std::snprintf(text, sizeof text, "%.1f %%", peak * 100.0 / 32768);
  return text;
}

// What the database holds for the track: "1a2b3c4d (confidence 5), 5e6f7a8b (confidence 1)", or "nothing".
std::string DatabaseText(const TrackVerdict& verdict) {
  std::string text;
  for (const DbarTrack& entry : verdict.entries)
    text += (text.empty() ? "" : ", ") + Hex8(entry.checksum) + " (confidence " + std::to_string(entry.confidence) + ")";
  return text.empty() ? "nothing" : text;
}

std::string ReplayGainLine(const std::string& label, const std::optional<GainValues>& values) {
  if (!values) return {};
  return label + ": " + ReplayGainText(values->gain) + ", peak " + ReplayGainPeakText(values->peak) + "\n";
}

std::string TrackLines(const TrackResult& track) {
  std::string text = "Track " + track.number + "\n";
  text += "  File: " + track.path + "\n";
  for (const std::string& path : track.morePaths) text += "  File: " + path + "\n";
  text += "  Length: " + TrackTime(track.blocks) + "\n";
  text += "  Read: " + track.readPath + "\n";
  text += "  CRC32: " + Hex8(track.sums.crc32) + "\n";
  text += "  CRC32 without null samples: " + Hex8(track.sums.crc32NoNull) + "\n";
  if (track.tested)
    text += "  Test CRC32: " + Hex8(track.testCrc) + (track.reliable ? " (copy OK)" : " (reads differ: unreliable)") + "\n";
  text += "  Peak level: " + PeakText(track.sums.peak) + "\n";
  text += ReplayGainLine("  ReplayGain", track.replayGain);
  if (!track.albumGainProblem.empty())
    text += "  Album ReplayGain: not written into the file (it keeps the track's): " + track.albumGainProblem + "\n";
  if (track.deEmphasised)
    text += "  De-emphasis: applied to the file, the track being recorded with pre-emphasis (the checksums are of "
            "the disc's own audio)\n";
  text += "  Unreadable blocks: " + (track.unreadable.empty() ? "none" : UnreadableText(track.unreadable)) + "\n";
  text += "  AccurateRip v1: " + Hex8(track.sums.arV1) + ", v2: " + Hex8(track.sums.arV2);
  if (track.verdict.kind != TrackVerdict::Kind::NotVerified && track.verdict.kind != TrackVerdict::Kind::HiddenAudio)
    text += "; the database holds " + DatabaseText(track.verdict);
  text += "\n";
  text += "  AccurateRip: " + track.verdict.Text() + "\n";
  if (!track.verdict.possibleOffsets.empty()) {
    std::string offsets;
    for (int offset : track.verdict.possibleOffsets) offsets += (offsets.empty() ? "" : ", ") + SignedOffset(offset);
    text += "  AccurateRip: block 450 alone matches a pressing at offset " + offsets +
            ": a pressing read so may exist, the whole track does not prove it\n";
  }
  text += "  CTDB CRC32: " + Hex8(track.sums.ctdb) + "\n";
  text += "  CTDB: " + track.ctdbVerdict.Text() + "\n";
  return text;
}

// What the disc says of a track beyond where it lies: its pregap's start, ISRC and flags.
std::string TrackCodes(const TocEntry& entry) {
  std::string text;
  if (entry.pregap) text += "  INDEX 00 at " + TrackTime(*entry.pregap);
  if (!entry.isrc.empty()) text += "  ISRC " + entry.isrc;
  if (entry.preEmphasis) text += "  pre-emphasis";
  if (entry.copyPermitted) text += "  copy permitted";
  if (entry.fourChannel) text += "  four channels";
  return text;
}

// The table of contents: the hidden audio before the first track where there is some, each track's number,
// start, length and blocks, data tracks marked, and what the disc says of it; the lead-out and the catalogue
// number.
std::string TocLines(const TableOfContents& toc) {
  std::string text = "Table of contents:\n  Track  Start     Length    Blocks\n";
  char line[80];
  if (toc.hiddenAudio) {
    std::uint32_t blocks = toc.entries.front().start;
    std::snprintf(line, sizeof line, "  00     %s  %s  %6u  hidden audio before track %d", TrackTime(0).c_str(),
                  TrackTime(blocks).c_str(), blocks, toc.firstTrack);
    text += line + std::string("\n");
  }
  for (int k = 0; k < toc.TrackCount(); ++k) {
    const TocEntry& entry = toc.entries[std::size_t(k)];
    std::uint32_t blocks = toc.BlocksOf(k);
    std::snprintf(line, sizeof line, "  %02d     %s  %s  %6u%s", entry.trackNumber, TrackTime(entry.start).c_str(),
                  TrackTime(blocks).c_str(), blocks, entry.audio ? "" : "  data");
    text += line + TrackCodes(entry) + "\n";
  }
  text += "  Lead-out: block " + std::to_string(toc.Leadout()) + "\n";
  return text + (toc.catalog.empty() ? "" : "  Catalogue number: " + toc.catalog + "\n");
}

std::string HeaderLines(const RipLogHeader& header) {
  std::string text = "Drive: " + header.drive + (header.image ? " (an image file)" : "") + "\n";
  text += "Read offset: " + SignedOffset(header.offset) + " samples, " + header.offsetSource +
          OutsideTheDisc(header.offset) + "\n";
  text += "Read mode: " + header.readMode + "\n";
  text += std::string("Test and copy: ") + (header.testAndCopy ? "yes" : "no") + "\n";
  if (!header.gapDetection.empty()) text += "Gap detection: " + header.gapDetection + "\n";
  if (!header.album.empty())
    text += "Release: " + (header.artist.empty() ? std::string() : header.artist + " / ") + header.album + "\n";
  if (!header.metadataSource.empty()) text += "Metadata: " + header.metadataSource + "\n";
  if (!header.coverArt.empty()) text += header.coverArt + "\n";
  if (header.cancelled) text += "Cancelled: the rip was cancelled; only the tracks below are complete\n";
  text += "\n";
  if (!header.toc.entries.empty()) text += TocLines(header.toc) + "\n";
  text += "Disc IDs:\n  CDDB: " + header.cddbId + "\n  MusicBrainz: " + header.musicBrainzId + "\n";
  text += "  AccurateRip: " + header.accurateRipFile + "\n";
  return text + "  CTDB TOC ID: " + header.ctdbTocId + "\n\n";
}

}  // namespace

std::string RipLogText(const RipLogHeader& header, const std::vector<TrackResult>& tracks, const DiscVerdicts& disc) {
  std::string text = "Quillon " QUILLON_VERSION " rip log, " + Now() + "\n\n";
  text += HeaderLines(header);
  for (const TrackResult& track : tracks) text += TrackLines(track) + "\n";
  if (header.cancelled) {
    text += "Disc: not judged, the rip was cancelled\n";
    return text + kChecksumLabel + Sha256Hex(text) + "\n";
  }
  text += "Disc AccurateRip: " + disc.accurateRip + "\n";
  text += "Disc CTDB: " + disc.ctdb + "\n";
  text += ReplayGainLine("Album ReplayGain", disc.albumReplayGain);
  return text + kChecksumLabel + Sha256Hex(text) + "\n";
}

bool RipLogIntact(const std::string& log) {
  std::size_t last = log.rfind(kChecksumLabel);
  if (last == std::string::npos || (last > 0 && log[last - 1] != '\n')) return false;
  std::string stated = log.substr(last + sizeof kChecksumLabel - 1);
  if (!stated.empty() && stated.back() == '\n') stated.pop_back();
  return stated == Sha256Hex(log.substr(0, last));
}
