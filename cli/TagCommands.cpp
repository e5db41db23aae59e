#include "cli/TagCommands.h"

#include <cstdio>
#include <filesystem>
#include <map>

#include "cli/CliSupport.h"
#include "cli/Usage.h"
#include "id3/ID3v2.h"
#include "id3/TagFields.h"
#include "platform/files/FileChecks.h"

namespace {

bool FileExists(const std::string& file) {
  std::error_code ignored;
  return std::filesystem::exists(file, ignored);
}

// A folder, a FIFO or a device holds no tag; the FIFO would keep the command waiting for a writer.
bool IsOtherThanAFile(const std::string& file) { return FileExists(file) && !IsRegularFile(file); }

int NotAFile(const std::string& file) { return Fail("Cannot open file " + file + ": " + OpenFailureReason(file)); }

void PrintLine(const char* label, const std::string& value) {
  if (value.empty())
    std::printf("%s\n", label);
  else
    std::printf("%s %s\n", label, value.c_str());
}

int Show(const std::string& file) {
  if (!FileExists(file)) return Fail("The file does not exist: " + file);
  if (IsOtherThanAFile(file)) return NotAFile(file);
  TID3v2 tag;
  if (!tag.ReadTag(file)) return Fail("Can not read tag from the file: " + file);
  const TagDisplay display = DisplayTag(tag);
  PrintLine("Tag exists:", display.TagExists);
  PrintLine("Version:", display.Version);
  PrintLine("Size:", display.Size);
  PrintLine("Title:", display.Fields.Title);
  PrintLine("Artist:", display.Fields.Artist);
  PrintLine("Album:", display.Fields.Album);
  PrintLine("Track:", display.Fields.Track);
  PrintLine("Year:", display.Fields.Year);
  PrintLine("Genre:", display.Fields.Genre);
  PrintLine("Comment:", display.Fields.Comment);
  return 0;
}

// Items not given keep what the editor would show for the file, so one option changes one item.
int Write(const std::string& file, const std::vector<std::string>& options) {
  TID3v2 tag;
  tag.ReadTag(file);  // a file without a readable version-3 tag starts from empty fields
  TagFieldTexts fields = DisplayTag(tag).Fields;
  const std::map<std::string, std::string*> targets = {
      {"--title", &fields.Title}, {"--artist", &fields.Artist}, {"--album", &fields.Album},
      {"--track", &fields.Track}, {"--year", &fields.Year},     {"--genre", &fields.Genre},
      {"--comment", &fields.Comment}};
  for (std::size_t i = 0; i < options.size(); i += 2) {
    auto target = targets.find(options[i]);
    if (target == targets.end()) WrongArgument("unknown option " + options[i]);
    else if (i + 1 == options.size()) WrongArgument(options[i] + " needs a value");
    if (target == targets.end() || i + 1 == options.size()) return UsageError("tag");
    // The tag's items hold Latin-1: a text it cannot hold is refused rather than stored with "?" for it.
    if (Latin1ToUtf8(Utf8ToLatin1(options[i + 1])) != options[i + 1])
      return Fail(options[i] + " \"" + options[i + 1] + "\" has characters that a Latin-1 tag item cannot hold; " +
                  "the file was left as it was");
    *target->second = options[i + 1];
  }
  if (IsOtherThanAFile(file)) return NotAFile(file);
  StoreFields(fields, tag);
  if (IsOtherAudioFile(file)) return Fail("The file is not an MP3 file: " + file);
  if (!FileExists(file) || !tag.WriteTag(file)) return Fail("Can not save tag to the file: " + file);
  return 0;
}

int Remove(const std::string& file) {
  if (IsOtherThanAFile(file)) return NotAFile(file);
  TID3v2 tag;
  if (!FileExists(file) || !tag.RemoveTag(file)) return Fail("Can not remove tag from the file: " + file);
  return 0;
}

}  // namespace

int RunTag(const std::vector<std::string>& args) {
  if (args.size() == 2 && args[0] == "show") return Show(args[1]);
  if (args.size() == 2 && args[0] == "remove") return Remove(args[1]);
  if (args.size() >= 2 && args[0] == "write") return Write(args[1], {args.begin() + 2, args.end()});
  if (args.empty()) WrongArgument("show, write or remove is missing");
  else if (args[0] != "show" && args[0] != "write" && args[0] != "remove") WrongArgument("no such tag command: " + args[0]);
  else WrongArgument(args.size() == 1 ? "FILE is missing" : "unexpected argument " + args[2]);
  return UsageError("tag");
}
