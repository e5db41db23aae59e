#pragma once
// The Ogg and Vorbis libraries, bound by name once at program start. The names the components report
// when a library is missing are those the program has always used for them.

#define OV_EXCLUDE_STATIC_CALLBACKS
#include <ogg/ogg.h>
#include <vorbis/codec.h>
#include <vorbis/vorbisenc.h>
#include <vorbis/vorbisfile.h>

#include <string>

struct VorbisLibraryNames {
  std::string ogg = "libogg.so.0";
  std::string vorbis = "libvorbis.so.0";
  std::string vorbisfile = "libvorbisfile.so.3";
  std::string vorbisenc = "libvorbisenc.so.2";
};

// Loads the four libraries; a library lacking an entry point the components call counts as not loaded.
// Call it before any Ogg Vorbis component exists (it replaces an earlier binding).
void BindVorbisLibraries(const VorbisLibraryNames& names = {});
void ReleaseVorbisLibraries();

// Throws EACSException naming the first library (ogg, vorbis, vorbisfile, vorbisenc) that is not loaded.
void CheckVorbisLibraries();

struct VorbisEntries {
  decltype(&::ogg_stream_init) ogg_stream_init = nullptr;
  decltype(&::ogg_stream_packetin) ogg_stream_packetin = nullptr;
  decltype(&::ogg_stream_pageout) ogg_stream_pageout = nullptr;
  decltype(&::ogg_stream_flush) ogg_stream_flush = nullptr;
  decltype(&::ogg_page_eos) ogg_page_eos = nullptr;
  decltype(&::ogg_stream_clear) ogg_stream_clear = nullptr;

  decltype(&::vorbis_info_init) vorbis_info_init = nullptr;
  decltype(&::vorbis_info_clear) vorbis_info_clear = nullptr;
  decltype(&::vorbis_comment_init) vorbis_comment_init = nullptr;
  decltype(&::vorbis_comment_add_tag) vorbis_comment_add_tag = nullptr;
  decltype(&::vorbis_comment_clear) vorbis_comment_clear = nullptr;
  decltype(&::vorbis_analysis_init) vorbis_analysis_init = nullptr;
  decltype(&::vorbis_block_init) vorbis_block_init = nullptr;
  decltype(&::vorbis_analysis_headerout) vorbis_analysis_headerout = nullptr;
  decltype(&::vorbis_analysis_buffer) vorbis_analysis_buffer = nullptr;
  decltype(&::vorbis_analysis_wrote) vorbis_analysis_wrote = nullptr;
  decltype(&::vorbis_analysis_blockout) vorbis_analysis_blockout = nullptr;
  decltype(&::vorbis_analysis) vorbis_analysis = nullptr;
  decltype(&::vorbis_bitrate_addblock) vorbis_bitrate_addblock = nullptr;
  decltype(&::vorbis_bitrate_flushpacket) vorbis_bitrate_flushpacket = nullptr;
  decltype(&::vorbis_block_clear) vorbis_block_clear = nullptr;
  decltype(&::vorbis_dsp_clear) vorbis_dsp_clear = nullptr;

  decltype(&::ov_open_callbacks) ov_open_callbacks = nullptr;
  decltype(&::ov_info) ov_info = nullptr;
  decltype(&::ov_pcm_total) ov_pcm_total = nullptr;
  decltype(&::ov_time_total) ov_time_total = nullptr;
  decltype(&::ov_seekable) ov_seekable = nullptr;
  decltype(&::ov_time_seek) ov_time_seek = nullptr;
  decltype(&::ov_read) ov_read = nullptr;
  decltype(&::ov_clear) ov_clear = nullptr;

  decltype(&::vorbis_encode_init_vbr) vorbis_encode_init_vbr = nullptr;

  // Reading pages back, for rewriting a stream's headers.
  decltype(&::ogg_sync_init) ogg_sync_init = nullptr;
  decltype(&::ogg_sync_clear) ogg_sync_clear = nullptr;
  decltype(&::ogg_sync_buffer) ogg_sync_buffer = nullptr;
  decltype(&::ogg_sync_wrote) ogg_sync_wrote = nullptr;
  decltype(&::ogg_sync_pageout) ogg_sync_pageout = nullptr;
  decltype(&::ogg_stream_pagein) ogg_stream_pagein = nullptr;
  decltype(&::ogg_stream_packetout) ogg_stream_packetout = nullptr;
  decltype(&::ogg_page_serialno) ogg_page_serialno = nullptr;
  decltype(&::ogg_page_granulepos) ogg_page_granulepos = nullptr;
  decltype(&::ogg_page_continued) ogg_page_continued = nullptr;
  decltype(&::ogg_page_checksum_set) ogg_page_checksum_set = nullptr;
};

// The bound entry points; valid once CheckVorbisLibraries has passed.
const VorbisEntries& Vorbis();
