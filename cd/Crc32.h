#pragma once
// CRC-32 (zlib's) of bytes, and of two stretches one after the other from the CRCs of each.

#include <libdeflate.h>
#include <zlib.h>

#include <cstddef>
#include <cstdint>

// The CRC of the bytes before (whose CRC is crc) followed by these; libdeflate's is the same as zlib's,
// several times as fast.
inline std::uint32_t Crc32(std::uint32_t crc, const std::uint8_t* bytes, std::size_t count) {
  return libdeflate_crc32(crc, bytes, count);
}

// The CRC of a stretch followed by another of secondBytes bytes. Since CRC-32 is linear, it also takes a
// stretch off the front: Crc32Combine(crc of A, crc of AB, bytes of B) is the CRC of B.
inline std::uint32_t Crc32Combine(std::uint32_t first, std::uint32_t second, std::uint64_t secondBytes) {
  return static_cast<std::uint32_t>(crc32_combine(first, second, static_cast<z_off_t>(secondBytes)));
}
