#include "cd/CtdbToc.h"

#include <cstdio>
#include <vector>

#include "cd/MusicBrainzDiscId.h"

namespace {

constexpr std::size_t kTocIdText = 800;  // room for 99 tracks and the end, 8 digits each

// The entries of the audio tracks (the last entry is the lead-out).
std::vector<int> AudioTracks(const TableOfContents& toc) {
  std::vector<int> audio;
  for (int k = 0; k + 1 < int(toc.entries.size()); ++k)
    if (toc.entries[k].audio) audio.push_back(k);
  return audio;
}

}  // namespace

std::string CtdbTocText(const TableOfContents& toc) {
  if (toc.entries.empty()) return {};
  std::string text;
  for (int k = 0; k + 1 < int(toc.entries.size()); ++k) {
    if (!toc.entries[k].audio) text += '-';
    text += std::to_string(toc.entries[k].start) + ":";
  }
  return text + std::to_string(toc.Leadout());
}

std::string CtdbTocId(const TableOfContents& toc) {
  const std::vector<int> audio = AudioTracks(toc);
  if (audio.empty()) return {};
  const std::uint32_t first = toc.entries[audio.front()].start;
  const std::uint32_t end = toc.entries[audio.back()].start + toc.BlocksOf(audio.back());
  std::string text;
  char hex[16];
  for (std::size_t i = 1; i <= audio.size(); ++i) {
    std::uint32_t at = i < audio.size() ? toc.entries[audio[i]].start : end;
    std::snprintf(hex, sizeof hex, "%08X", at - first);
    text += hex;
  }
  text.resize(kTocIdText, '0');
  return Sha1TextId(text);
}

std::uint64_t CtdbAudioFrames(const TableOfContents& toc) {
  std::uint64_t blocks = 0;
  for (int k : AudioTracks(toc)) blocks += toc.BlocksOf(k);
  return blocks * 588;
}
