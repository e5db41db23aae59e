#include "id3/ID3v2.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <map>

#include "id3/TagFields.h"
#include "tests/data/TestDiscs.h"
#include "tests/id3/TagFiles.h"

using namespace tagfiles;

namespace {

class ID3v2Test : public ::testing::Test {
 protected:
  std::string MakeFile(const std::string& bytes, const std::string& name = "song.mp3") {
    std::string path = FFolder.File(name);
    WriteBytes(path, bytes);
    return path;
  }

  // Reads a file whose version-3 tag holds the given frames.
  TID3v2 ReadFramesOf(const std::string& frames) {
    TID3v2 tag;
    EXPECT_TRUE(tag.ReadTag(MakeFile(Tag(3, frames) + Audio())));
    return tag;
  }

  testdata::TempFolder FFolder;
};

TEST_F(ID3v2Test, WrittenTagsHaveTheExactLayoutWithTheAudioBehind) {
  std::string path = MakeFile(Audio());
  TID3v2 tag;
  tag.SetTitle("Song");
  tag.SetTrack(7);
  tag.SetComment("Nice");
  ASSERT_TRUE(tag.WriteTag(path));
  std::string frames = std::string("TIT2\0\0\0\x05\0\0\0Song", 15) + std::string("TRCK\0\0\0\x02\0\0\0" "7", 12) +
                       std::string("COMM\0\0\0\x09\0\0\0eng\0Nice", 19);
  EXPECT_EQ(std::string("ID3\x03\0\0\0\0\0\x2E", 10) + frames + Audio(), ReadBytes(path));

  ASSERT_TRUE(TID3v2().WriteTag(path));  // nothing to write: the header alone
  EXPECT_EQ(std::string("ID3\x03\0\0\0\0\0\0", 10) + Audio(), ReadBytes(path));
  ASSERT_TRUE(tag.ReadTag(path));
  EXPECT_TRUE(tag.TagExists());
  EXPECT_EQ(10, tag.Size());
  EXPECT_EQ("", tag.Title());

  tag.SetTitle(std::string(20000 - 11, 'a'));  // one frame of 20000 bytes
  ASSERT_TRUE(tag.WriteTag(path));
  EXPECT_EQ(std::string("\x00\x01\x1C\x20", 4), ReadBytes(path).substr(6, 4));
  ASSERT_TRUE(tag.ReadTag(path));
  EXPECT_EQ(20010, tag.Size());
  EXPECT_EQ(std::string(249, 'a'), tag.Title());  // the encoding byte takes one of the 250 bytes read
  EXPECT_EQ(Audio(), ReadBytes(path).substr(20010));
}

TEST_F(ID3v2Test, SettersDropOnlyTrailingControlCharactersAndBlanks) {
  TID3v2 tag;
  tag.SetTitle("  Title \t\r\n");
  tag.SetComment(std::string("x\xA0\0 ", 4));
  EXPECT_EQ("  Title", tag.Title());
  EXPECT_EQ("x\xA0", tag.Comment());  // Latin-1 no-break space is a character like any other
}

TEST_F(ID3v2Test, TrackAndGenreTextsAreInterpreted) {
  const std::map<std::string, int> tracks = {{"3/12", 3}, {"07", 7},    {"A3", 0},    {"300", 44},
                                             {"3 /12", 0}, {"$1F", 31}, {"0x10", 16}, {"", 0}};
  for (const auto& [text, track] : tracks) EXPECT_EQ(track, ReadFramesOf(TextFrame("TRCK", text)).Track()) << text;
  const std::map<std::string, std::string> genres = {
      {"(17)Rock", "Rock"}, {"(17)", ""}, {"(4)(17)Funk", "Funk"}, {"Rock", "Rock"}};
  for (const auto& [text, genre] : genres) EXPECT_EQ(genre, ReadFramesOf(TextFrame("TCON", text)).Genre()) << text;
}

TEST_F(ID3v2Test, FrameReadsStopAt250BytesAndTheLastFrameWins) {
  TID3v2 tag = ReadFramesOf(TextFrame("TIT2", "first") + TextFrame("TIT2", "second") +
                            Frame("COMM", std::string("\0eng\0", 5) + std::string(250, 'c')) +
                            Frame("TALB", std::string("\0a", 2)));
  EXPECT_EQ("second", tag.Title());
  EXPECT_EQ(std::string(245, 'c'), tag.Comment());
  EXPECT_EQ("a", tag.Album());  // found after a frame longer than what is read of it

  TID3v2 described = ReadFramesOf(Frame("COMM", std::string("\0engdesc\0text", 13)));
  EXPECT_EQ("text", described.Comment());  // the description is not the comment
  TID3v2 wide = ReadFramesOf(Frame("TIT2", std::string("\x01\xFF\xFE" "A\0\xE9\0\xAC\x20", 9)));
  EXPECT_EQ("A\xE9?", wide.Title());  // UTF-16 in Latin-1, "?" for the euro sign
}

TEST_F(ID3v2Test, ParsingStopsQuietlyAtPaddingExtendedHeadersAndBrokenFrames) {
  const std::string title = TextFrame("TIT2", "t");
  for (const std::string& rest : {std::string(100, '\0') + TextFrame("TPE1", "a"),
                                  "TPE1" + std::string("\x80\0\0\x02\0\0\0a", 8),  // size with its top bit set
                                  "TPE1" + BigEndian32(100) + std::string(2, '\0') + "abc"}) {  // past the end
    TID3v2 tag;
    ASSERT_TRUE(tag.ReadTag(MakeFile(Tag(3, title + rest))));
    EXPECT_EQ("t", tag.Title());
    EXPECT_EQ("", tag.Artist());
  }
  // An extended header starts with its size, whose first byte is no letter.
  EXPECT_EQ("", ReadFramesOf(std::string("\0\0\0\x06\0\0\0\0\0\0", 10) + title).Title());
}

// Tags of versions 2 and 4 are read and rewritten, version 2 as version 3, version 4 as version 4, with every
// frame the rewrite does not change as it was, items left alone included (the title keeps the euro sign
// that Latin-1 lacks); a version-4 footer goes with its tag.
TEST_F(ID3v2Test, OtherVersionsAreReadAndRewrittenKeepingTheirOtherFrames) {
  const std::string picture = std::string("\0image/png\0\x03\0", 13) + "PNGDATA";
  const std::string utf8Title = std::string("\x03" "Caf\xC3\xA9 \xE2\x82\xAC", 10);
  const std::string v2Frames = std::string("TT2\0\0\x02\0t", 8) + std::string("PIC\0\0\x0D\0PNG\x03\0", 12) +
                               "PNGDATA" + std::string("TCM\0\0\x05\0Bach", 11);
  const std::string v4Frames = Frame("TIT2", utf8Title) + Frame("APIC", picture) + TextFrame("TDRC", "2001-05") +
                               TextFrame("TCOM", "Bach");
  const std::string kept = Frame("APIC", picture) + TextFrame("TCOM", "Bach");
  for (int version : {2, 4}) {
    std::string oldTag = Tag(version, (version == 2 ? v2Frames : v4Frames) + std::string(50, '\0'));
    std::string path = MakeFile(oldTag + Audio());
    TID3v2 tag;
    ASSERT_TRUE(tag.ReadTag(path));
    EXPECT_EQ(version, tag.Version());
    EXPECT_EQ(static_cast<int>(oldTag.size()), tag.Size());
    EXPECT_EQ(version == 2 ? "t" : "Caf\xE9 ?", tag.Title());
    tag.SetAlbum("New");
    ASSERT_TRUE(tag.WriteTag(path));
    std::string items = (version == 2 ? TextFrame("TIT2", "t") : Frame("TIT2", utf8Title)) + TextFrame("TALB", "New");
    if (version == 4) items += TextFrame("TDRC", "2001-05");
    EXPECT_EQ(Tag(version == 2 ? 3 : 4, items + kept),
              ReadBytes(path).substr(0, ReadBytes(path).size() - Audio().size())) << version;
  }
  std::string footed = Tag(4, TextFrame("TIT2", "t"));
  footed[5] = 0x10;
  std::string path = MakeFile(footed + "3DI" + footed.substr(3, 7) + Audio());
  ASSERT_TRUE(TID3v2().RemoveTag(path));
  EXPECT_EQ(Audio(), ReadBytes(path));
}

TEST_F(ID3v2Test, AHeaderLargerThanTheFileCountsAsAudio) {
  std::string old = Tag(3, TextFrame("TIT2", "t"), 100000) + Audio(100);
  std::string path = MakeFile(old);
  TID3v2 tag;
  ASSERT_TRUE(tag.ReadTag(path));
  EXPECT_TRUE(tag.TagExists());
  EXPECT_EQ(0, tag.Size());
  EXPECT_EQ("", tag.Title());
  ASSERT_TRUE(tag.RemoveTag(path));
  EXPECT_EQ(old, ReadBytes(path));
  tag.SetTitle("x");
  ASSERT_TRUE(tag.WriteTag(path));
  EXPECT_EQ(Tag(3, TextFrame("TIT2", "x")) + old, ReadBytes(path));

  std::string exact = Tag(3, TextFrame("TIT2", "t"));  // ends exactly at the end of the file
  ASSERT_TRUE(tag.ReadTag(MakeFile(exact)));
  EXPECT_EQ(static_cast<int>(exact.size()), tag.Size());
}

TEST_F(ID3v2Test, FilesWithoutATagShortFilesAndMissingFiles) {
  std::string plain = MakeFile(Audio());
  TID3v2 tag;
  tag.SetTitle("stale");
  ASSERT_TRUE(tag.ReadTag(plain));
  EXPECT_FALSE(tag.TagExists());
  EXPECT_EQ("", tag.Title());
  EXPECT_FALSE(tag.RemoveTag(plain));
  EXPECT_EQ(Audio(), ReadBytes(plain));

  for (std::string path : {MakeFile("", "empty.mp3"), MakeFile(std::string("ID3\x03\0\0\0\0\0", 9), "nine.mp3"),
                           FFolder.File("missing.mp3")}) {
    tag.SetTitle("stale");
    EXPECT_FALSE(tag.ReadTag(path));
    EXPECT_EQ("", tag.Title());
    tag.SetTitle("t");
    EXPECT_FALSE(tag.WriteTag(path));
    EXPECT_FALSE(tag.RemoveTag(path));
    EXPECT_FALSE(Exists(path + "~"));
  }
  EXPECT_EQ(9u, ReadBytes(FFolder.File("nine.mp3")).size());
  EXPECT_FALSE(Exists(FFolder.File("missing.mp3")));
}

TEST_F(ID3v2Test, AReadOnlyFileIsMadeWritableAndKeepsItsOtherPermissions) {
  std::string path = MakeFile(Audio());
  ASSERT_EQ(0, chmod(path.c_str(), 0444));
  TID3v2 tag;
  tag.SetTitle("t");
  ASSERT_TRUE(tag.WriteTag(path));
  struct stat status {};
  ASSERT_EQ(0, stat(path.c_str(), &status));
  EXPECT_EQ(0644u, status.st_mode & 07777);
  EXPECT_EQ(Tag(3, TextFrame("TIT2", "t")) + Audio(), ReadBytes(path));
}

TEST_F(ID3v2Test, ALeftoverBufferFileIsReplacedAndALinkThereIsNotFollowed) {
  std::string path = MakeFile(Audio());
  WriteBytes(path + "~", std::string(100000, 'x'));
  TID3v2 tag;
  tag.SetTitle("t");
  ASSERT_TRUE(tag.WriteTag(path));
  EXPECT_EQ(Tag(3, TextFrame("TIT2", "t")) + Audio(), ReadBytes(path));
  EXPECT_FALSE(Exists(path + "~"));

  std::string victim = MakeFile("precious", "victim.txt");
  ASSERT_EQ(0, symlink(victim.c_str(), (path + "~").c_str()));
  ASSERT_TRUE(tag.RemoveTag(path));
  EXPECT_EQ(Audio(), ReadBytes(path));
  EXPECT_EQ("precious", ReadBytes(victim));
}

// Through a symbolic or a hard link the one real file gets the tag, with its owner, group and mode.
TEST_F(ID3v2Test, LinksRewriteTheFileTheyNameWhichKeepsItsOwnerAndMode) {
  std::string real = MakeFile(Audio(), "real.mp3"), hard = FFolder.File("hard.mp3"), soft = FFolder.File("soft.mp3");
  ASSERT_EQ(0, chown(real.c_str(), 65534, 65534));
  ASSERT_EQ(0, chmod(real.c_str(), 0664));
  ASSERT_EQ(0, symlink(real.c_str(), soft.c_str()));
  TID3v2 tag;
  tag.SetTitle("soft");
  ASSERT_TRUE(tag.WriteTag(soft));
  ASSERT_EQ(0, link(real.c_str(), hard.c_str()));
  tag.SetTitle("hard");
  ASSERT_TRUE(tag.WriteTag(hard));
  for (const std::string& path : {real, soft}) EXPECT_EQ(Tag(3, TextFrame("TIT2", "hard")) + Audio(), ReadBytes(path));
  struct stat status {}, link {};
  ASSERT_EQ(0, stat(real.c_str(), &status));
  ASSERT_EQ(0, lstat(soft.c_str(), &link));
  EXPECT_TRUE(S_ISLNK(link.st_mode));
  EXPECT_EQ(2u, status.st_nlink);
  EXPECT_EQ(65534u, status.st_uid);
  EXPECT_EQ(65534u, status.st_gid);
  EXPECT_EQ(0664u, status.st_mode & 07777);
  EXPECT_FALSE(Exists(real + "~") || Exists(soft + "~") || Exists(hard + "~"));
}

TEST_F(ID3v2Test, AFileLockedByAnotherProcessIsLeftAlone) {
  std::string original = Tag(3, TextFrame("TIT2", "old")) + Audio();
  std::string path = MakeFile(original);
  TID3v2 tag;
  tag.SetTitle("new");
  {
    ForeignLock lock(path);
    ASSERT_TRUE(lock.Holding());
    EXPECT_FALSE(tag.WriteTag(path));
    EXPECT_FALSE(tag.RemoveTag(path));
    EXPECT_EQ(original, ReadBytes(path));
    EXPECT_FALSE(Exists(path + "~"));
  }
  EXPECT_TRUE(tag.WriteTag(path));
}

TEST_F(ID3v2Test, AFailureAfterTheBufferIsWrittenLeavesTheOriginal) {
  std::string original = Tag(4, TextFrame("TIT2", "old")) + Audio();
  std::string path = MakeFile(original);
  std::string buffered;
  SetFileReplacer([&buffered](const std::string& bufferName, const std::string&) {
    buffered = ReadBytes(bufferName);
    return false;
  });
  TID3v2 tag;
  tag.SetTitle("new");
  bool written = tag.WriteTag(path);
  SetFileReplacer({});
  EXPECT_FALSE(written);
  EXPECT_EQ(Tag(3, TextFrame("TIT2", "new")) + Audio(), buffered);
  EXPECT_EQ(original, ReadBytes(path));
  EXPECT_FALSE(Exists(path + "~"));
}

TEST(TextConversionTest, IntegersNeedTheWholeTextAndLatin1LacksMostCharacters) {
  const std::map<std::string, std::int32_t> numbers = {{"  12", 12}, {"+5", 5},         {"-$10", -16},
                                                       {"X1F", 31},  {"0x1f", 31},      {"-2147483648", INT32_MIN}};
  for (const auto& [text, expected] : numbers) {
    std::int32_t value = 0;
    EXPECT_TRUE(TextToInteger(text, value)) << text;
    EXPECT_EQ(expected, value) << text;
  }
  std::int32_t value = 0;
  for (const char* text : {"12 ", "", "0x", "1.5", "2147483648", "99999999999999999999"})
    EXPECT_FALSE(TextToInteger(text, value)) << text;

  EXPECT_EQ("Caf\xC3\xA9 \xC3\xBF", Latin1ToUtf8("Caf\xE9 \xFF"));
  EXPECT_EQ("Caf\xE9 ? ? ?", Utf8ToLatin1("Caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x8E\xB5 \xC4\x80"));
  EXPECT_EQ("?a?", Utf8ToLatin1("\xC3" "a\xFF"));  // broken sequences
}

// mutagen (python3-mutagen) is the independent reader and writer; it prints "key<TAB>value" lines.
std::map<std::string, std::string> Mutagen(const std::string& arguments) {
  std::string command = std::string(QUILLON_PYTHON) + " " + MUTAGEN_TAGS + " " + arguments + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  std::string out;
  std::array<char, 4096> chunk;
  for (std::size_t got; (got = std::fread(chunk.data(), 1, chunk.size(), pipe)) > 0;) out.append(chunk.data(), got);
  EXPECT_EQ(0, pclose(pipe)) << command << "\n" << out;
  std::map<std::string, std::string> values;
  std::istringstream lines(out);
  for (std::string line; std::getline(lines, line);)
    if (std::size_t tab = line.find('\t'); tab != std::string::npos) values[line.substr(0, tab)] = line.substr(tab + 1);
  return values;
}

TEST_F(ID3v2Test, TagsGoBothWaysBetweenOursAndMutagen) {
  std::string path = MakeFile(Audio());
  TID3v2 tag;
  tag.SetTitle("Caf\xE9 Noir");
  tag.SetArtist("Artist");
  tag.SetAlbum("Album");
  tag.SetTrack(5);
  tag.SetYear("1999");
  tag.SetGenre("Jazz");
  tag.SetComment("Tr\xE8s bien");
  ASSERT_TRUE(tag.WriteTag(path));
  std::map<std::string, std::string> values = {
      {"version", "2.3"},   {"size", std::to_string(ReadBytes(path).size() - Audio().size())},
      {"title", "Caf\xC3\xA9 Noir"}, {"artist", "Artist"}, {"album", "Album"}, {"track", "5"},
      {"year", "1999"},     {"genre", "Jazz"}, {"comment", "Tr\xC3\xA8s bien"}};
  EXPECT_EQ(values, Mutagen("read '" + path + "'"));

  // mutagen pads its tags; both versions are read, and rewritten as version 3.
  for (int version : {3, 4}) {
    WriteBytes(path, Audio());
    Mutagen("write '" + path + "' " + std::to_string(version) +
            " 'Caf\xC3\xA9 Noir' Artist Album 5 1999 Jazz 'Tr\xC3\xA8s bien'");
    TID3v2 read;
    ASSERT_TRUE(read.ReadTag(path));
    EXPECT_EQ(version, read.Version());
    EXPECT_EQ(Mutagen("read '" + path + "'")["size"], std::to_string(read.Size()));
    const std::array<std::string, 7> items = {read.Title(), read.Artist(), read.Album(), std::to_string(read.Track()),
                                              read.Year(),  read.Genre(),  read.Comment()};
    const std::array<std::string, 7> parsed = {"Caf\xE9 Noir", "Artist", "Album", "5", "1999", "Jazz", "Tr\xE8s bien"};
    EXPECT_EQ(parsed, items);
    ASSERT_TRUE(tag.WriteTag(path));
    EXPECT_EQ(values, Mutagen("read '" + path + "'"));
    EXPECT_EQ(Audio(), ReadBytes(path).substr(std::stoi(values["size"])));
    ASSERT_TRUE(tag.RemoveTag(path));
    EXPECT_EQ(Audio(), ReadBytes(path));
  }
}

// A version-4 tag stays version 4, with its date and the frames only version 4 has; a version-3 tag keeps a
// full date as year (TYER) and day and month (TDAT). mutagen reads both in version-4 terms.
TEST_F(ID3v2Test, RewritesKeepTheTagsVersionAndItsDate) {
  std::string path = MakeFile(Audio());
  Mutagen("dated '" + path + "'");
  std::map<std::string, std::string> frames = Mutagen("frames '" + path + "'");
  TID3v2 tag;
  ASSERT_TRUE(tag.ReadTag(path));
  EXPECT_EQ("2004-05-06", tag.Year());
  tag.SetArtist("Artist");
  ASSERT_TRUE(tag.WriteTag(path));
  frames["TPE1"] = "Artist";
  EXPECT_EQ(frames, Mutagen("frames '" + path + "'"));
  tag.SetYear("2005-07-08");
  ASSERT_TRUE(tag.WriteTag(path));
  frames["TDRC"] = "2005-07-08";
  EXPECT_EQ(frames, Mutagen("frames '" + path + "'"));

  WriteBytes(path, Audio());
  TID3v2 fresh;
  fresh.SetTitle("T");
  fresh.SetYear("2004-05-06");
  ASSERT_TRUE(fresh.WriteTag(path));
  EXPECT_NE(std::string::npos, ReadBytes(path).find(TextFrame("TYER", "2004") + TextFrame("TDAT", "0605")));
  using Frames = std::map<std::string, std::string>;
  EXPECT_EQ((Frames{{"version", "2.3"}, {"TIT2", "T"}, {"TDRC", "2004-05-06"}}), Mutagen("frames '" + path + "'"));
  ASSERT_TRUE(fresh.ReadTag(path));
  fresh.SetYear("1999-12");  // no day: the old day and month go
  ASSERT_TRUE(fresh.WriteTag(path));
  EXPECT_EQ((Frames{{"version", "2.3"}, {"TIT2", "T"}, {"TDRC", "1999"}}), Mutagen("frames '" + path + "'"));
}

}  // namespace
