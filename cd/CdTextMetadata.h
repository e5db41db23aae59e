#pragma once
// The disc's own CD-Text as a source of names and tags, beside the lookups: the album's title and performer,
// each track's title, and its performer where it is not the album's. Songwriters have no tag to go to.

#include <cstddef>
#include <optional>

#include "cd/DiscMetadata.h"
#include "cd/TrackNaming.h"
#include "platform/akrip32/DiscText.h"

// The data for the disc's tracks (one per track, in order, as many as tracks); none when the CD-Text names no
// title and no performer.
std::optional<DiscMetadata> CdTextMetadata(const DiscText& text, std::size_t tracks);

// Names the rows after the CD-Text, as a lookup names them, and gives its data for the tags; a disc without
// CD-Text leaves the rows as they are and gives none.
std::optional<DiscMetadata> NameAfterCdText(const DiscText& text, std::vector<TrackRow>& rows, OutputFormat format,
                                            const NamingOptions& naming);
