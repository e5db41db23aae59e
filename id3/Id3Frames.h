#pragma once
// The frames of an ID3v2 tag of major version 2, 3 or 4, so that a rewrite keeps every frame it does not
// change: version-2 frames brought into version-3 form, version-4 frames as they stand; and the text of the
// item frames in Latin-1.

#include <cstdint>
#include <string>
#include <vector>

struct Id3Frame {
  std::string id;           // four characters, as versions 3 and 4 name the frame
  std::uint16_t flags = 0;  // version-3 flags
  std::string body;         // the frame's data, without unsynchronisation
  std::string original;     // version 4: the whole frame as the tag holds it
  bool opaque = false;      // version 4: compressed, encrypted or grouped, so its body is not read

  // The frame as a rewrite keeps it: a version-4 frame as it stood, else with its 10-byte version-3 header.
  std::string Bytes() const;
};

// The frames of a tag body (the bytes after its 10-byte header, up to its size) of that major version and
// header flags. Parsing stops quietly at padding or at a frame that runs past the body. Version-2 frames
// that version 3 has no name for are left out. The unsynchronisation of a whole version-4 tag becomes each
// frame's own, since a rewritten tag does not claim it.
std::vector<Id3Frame> ParseFrames(const std::string& body, int version, std::uint8_t tagFlags);

// The text of an item frame's data (encoding byte first) in Latin-1: ISO-8859-1 as it is, UTF-16 and UTF-8
// decoded up to the first terminator, "?" for each character that Latin-1 lacks.
std::string FrameText(const std::string& data);
// The text of a comment frame's data (encoding, language, description, text): the text, not the description.
std::string CommentText(const std::string& data);
// The description of a comment frame's data.
std::string CommentDescription(const std::string& data);
