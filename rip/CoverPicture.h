#pragma once
// A cover as the FLAC picture structure holds it, which FLAC files carry as a metadata block and Ogg files
// as a comment METADATA_BLOCK_PICTURE in base64.

#include <cstdint>
#include <string>

#include "cd/CoverArt.h"

struct PictureSize {
  std::uint32_t width = 0;  // 0 when the image does not say
  std::uint32_t height = 0;
  std::uint32_t depth = 0;  // bits per pixel
};

// The size a JPEG's frame header or a PNG's IHDR chunk states.
PictureSize PictureSizeOf(const CoverArt& art);
// The picture structure of a front cover (type 3), without a description.
std::string FlacPictureStructure(const CoverArt& art);
std::string Base64(const std::string& bytes);
