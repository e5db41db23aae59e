#pragma once
// Comment fields set in an Ogg comment header (Vorbis' "\x03vorbis", Opus' "OpusTags" packet): the vendor
// and every other comment kept, and whatever the packet holds after its comments (Vorbis' framing bit,
// Opus' padding) too.

#include <string>
#include <utility>
#include <vector>

#include "acs/OggPacketRewrite.h"

using CommentField = std::pair<std::string, std::string>;  // name, value

// The packet with each field's earlier comments (the name in any case) dropped and NAME=value added at the
// end. Throws EACSException when the packet does not start with magic or its lengths run past its end.
OggPacket WithCommentFields(const OggPacket& packet, const std::string& magic, const std::vector<CommentField>& fields);
