#include "cd/MusicBrainzDiscId.h"

#include <openssl/evp.h>

#include <algorithm>
#include <cstdio>

namespace {

constexpr std::uint32_t kLeadIn = 150;

std::string Hex(std::uint32_t value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "%0*X", digits, value);
  return text;
}

}  // namespace

std::string Sha1TextId(const std::string& text) {
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

std::string MusicBrainzDiscId(int firstTrack, int lastTrack, std::uint32_t leadout,
                              const std::vector<std::uint32_t>& offsets) {
  std::string text = Hex(static_cast<std::uint32_t>(firstTrack), 2) + Hex(static_cast<std::uint32_t>(lastTrack), 2) +
                     Hex(leadout, 8);
  for (int track = 1; track <= 99; ++track) {
    std::size_t index = static_cast<std::size_t>(track - firstTrack);
    bool present = track >= firstTrack && index < offsets.size();
    text += Hex(present ? offsets[index] : 0, 8);
  }
  return Sha1TextId(text);
}

MusicBrainzToc MusicBrainzTocOf(const TableOfContents& toc) {
  int last = toc.TrackCount() - 1;
  while (last > 0 && !toc.entries[static_cast<std::size_t>(last)].audio) --last;
  // Tracks that follow without a session gap lie in the same session.
  auto end = [&](int k) { return toc.entries[static_cast<std::size_t>(k)].start + toc.BlocksOf(k); };
  while (last + 1 < toc.TrackCount() && end(last) == toc.entries[static_cast<std::size_t>(last + 1)].start) ++last;
  MusicBrainzToc counted{toc.firstTrack, toc.firstTrack + last, end(last) + kLeadIn, {}};
  for (int k = 0; k <= last; ++k) counted.offsets.push_back(toc.entries[static_cast<std::size_t>(k)].start + kLeadIn);
  return counted;
}

std::string MusicBrainzDiscId(const TableOfContents& toc) {
  MusicBrainzToc counted = MusicBrainzTocOf(toc);
  return MusicBrainzDiscId(counted.firstTrack, counted.lastTrack, counted.leadout, counted.offsets);
}
