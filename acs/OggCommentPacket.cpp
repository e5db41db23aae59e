#include "acs/OggCommentPacket.h"

#include <algorithm>
#include <cstdint>
#include <strings.h>

#include "acs/ACS_Classes.h"

namespace {

class PacketReader {
 public:
  PacketReader(const OggPacket& packet, std::size_t position) : FPacket(packet), FPosition(position) {}

  std::uint32_t Length() {
    Need(4);
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value |= std::uint32_t(FPacket[FPosition + std::size_t(i)]) << (8 * i);
    FPosition += 4;
    return value;
  }
  std::string Text() {
    std::uint32_t length = Length();
    Need(length);
    std::string text(FPacket.begin() + std::ptrdiff_t(FPosition), FPacket.begin() + std::ptrdiff_t(FPosition + length));
    FPosition += length;
    return text;
  }
  OggPacket Rest() const { return OggPacket(FPacket.begin() + std::ptrdiff_t(FPosition), FPacket.end()); }

 private:
  void Need(std::size_t bytes) const {
    if (FPacket.size() - FPosition < bytes) throw EACSException("its comment header is damaged");
  }

  const OggPacket& FPacket;
  std::size_t FPosition;
};

void PutLength(OggPacket& out, std::size_t length) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<unsigned char>(length >> (8 * i)));
}

void PutText(OggPacket& out, const std::string& text) {
  PutLength(out, text.size());
  out.insert(out.end(), text.begin(), text.end());
}

bool NamedAny(const std::string& comment, const std::vector<CommentField>& fields) {
  return std::any_of(fields.begin(), fields.end(), [&](const CommentField& field) {
    return comment.size() > field.first.size() && comment[field.first.size()] == '=' &&
           strncasecmp(comment.c_str(), field.first.c_str(), field.first.size()) == 0;
  });
}

}  // namespace

OggPacket WithCommentFields(const OggPacket& packet, const std::string& magic, const std::vector<CommentField>& fields) {
  if (packet.size() < magic.size() || !std::equal(magic.begin(), magic.end(), packet.begin()))
    throw EACSException("its second packet is no comment header");
  PacketReader reader(packet, magic.size());
  const std::string vendor = reader.Text();
  std::vector<std::string> comments;
  for (std::uint32_t count = reader.Length(); count > 0; --count) {
    std::string comment = reader.Text();
    if (!NamedAny(comment, fields)) comments.push_back(std::move(comment));
  }
  for (const auto& [name, value] : fields) comments.push_back(name + "=" + value);
  OggPacket out(magic.begin(), magic.end());
  PutText(out, vendor);
  PutLength(out, comments.size());
  for (const std::string& comment : comments) PutText(out, comment);
  const OggPacket rest = reader.Rest();
  out.insert(out.end(), rest.begin(), rest.end());
  return out;
}
