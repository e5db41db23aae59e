#include "platform/inifile/TIniFile.h"

#include <stdlib.h>

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <sstream>

#include "platform/ProgramFolder.h"
#include "tests/data/TestDiscs.h"

namespace {

std::string Contents(const std::string& path) {
  std::ifstream in(path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(IniFileTest, SectionsAndKeysIgnoreCaseButValuesKeepIt) {
  testdata::TempFolder folder;
  std::string path = folder.File("settings.ini");
  testdata::WriteTextFile(path, "[OGG Options]\nCPU=2\n[Folder]\nopen=false\n");
  TIniFile ini(path);
  EXPECT_EQ("2", ini.ReadString("Ogg Options", "cpu", "3"));
  EXPECT_EQ("false", ini.ReadString("FOLDER", "Open", "False"));
  EXPECT_EQ("20", ini.ReadString("ogg options", "compr", "20"));
  EXPECT_EQ("x", ini.ReadString("No Such Section", "cpu", "x"));
}

TEST(IniFileTest, WritingKeepsWhatItDoesNotKnowAndWritesPlainPairs) {
  testdata::TempFolder folder;
  std::string path = folder.File("settings.ini");
  testdata::WriteTextFile(path,
                          "; written by hand\n[Mine]\nColour=Blue Green\n\n[OGG OPTIONS]\n; quality\nCOMPR=50\n"
                          "[CD Images]\nfirst=/discs/a.cue\nsecond=b.cue\n");
  TIniFile ini(path);
  ini.WriteString("Ogg Options", "compr", "70");
  ini.WriteString("Ogg Options", "cpu", "1");
  ini.WriteString("Folder", "mp3 folder", "");

  std::string text = Contents(path);
  EXPECT_NE(std::string::npos, text.find("; written by hand")) << text;
  EXPECT_NE(std::string::npos, text.find("[Mine]\nColour=Blue Green")) << text;
  EXPECT_NE(std::string::npos, text.find("; quality\nCOMPR=70")) << text;
  EXPECT_NE(std::string::npos, text.find("cpu=1")) << text;
  EXPECT_NE(std::string::npos, text.find("[Folder]\nmp3 folder=\n")) << text;
  EXPECT_EQ(std::string::npos, text.find("[Ogg Options]")) << "one section, not two: " << text;
  EXPECT_NE(std::string::npos, text.find("Colour=Blue Green\n\n")) << text;
  EXPECT_EQ(std::string::npos, text.find("\n\n\n")) << "one blank line between sections: " << text;
  EXPECT_EQ((std::vector<std::string>{"/discs/a.cue", "b.cue"}), TIniFile(path).ReadSectionValues("cd images"));
}

TEST(IniFileTest, MissingFilesReadEmptyAndAreCreatedByAWrite) {
  testdata::TempFolder folder;
  std::string path = folder.File("settings.ini");
  TIniFile ini(path);
  EXPECT_EQ("44100", ini.ReadString("MP3 Options", "dwSampleRate", "44100"));
  ini.WriteString("MP3 Options", "dwSampleRate", "48000Hz");
  EXPECT_EQ("[MP3 Options]\ndwSampleRate=48000Hz\n", Contents(path));
}

TEST(IniFileTest, EditsByHandAreSeenByTheNextRead) {
  testdata::TempFolder folder;
  std::string path = folder.File("settings.ini");
  TIniFile ini(path);
  ini.WriteString("Folder", "open", "True");
  testdata::WriteTextFile(path, "[Folder]\nopen=False\nwav folder=/music/wav\n");
  EXPECT_EQ("False", ini.ReadString("Folder", "open", ""));
  EXPECT_EQ("/music/wav", ini.ReadString("Folder", "wav folder", ""));
}

TEST(IniFileTest, FilesThatCannotBeReadOrWrittenThrowAndLeaveNothingBehind) {
  testdata::TempFolder folder;
  std::filesystem::create_directory(folder.Path() / "settings.ini");  // exists, but is no file
  TIniFile unreadable(folder.File("settings.ini"));
  EXPECT_THROW(unreadable.ReadString("Folder", "open", "False"), EIniFileError);
  EXPECT_THROW(unreadable.WriteString("Folder", "open", "False"), EIniFileError);

  std::string path = folder.File("gone/settings.ini");
  TIniFile unwritable(path);
  EXPECT_THROW(unwritable.WriteString("Folder", "open", "True"), EIniFileError);
  EXPECT_FALSE(std::filesystem::exists(folder.Path() / "gone"));
  EXPECT_EQ("False", unwritable.ReadString("Folder", "open", "False"));  // the failed value is not kept
}

TEST(SettingsFileTest, AWritableProgramFolderKeepsItsOwnAnInstalledOneGivesTheUserACopy) {
  testdata::TempFolder folder;
  std::string program = folder.File("program/");
  std::filesystem::create_directory(program);
  testdata::WriteTextFile(program + "settings.ini", "[Ogg Options]\ncpu=3\n");
  OverrideProgramFolder(program);
  EXPECT_EQ(program + "settings.ini", SettingsFile());

  OverrideProgramFolder(program, false);
  setenv("HOME", folder.Path().c_str(), 1);
  unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(folder.File(".config/quillon/settings.ini"), SettingsFile());
  setenv("XDG_CONFIG_HOME", folder.File("config").c_str(), 1);
  std::string own = SettingsFile();
  EXPECT_EQ(folder.File("config/quillon/settings.ini"), own);
  EXPECT_EQ("[Ogg Options]\ncpu=3\n", Contents(own));
  TIniFile(own).WriteString("Ogg Options", "cpu", "1");
  EXPECT_EQ(own, SettingsFile());
  EXPECT_EQ("1", TIniFile(own).ReadString("Ogg Options", "cpu", "")) << "a later start keeps the user's settings";
  OverrideProgramFolder("");
}

TEST(SettingsFileTest, AnInstalledProgramFolderTakesItsDataAndHelpFromTheSharedFolders) {
  testdata::TempFolder folder;
  std::string program = folder.File("prefix/lib/quillon/"), data = folder.File("prefix/share/quillon/");
  std::filesystem::create_directories(program);
  std::filesystem::create_directories(folder.File("prefix/share/doc/quillon"));
  OverrideProgramFolder(program);
  EXPECT_EQ(program, DataFolder()) << "no data folder installed yet";
  std::filesystem::create_directories(data);
  testdata::WriteTextFile(data + "settings.ini", "[Ogg Options]\ncpu=2\n");
  EXPECT_EQ(data, DataFolder());
  EXPECT_EQ(folder.File("prefix/share/doc/quillon/Quillon.html"), HelpFile());
  EXPECT_EQ(program + "settings.ini", SettingsFile());
  EXPECT_EQ("[Ogg Options]\ncpu=2\n", Contents(program + "settings.ini")) << "the first start copies the defaults";
  OverrideProgramFolder("");
}

TEST(IniFileTest, AFailedWriteKeepsTheOldFileAndNothingBesideItIsFollowedOrTaken) {
  testdata::TempFolder folder;
  const std::string old = "[CD Images]\ndemo=demo.cue\n[CDDB]\nserver=cddb.example\n";
  std::string real = folder.File("real.ini"), path = folder.File("settings.ini");
  testdata::WriteTextFile(real, old);
  std::filesystem::permissions(real, std::filesystem::perms(0640));
  std::filesystem::create_symlink(real, path);
  std::string victim = folder.File("victim"), mine = folder.File("real.ini.partial");
  testdata::WriteTextFile(victim, "victim");
  testdata::WriteTextFile(mine, "mine");
  std::filesystem::create_symlink(victim, folder.File("real.ini.partial.1"));
  TIniFile ini(path);
  {
    testdata::FullDisk full;
    EXPECT_THROW(ini.WriteString("Folder", "open", "True"), EIniFileError);
  }
  EXPECT_EQ(old, Contents(real));
  ini.WriteString("Folder", "open", "True");
  EXPECT_NE(std::string::npos, Contents(real).find("server=cddb.example\n\n[Folder]\nopen=True")) << Contents(real);
  EXPECT_TRUE(std::filesystem::is_symlink(path));
  EXPECT_EQ(std::filesystem::perms(0640), std::filesystem::status(real).permissions() & std::filesystem::perms::all);
  EXPECT_EQ("victim", Contents(victim));
  EXPECT_EQ("mine", Contents(mine));

  std::string fifo = folder.File("fifo.ini");
  ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));
  EXPECT_THROW(TIniFile(fifo).ReadString("Folder", "open", ""), EIniFileError);
}

}  // namespace
