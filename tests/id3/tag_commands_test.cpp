#include <gtest/gtest.h>

#include "tests/data/TestDiscs.h"
#include "tests/data/TestProcess.h"
#include "tests/id3/TagFiles.h"

using namespace tagfiles;

namespace {

using Result = testdata::ProcessResult;

Result RunCli(const std::string& arguments) { return testdata::RunCommand(std::string(QUILLON_CLI) + " " + arguments); }

TEST(TagCommandsTest, WriteChangesTheGivenItemsAndShowPrintsWhatTheEditorShows) {
  testdata::TempFolder folder;
  std::string file = folder.File("song.mp3");
  WriteBytes(file, Audio());
  Result none = RunCli("tag show '" + file + "'");
  EXPECT_EQ(0, none.status);
  EXPECT_EQ("Tag exists: No\nVersion:\nSize:\nTitle:\nArtist:\nAlbum:\nTrack:\nYear:\nGenre:\nComment:\n", none.out);

  EXPECT_EQ(0, RunCli("tag write '" + file + "' --title 'Caf\xC3\xA9 ?' --track 300 --genre Jazz").status);
  EXPECT_EQ(0, RunCli("tag write '" + file + "' --artist Someone --track 7").status);  // the rest stays
  std::string frames = TextFrame("TIT2", "Caf\xE9 ?") + TextFrame("TPE1", "Someone") + TextFrame("TRCK", "7") +
                       TextFrame("TCON", "Jazz");
  EXPECT_EQ(Tag(3, frames) + Audio(), ReadBytes(file));
  Result shown = RunCli("tag show '" + file + "'");
  EXPECT_EQ(0, shown.status);
  EXPECT_EQ("Tag exists: Yes\nVersion: 2.3\nSize: " + std::to_string(10 + frames.size()) +
                " bytes\nTitle: Caf\xC3\xA9 ?\nArtist: Someone\nAlbum:\nTrack: 7\nYear:\nGenre: Jazz\nComment:\n",
            shown.out);
  // A comment with a description shows its text; a picture nobody edits stays through a rewrite.
  std::string picture = Frame("APIC", std::string("\0image/png\0\x03\0", 13) + "PNGDATA");
  WriteBytes(file, Tag(3, Frame("COMM", std::string("\0engNote\0Played loud", 20)) + picture) + Audio());
  EXPECT_NE(std::string::npos, RunCli("tag show '" + file + "'").out.find("\nComment: Played loud\n"));
  EXPECT_EQ(0, RunCli("tag write '" + file + "' --year 1999").status);
  EXPECT_NE(std::string::npos, ReadBytes(file).find(picture));

  EXPECT_EQ(0, RunCli("tag remove '" + file + "'").status);
  EXPECT_EQ(Audio(), ReadBytes(file));
}

TEST(TagCommandsTest, FailuresReportTheEditorsMessagesAndWrongUsageIsStatus2) {
  testdata::TempFolder folder;
  std::string file = folder.File("song.mp3");
  WriteBytes(file, Audio());
  std::string missing = folder.File("missing.mp3");
  Result remove = RunCli("tag remove '" + file + "'");
  EXPECT_EQ(1, remove.status);
  EXPECT_EQ("quillon-cli: error: Can not remove tag from the file: " + file + "\n", remove.out);
  Result show = RunCli("tag show '" + missing + "'");
  EXPECT_EQ(1, show.status);
  EXPECT_EQ("quillon-cli: error: The file does not exist: " + missing + "\n", show.out);
  Result write = RunCli("tag write '" + missing + "' --title t");
  EXPECT_EQ(1, write.status);
  EXPECT_EQ("quillon-cli: error: Can not save tag to the file: " + missing + "\n", write.out);
  EXPECT_FALSE(Exists(missing));
  std::string wav = folder.File("song.wav"), wavBytes = "RIFF\x24\0\0\0WAVEfmt " + Audio(100);
  WriteBytes(wav, wavBytes);
  EXPECT_EQ("quillon-cli: error: The file is not an MP3 file: " + wav + "\n", RunCli("tag write '" + wav + "' --title t").out);
  EXPECT_EQ(wavBytes, ReadBytes(wav));
  Result greek = RunCli("tag write '" + file + "' --artist Caf\u00e9 --title '\u039f\u03b4\u03cc\u03c2 \u20ac'");
  EXPECT_EQ(1, greek.status);
  EXPECT_EQ("quillon-cli: error: --title \"\u039f\u03b4\u03cc\u03c2 \u20ac\" has characters that a Latin-1 tag item cannot "
            "hold; the file was left as it was\n", greek.out);
  EXPECT_EQ(Audio(), ReadBytes(file));

  EXPECT_EQ(2, RunCli("tag").status);
  EXPECT_EQ(2, RunCli("tag show").status);
  EXPECT_EQ(2, RunCli("tag write '" + file + "' --title").status);
  EXPECT_EQ(2, RunCli("tag write '" + file + "' --colour red").status);
  EXPECT_EQ(Audio(), ReadBytes(file));
}

}  // namespace
