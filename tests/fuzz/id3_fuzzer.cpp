// An MP3 file with an ID3v2 tag: the tag read, written back and removed, and the audio after it kept.

#include <cstdlib>

#include "id3/ID3v2.h"
#include "tests/fuzz/FuzzFiles.h"

namespace {

// Where the audio starts: after a tag whose size fits the file, else at the first byte.
std::string AudioOf(const std::string& file) {
  TagInfo tag;
  std::string bytes = fuzzfiles::ReadFile(file);
  if (!ReadTagHeader(file, tag) || bytes.compare(0, 3, "ID3") != 0) return bytes;
  return bytes.substr(static_cast<std::size_t>(TagTotalSize(tag)));
}

void Expect(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string file = (fuzzfiles::ClearScratch() / "input.mp3").string();
  fuzzfiles::WriteFile(file, {reinterpret_cast<const char*>(data), size});
  const std::string audio = AudioOf(file);

  const std::string input = fuzzfiles::ReadFile(file);
  TID3v2 tag;
  if (!tag.ReadTag(file)) return 0;
  if (!tag.WriteTag(file)) {  // refused (a file that is not MP3, say): left as it was
    Expect(fuzzfiles::ReadFile(file) == input);
    return 0;
  }
  Expect(AudioOf(file) == audio);
  TID3v2 written;
  // A version-2.4 tag stays one; any other is written as version 2.3.
  Expect(written.ReadTag(file) && written.TagExists() &&
         (written.Version() == 3 || (written.Version() == 4 && tag.Version() == 4)));
  Expect(tag.RemoveTag(file));
  Expect(fuzzfiles::ReadFile(file) == audio);
  return 0;
}
