#pragma once
// Rewrites a finished Ogg file with another second packet (the comment header of Vorbis and of Opus): the
// header packets are paged again, the audio pages follow as they were, only renumbered when the headers
// take more or fewer pages than before. The new file is written beside the old one and takes its place
// only when complete, so a failure leaves the file as it was.

#include <functional>
#include <string>
#include <vector>

#include "platform/files/ReplacementFile.h"

using OggPacket = std::vector<unsigned char>;
// Makes the new second packet from the old one.
using OggPacketReplacer = std::function<OggPacket(const OggPacket&)>;

// Throws EACSException saying why when the file is no Ogg file of one stream whose headers end on a page of
// their own, or cannot be read or replaced. The libraries must have been bound.
void RewriteSecondOggPacket(const std::string& path, const OggPacketReplacer& replace,
                            LinkRule links = LinkRule::OwnedOnly);
