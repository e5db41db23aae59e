#pragma once
// Version-3 tags of any text frames, for files we tag ourselves: text given as UTF-8 is written as
// ISO-8859-1 where every character fits, else as UTF-16 with a byte order mark; user-defined text frames
// (TXXX) and comments (COMM, in English) carry a description; a unique file identifier (UFID) carries its
// owner as the description and the identifier as the text. The editor's seven items stay with TID3v2.

#include <string>
#include <vector>

struct Id3TextFrame {
  std::string id;           // "TIT2", "TRCK", "TXXX"...
  std::string text;         // UTF-8
  std::string description;  // UTF-8, TXXX, COMM and UFID only
};

// The whole tag, header included, without padding; frames with an empty text are left out. Empty when the
// tag would be too large for the header's size bytes. otherFrames, whole frames, follow the text frames.
std::string BuildId3v23Tag(const std::vector<Id3TextFrame>& frames, const std::string& otherFrames = {});

// A whole version-3 APIC frame: the image as the front cover, with its MIME type and no description.
std::string Id3FrontCoverFrame(const std::string& mimeType, const std::string& image);

// Sets user-defined text frames (TXXX) in the version-3 tag at the start of a file we tagged: its TXXX frames
// of the same descriptions give way to these, every other frame stays; a file without a tag gets one. The
// file is rebuilt through a buffer file that then replaces it. Empty when done, else why not.
std::string SetUserTextFrames(const std::string& fileName, const std::vector<Id3TextFrame>& frames);
