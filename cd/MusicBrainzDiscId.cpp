#include "cd/MusicBrainzDiscId.h"

#include <openssl/evp.h>

#include <algorithm>
#include <cstdio>

namespace {

constexpr std::uint32_t kLeadIn = 150;
constexpr std::uint32_t kSessionGap = 11400;

std::string Hex(std::uint32_t value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "%0*X", digits, value);
  return text;
}

}  // namespace

std::string MusicBrainzDiscId(int firstTrack, int lastTrack, std::uint32_t leadout,
                              const std::vector<std::uint32_t>& offsets) {
  std::string text = Hex(static_cast<std::uint32_t>(firstTrack), 2) + Hex(static_cast<std::uint32_t>(lastTrack), 2) +
                     Hex(leadout, 8);
  for (int track = 1; track <= 99; ++track) {
    std::size_t index = static_cast<std::size_t>(track - firstTrack);
    bool present = track >= firstTrack && index < offsets.size();
    text += Hex(present ? offsets[index] : 0, 8);
  }
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  EVP_Digest(text.data(), text.size(), digest, &length, EVP_sha1(), nullptr);
  unsigned char encoded[64];
  int encodedLength = EVP_EncodeBlock(encoded, digest, static_cast<int>(length));
  std::string id(reinterpret_cast<char*>(encoded), static_cast<std::size_t>(encodedLength));
  std::replace(id.begin(), id.end(), '+', '.');
  std::replace(id.begin(), id.end(), '/', '_');
  std::replace(id.begin(), id.end(), '=', '-');
  return id;
}

std::string MusicBrainzDiscId(const TableOfContents& toc) {
  int tracks = toc.TrackCount();
  int audio = tracks;
  while (audio > 1 && !toc.entries[static_cast<std::size_t>(audio - 1)].audio) --audio;
  std::uint32_t leadout = audio == tracks ? toc.Leadout() : toc.entries[static_cast<std::size_t>(audio)].start - kSessionGap;
  std::vector<std::uint32_t> offsets;
  for (int k = 0; k < audio; ++k) offsets.push_back(toc.entries[static_cast<std::size_t>(k)].start + kLeadIn);
  return MusicBrainzDiscId(toc.firstTrack, toc.firstTrack + audio - 1, leadout + kLeadIn, offsets);
}
