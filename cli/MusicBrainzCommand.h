#pragma once
// quillon-cli musicbrainz: the disc looked up in MusicBrainz, printed as cddb prints its lookup.

#include <cstdio>
#include <string>
#include <vector>

#include "cd/MusicBrainzLookup.h"

int RunMusicBrainz(const std::vector<std::string>& args);

// One "Release: N<TAB>artist<TAB>title<TAB>date<TAB>country<TAB>label<TAB>format" line per release, from 1.
void PrintReleases(std::FILE* out, const std::vector<MusicBrainzRelease>& releases);
