#pragma once
// LAME, bound by name at run time, once for the whole process: the program starts without it and says
// which library is missing instead of failing before its first window.

#include <lame/lame.h>

#include <string>

struct LameEntries {
  decltype(&::lame_init) lame_init = nullptr;
  decltype(&::lame_set_num_samples) lame_set_num_samples = nullptr;
  decltype(&::lame_set_in_samplerate) lame_set_in_samplerate = nullptr;
  decltype(&::lame_set_out_samplerate) lame_set_out_samplerate = nullptr;
  decltype(&::lame_set_num_channels) lame_set_num_channels = nullptr;
  decltype(&::lame_set_mode) lame_set_mode = nullptr;
  decltype(&::lame_set_VBR) lame_set_VBR = nullptr;
  decltype(&::lame_set_brate) lame_set_brate = nullptr;
  decltype(&::lame_set_extension) lame_set_extension = nullptr;
  decltype(&::lame_set_error_protection) lame_set_error_protection = nullptr;
  decltype(&::lame_set_copyright) lame_set_copyright = nullptr;
  decltype(&::lame_set_original) lame_set_original = nullptr;
  decltype(&::lame_set_bWriteVbrTag) lame_set_bWriteVbrTag = nullptr;
  decltype(&::lame_init_params) lame_init_params = nullptr;
  decltype(&::lame_get_brate) lame_get_brate = nullptr;
  decltype(&::lame_get_out_samplerate) lame_get_out_samplerate = nullptr;
  decltype(&::lame_encode_buffer) lame_encode_buffer = nullptr;
  decltype(&::lame_encode_buffer_interleaved) lame_encode_buffer_interleaved = nullptr;
  decltype(&::id3tag_init) id3tag_init = nullptr;
  decltype(&::id3tag_set_title) id3tag_set_title = nullptr;
  decltype(&::id3tag_set_artist) id3tag_set_artist = nullptr;
  decltype(&::id3tag_set_album) id3tag_set_album = nullptr;
  decltype(&::id3tag_set_year) id3tag_set_year = nullptr;
  decltype(&::id3tag_set_track) id3tag_set_track = nullptr;
  decltype(&::id3tag_set_comment) id3tag_set_comment = nullptr;
  decltype(&::lame_encode_flush) lame_encode_flush = nullptr;
  decltype(&::lame_get_lametag_frame) lame_get_lametag_frame = nullptr;
  decltype(&::lame_close) lame_close = nullptr;
  decltype(&::lame_set_VBR_q) lame_set_VBR_q = nullptr;
};

// The message of every user of the library when it cannot be bound, with a second line naming the library and
// its package.
extern const char* const kLameMissingMessage;

// Loads the library on the first call. A library that lacks one of the calls the program makes counts as
// not loaded: an encoder would call a null entry point in the middle of a run.
bool BindLame();
// The bound entry points; valid once BindLame has succeeded.
const LameEntries& Lame();
// Another file name for the library (tests); the next BindLame loads it.
void SetLameLibraryName(const std::string& fileName);
