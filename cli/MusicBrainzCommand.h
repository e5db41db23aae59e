#pragma once
// quillon-cli musicbrainz: the disc looked up in MusicBrainz, printed as cddb prints its lookup.

#include <string>
#include <vector>

int RunMusicBrainz(const std::vector<std::string>& args);
