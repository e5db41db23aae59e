#include "acs/OggPacketRewrite.h"

#include <cstring>

#include "acs/ACS_Classes.h"
#include "acs/TFileStream.h"
#include "acs/VorbisBinding.h"

namespace {

class PageReader {
 public:
  explicit PageReader(const std::string& path) : FFile(path, TFileStream::Mode::Read) { Vorbis().ogg_sync_init(&FSync); }
  ~PageReader() { Vorbis().ogg_sync_clear(&FSync); }
  PageReader(const PageReader&) = delete;
  PageReader& operator=(const PageReader&) = delete;

  // False at the end of the file; throws where the bytes are no Ogg pages.
  bool Next(ogg_page& page) {
    while (true) {
      int got = Vorbis().ogg_sync_pageout(&FSync, &page);
      if (got == 1) return true;
      if (got < 0) throw EACSException("it holds bytes that are no Ogg page");
      char* buffer = Vorbis().ogg_sync_buffer(&FSync, kChunk);
      std::int64_t read = FFile.Read(buffer, kChunk);
      if (read <= 0) return false;
      Vorbis().ogg_sync_wrote(&FSync, static_cast<long>(read));
    }
  }

 private:
  static constexpr long kChunk = 65536;
  TFileStream FFile;
  ogg_sync_state FSync{};
};

class Stream {
 public:
  explicit Stream(int serial) { Vorbis().ogg_stream_init(&FState, serial); }
  ~Stream() { Vorbis().ogg_stream_clear(&FState); }
  Stream(const Stream&) = delete;
  Stream& operator=(const Stream&) = delete;
  ogg_stream_state* operator->() { return &FState; }
  ogg_stream_state* get() { return &FState; }

 private:
  ogg_stream_state FState{};
};

void WritePage(TFileStream& out, const ogg_page& page) {
  out.WriteBuffer(page.header, page.header_len);
  out.WriteBuffer(page.body, page.body_len);
}

// Pages out every packet put in so far; returns the pages written.
long FlushPages(Stream& stream, TFileStream& out) {
  long pages = 0;
  ogg_page page;
  while (Vorbis().ogg_stream_flush(stream.get(), &page) != 0) {
    WritePage(out, page);
    ++pages;
  }
  return pages;
}

void PutPacket(Stream& stream, OggPacket& bytes, long number, bool last) {
  ogg_packet packet{};
  packet.packet = bytes.data();
  packet.bytes = static_cast<long>(bytes.size());
  packet.b_o_s = number == 0;
  packet.e_o_s = last;
  packet.granulepos = 0;
  packet.packetno = number;
  Vorbis().ogg_stream_packetin(stream.get(), &packet);
}

// The page's sequence number moved by delta, with its checksum made again.
void Renumber(ogg_page& page, long delta) {
  if (delta == 0) return;
  std::uint32_t number = 0;
  for (int i = 0; i < 4; ++i) number |= std::uint32_t(page.header[18 + i]) << (8 * i);
  number += static_cast<std::uint32_t>(delta);
  for (int i = 0; i < 4; ++i) page.header[18 + i] = static_cast<unsigned char>(number >> (8 * i));
  Vorbis().ogg_page_checksum_set(&page);
}

void Rewrite(const std::string& path, const OggPacketReplacer& replace, LinkRule links) {
  const VorbisEntries& v = Vorbis();
  PageReader reader(path);
  ogg_page page;
  if (!reader.Next(page)) throw EACSException("it is no Ogg file");
  const int serial = v.ogg_page_serialno(&page);
  Stream in(serial);
  // The header pages carry no audio: no packet on them ends at a granule position past 0.
  std::vector<OggPacket> headers;
  long headerPages = 0;
  bool audio = true;
  while (v.ogg_page_granulepos(&page) <= 0) {
    if (v.ogg_page_serialno(&page) != serial) throw EACSException("it holds more than one stream");
    v.ogg_stream_pagein(in.get(), &page);
    ++headerPages;
    for (ogg_packet packet; v.ogg_stream_packetout(in.get(), &packet) == 1;)
      headers.emplace_back(packet.packet, packet.packet + packet.bytes);
    if (!reader.Next(page)) {
      audio = false;
      break;
    }
  }
  if (headers.size() < 2) throw EACSException("its stream has no second header packet");
  if (audio && v.ogg_page_continued(&page)) throw EACSException("its headers share a page with its audio");
  headers[1] = replace(headers[1]);

  TFileStream out(path, TFileStream::Mode::Replace, links);
  Stream paged(serial);
  PutPacket(paged, headers[0], 0, !audio && headers.size() == 1);
  long pages = FlushPages(paged, out);  // the first page holds the first header alone
  for (std::size_t k = 1; k < headers.size(); ++k) PutPacket(paged, headers[k], long(k), !audio && k + 1 == headers.size());
  pages += FlushPages(paged, out);
  for (bool more = audio; more; more = reader.Next(page)) {
    if (v.ogg_page_serialno(&page) != serial) throw EACSException("it holds more than one stream");
    Renumber(page, pages - headerPages);
    WritePage(out, page);
  }
  if (!out.Commit()) throw EStreamError("Cannot create file " + path);
}

}  // namespace

void RewriteSecondOggPacket(const std::string& path, const OggPacketReplacer& replace, LinkRule links) {
  CheckVorbisLibraries();
  try {
    Rewrite(path, replace, links);
  } catch (const EACSException& error) {
    throw EACSException(path + ": " + error.what());
  }
}
