#pragma once
// What the ID3 editor shows of a tag and how its fields go back into one, in UTF-8 text, shared by the
// editor window and quillon-cli. Tags hold Latin-1 bytes; characters Latin-1 lacks become "?".

#include <string>

class TID3v2;

struct TagFieldTexts {
  std::string Title;
  std::string Artist;
  std::string Album;
  std::string Track;
  std::string Year;
  std::string Genre;
  std::string Comment;
};

struct TagDisplay {
  std::string TagExists;  // "Yes", "No", or empty before any reading
  std::string Version;    // "2.3" for a version-3 tag
  std::string Size;       // "123 bytes"
  TagFieldTexts Fields;
  std::string Picture;  // "Picture: front cover, image/jpeg, 48 KiB" for the tag's first picture; empty: none
};

std::string Latin1ToUtf8(const std::string& latin1);
std::string Utf8ToLatin1(const std::string& utf8);

// The texts for a tag that was read: "No" alone without a tag, else the values and the items.
TagDisplay DisplayTag(const TID3v2& tag);
// Puts the fields into the tag's items; a track text that is not a number above 0 means no track.
void StoreFields(const TagFieldTexts& fields, TID3v2& tag);
