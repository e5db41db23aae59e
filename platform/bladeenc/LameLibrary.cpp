#include "platform/bladeenc/LameLibrary.h"

#include <mutex>

#include "platform/dynlib/DynamicLibrary.h"

const char* const kLameMissingMessage =
    "lame_enc.dll library could not be loaded.\n"
    "MP3 files are encoded by libmp3lame.so.0: install the package libmp3lame0.";

namespace {

struct LameBinding {
  std::mutex lock;
  std::string fileName = "libmp3lame.so.0";
  DynamicLibrary library;
  bool loaded = false;
  LameEntries entries;
};

LameBinding& TheBinding() {
  static LameBinding binding;
  return binding;
}

}  // namespace

#define RESOLVE(name) b.library.Resolve(#name, b.entries.name, b.loaded)

bool BindLame() {
  LameBinding& b = TheBinding();
  std::lock_guard<std::mutex> guard(b.lock);
  if (b.loaded) return true;
  b.loaded = b.library.Load(b.fileName);
  RESOLVE(lame_init);
  RESOLVE(lame_set_num_samples);
  RESOLVE(lame_set_in_samplerate);
  RESOLVE(lame_set_out_samplerate);
  RESOLVE(lame_set_num_channels);
  RESOLVE(lame_set_mode);
  RESOLVE(lame_set_VBR);
  RESOLVE(lame_set_brate);
  RESOLVE(lame_set_extension);
  RESOLVE(lame_set_error_protection);
  RESOLVE(lame_set_copyright);
  RESOLVE(lame_set_original);
  RESOLVE(lame_set_bWriteVbrTag);
  RESOLVE(lame_init_params);
  RESOLVE(lame_get_brate);
  RESOLVE(lame_get_out_samplerate);
  RESOLVE(lame_encode_buffer);
  RESOLVE(lame_encode_buffer_interleaved);
  RESOLVE(id3tag_init);
  RESOLVE(id3tag_set_title);
  RESOLVE(id3tag_set_artist);
  RESOLVE(id3tag_set_album);
  RESOLVE(id3tag_set_year);
  RESOLVE(id3tag_set_track);
  RESOLVE(id3tag_set_comment);
  RESOLVE(lame_encode_flush);
  RESOLVE(lame_get_lametag_frame);
  RESOLVE(lame_close);
  RESOLVE(lame_set_VBR_q);
  if (!b.loaded) b.library.Release();
  return b.loaded;
}

#undef RESOLVE

const LameEntries& Lame() { return TheBinding().entries; }

void SetLameLibraryName(const std::string& fileName) {
  LameBinding& b = TheBinding();
  std::lock_guard<std::mutex> guard(b.lock);
  b.fileName = fileName;
  b.loaded = false;
  b.entries = LameEntries{};
  b.library.Release();
}
