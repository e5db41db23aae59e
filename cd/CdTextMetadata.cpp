#include "cd/CdTextMetadata.h"

#include <algorithm>

namespace {

bool NamesSomething(const DiscTextEntry& entry) { return !entry.title.empty() || !entry.performer.empty(); }

// The album's performer: the disc's, else the one every track names alike.
std::string AlbumPerformer(const DiscText& text) {
  if (!text.disc.performer.empty() || text.tracks.empty()) return text.disc.performer;
  const std::string& first = text.tracks.front().performer;
  bool shared = std::all_of(text.tracks.begin(), text.tracks.end(),
                            [&first](const DiscTextEntry& track) { return track.performer == first; });
  return shared ? first : std::string();
}

}  // namespace

std::optional<DiscMetadata> CdTextMetadata(const DiscText& text, std::size_t tracks) {
  if (!NamesSomething(text.disc) && std::none_of(text.tracks.begin(), text.tracks.end(), NamesSomething))
    return std::nullopt;
  DiscMetadata metadata;
  metadata.source = "CD-Text";
  metadata.album = text.disc.title;
  metadata.artist = AlbumPerformer(text);
  for (std::size_t k = 0; k < tracks; ++k) {
    const DiscTextEntry track = k < text.tracks.size() ? text.tracks[k] : DiscTextEntry{};
    metadata.titles.push_back(track.title);
    metadata.artists.push_back(track.performer.empty() ? metadata.artist : track.performer);
  }
  return metadata;
}

std::optional<DiscMetadata> NameAfterCdText(const DiscText& text, std::vector<TrackRow>& rows, OutputFormat format,
                                            const NamingOptions& naming) {
  std::optional<DiscMetadata> metadata = CdTextMetadata(text, static_cast<std::size_t>(TracksAmong(rows)));
  if (!metadata) return std::nullopt;
  std::vector<std::string> names = LookedUpNames(*metadata, rows, format, naming);
  for (std::size_t k = 0; k < rows.size(); ++k) rows[k].name = names[k];
  return metadata;
}
