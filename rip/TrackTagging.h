#pragma once
// The tags a ripped file carries: an ID3v2.3 tag in front of an MP3 file, comment lines for an Ogg file.

#include <string>
#include <vector>

#include "cd/DiscMetadata.h"

// Empty when there is nothing to tag.
std::string Mp3TagOf(const TrackTags& tags);
std::vector<std::string> VorbisCommentsOf(const TrackTags& tags);
