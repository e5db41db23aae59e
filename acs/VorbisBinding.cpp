#include "acs/VorbisBinding.h"

#include "acs/ACS_Classes.h"
#include "platform/dynlib/DynamicLibrary.h"

namespace {

struct Binding {
  DynamicLibrary ogg, vorbis, vorbisfile, vorbisenc;
  bool oggLoaded = false, vorbisLoaded = false, vorbisfileLoaded = false, vorbisencLoaded = false;
  VorbisEntries entries;
};

Binding& TheBinding() {
  static Binding binding;
  return binding;
}

// A missing entry point makes the whole library count as not loaded.
#define RESOLVE(library, flag, name) b.library.Resolve(#name, b.entries.name, b.flag)

bool LoadOgg(Binding& b, const std::string& name) {
  b.oggLoaded = b.ogg.Load(name);
  RESOLVE(ogg, oggLoaded, ogg_stream_init);
  RESOLVE(ogg, oggLoaded, ogg_stream_packetin);
  RESOLVE(ogg, oggLoaded, ogg_stream_pageout);
  RESOLVE(ogg, oggLoaded, ogg_stream_flush);
  RESOLVE(ogg, oggLoaded, ogg_page_eos);
  RESOLVE(ogg, oggLoaded, ogg_stream_clear);
  RESOLVE(ogg, oggLoaded, ogg_sync_init);
  RESOLVE(ogg, oggLoaded, ogg_sync_clear);
  RESOLVE(ogg, oggLoaded, ogg_sync_buffer);
  RESOLVE(ogg, oggLoaded, ogg_sync_wrote);
  RESOLVE(ogg, oggLoaded, ogg_sync_pageout);
  RESOLVE(ogg, oggLoaded, ogg_stream_pagein);
  RESOLVE(ogg, oggLoaded, ogg_stream_packetout);
  RESOLVE(ogg, oggLoaded, ogg_page_serialno);
  RESOLVE(ogg, oggLoaded, ogg_page_granulepos);
  RESOLVE(ogg, oggLoaded, ogg_page_continued);
  RESOLVE(ogg, oggLoaded, ogg_page_checksum_set);
  return b.oggLoaded;
}

bool LoadVorbis(Binding& b, const std::string& name) {
  b.vorbisLoaded = b.vorbis.Load(name);
  RESOLVE(vorbis, vorbisLoaded, vorbis_info_init);
  RESOLVE(vorbis, vorbisLoaded, vorbis_info_clear);
  RESOLVE(vorbis, vorbisLoaded, vorbis_comment_init);
  RESOLVE(vorbis, vorbisLoaded, vorbis_comment_add_tag);
  RESOLVE(vorbis, vorbisLoaded, vorbis_comment_clear);
  RESOLVE(vorbis, vorbisLoaded, vorbis_analysis_init);
  RESOLVE(vorbis, vorbisLoaded, vorbis_block_init);
  RESOLVE(vorbis, vorbisLoaded, vorbis_analysis_headerout);
  RESOLVE(vorbis, vorbisLoaded, vorbis_analysis_buffer);
  RESOLVE(vorbis, vorbisLoaded, vorbis_analysis_wrote);
  RESOLVE(vorbis, vorbisLoaded, vorbis_analysis_blockout);
  RESOLVE(vorbis, vorbisLoaded, vorbis_analysis);
  RESOLVE(vorbis, vorbisLoaded, vorbis_bitrate_addblock);
  RESOLVE(vorbis, vorbisLoaded, vorbis_bitrate_flushpacket);
  RESOLVE(vorbis, vorbisLoaded, vorbis_block_clear);
  RESOLVE(vorbis, vorbisLoaded, vorbis_dsp_clear);
  return b.vorbisLoaded;
}

bool LoadVorbisfile(Binding& b, const std::string& name) {
  b.vorbisfileLoaded = b.vorbisfile.Load(name);
  RESOLVE(vorbisfile, vorbisfileLoaded, ov_open_callbacks);
  RESOLVE(vorbisfile, vorbisfileLoaded, ov_info);
  RESOLVE(vorbisfile, vorbisfileLoaded, ov_pcm_total);
  RESOLVE(vorbisfile, vorbisfileLoaded, ov_time_total);
  RESOLVE(vorbisfile, vorbisfileLoaded, ov_seekable);
  RESOLVE(vorbisfile, vorbisfileLoaded, ov_time_seek);
  RESOLVE(vorbisfile, vorbisfileLoaded, ov_read);
  RESOLVE(vorbisfile, vorbisfileLoaded, ov_clear);
  return b.vorbisfileLoaded;
}

bool LoadVorbisenc(Binding& b, const std::string& name) {
  b.vorbisencLoaded = b.vorbisenc.Load(name);
  RESOLVE(vorbisenc, vorbisencLoaded, vorbis_encode_init_vbr);
  return b.vorbisencLoaded;
}

#undef RESOLVE

}  // namespace

void BindVorbisLibraries(const VorbisLibraryNames& names) {
  Binding& b = TheBinding();
  b.entries = VorbisEntries{};
  LoadOgg(b, names.ogg);
  LoadVorbis(b, names.vorbis);
  LoadVorbisfile(b, names.vorbisfile);
  LoadVorbisenc(b, names.vorbisenc);
}

void ReleaseVorbisLibraries() {
  Binding& b = TheBinding();
  b.entries = VorbisEntries{};
  b.oggLoaded = b.vorbisLoaded = b.vorbisfileLoaded = b.vorbisencLoaded = false;
  b.vorbisenc.Release();
  b.vorbisfile.Release();
  b.vorbis.Release();
  b.ogg.Release();
}

void CheckVorbisLibraries() {
  const Binding& b = TheBinding();
  if (!b.oggLoaded) throw EACSException("ogg.dll library could not be loaded.");
  if (!b.vorbisLoaded) throw EACSException("vorbis.dll library could not be loaded.");
  if (!b.vorbisfileLoaded) throw EACSException("vorbisfile.dll library could not be loaded.");
  if (!b.vorbisencLoaded) throw EACSException("vorbisenc.dll library could not be loaded.");
}

const VorbisEntries& Vorbis() { return TheBinding().entries; }
