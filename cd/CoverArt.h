#pragma once
// A release's front cover as the files of a rip carry it: the image's bytes and their MIME type.

#include <string>

struct CoverArt {
  std::string mimeType;  // "image/jpeg" or "image/png"
  std::string bytes;
};
