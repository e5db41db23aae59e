#include <gtest/gtest.h>

#include "cd/CdTextMetadata.h"
#include "cd/MusicBrainzDiscId.h"
#include "cd/MusicBrainzLookup.h"
#include "cd/TrackNaming.h"
#include "tests/data/MusicBrainzTestServer.h"

namespace {

TEST(PrintableTextTest, ControlCharactersAndEscapeSequencesGoAndLatin1BecomesUtf8) {
  EXPECT_EQ("Red and bold", PrintableText("\x1b[31mRed\x1b[0m and \x1b]0;title\a\xC2\x9B" "1mbold"));
  EXPECT_EQ("Tab and NUL", PrintableText(std::string("Tab\t and\x7F NUL\0", 14)));
  EXPECT_EQ("Caf\xC3\xA9", PrintableText("Caf\xE9"));  // not UTF-8: read as Latin-1
  EXPECT_EQ("a\xC3\xBF", PrintableText("a\x1b\xFF\xFF"));  // ESC takes the whole character after it
  EXPECT_EQ("Caf\xC3\xA9", PrintableText("Caf\xC3\xA9"));
  EXPECT_EQ("evilmp3.exe", PrintableText("evil\xE2\x80\xAEmp3.exe"));  // no right-to-left override
}

// The album's performer is the disc's, else the one all tracks share; a track by another keeps its own, and the
// album's is every track's album artist. CD-Text of songwriters alone names nothing.
TEST(CdTextMetadataTest, TheAlbumsPerformerIsTheDiscsOrTheOneAllTracksShare) {
  const struct {
    std::string disc, first, second, album, secondArtist;
  } cases[] = {{"Blue", "", "Red", "Blue", "Red"}, {"", "Red", "Red", "Red", "Red"}, {"", "Red", "Green", "", "Green"}};
  for (const auto& c : cases) {
    DiscText text{{"Songs", c.disc, ""}, {{"One", c.first, ""}, {"Two", c.second, ""}}};
    std::optional<DiscMetadata> metadata = CdTextMetadata(text, 2);
    ASSERT_TRUE(metadata);
    TrackTags second = TrackTagsOf(metadata, 1, "Two.mp3", 2, 2);
    EXPECT_EQ(c.album, metadata->artist) << c.disc << c.first << c.second;
    EXPECT_EQ(c.secondArtist, second.artist);
    EXPECT_EQ(c.album, second.albumArtist);
  }
  EXPECT_FALSE(CdTextMetadata(DiscText{{"", "", "Green"}, {{"", "", "Green"}}}, 1));
}

TEST(TrackFileNameTest, NamesStayInTheFolderAreNeverBlankAndFitTheFileSystem) {
  EXPECT_EQ("AC-DC.mp3", TrackFileName("AC/DC", "01", ".mp3"));
  EXPECT_EQ("_...ogg", TrackFileName("..", "01", ".ogg"));
  EXPECT_EQ("_...And More.ogg", TrackFileName("...And More", "01", ".ogg"));  // never a hidden file
  EXPECT_EQ("Track-07.wav", TrackFileName(" \t\x1b[0m ", "07", ".wav"));
  EXPECT_EQ("What_ _Why__.mp3", TrackFileName("What? \"Why\"|", "01", ".mp3", true));
  EXPECT_EQ("What? 'Why'|.mp3", TrackFileName("What? \"Why\"|", "01", ".mp3"));  // a cue sheet can name it
  std::string longName = TrackFileName(std::string(1000, 'a') + std::string(300, '\xC3'), "01", ".mp3");
  EXPECT_EQ(kLongestFileName, longName.size());
  EXPECT_EQ(".mp3", longName.substr(longName.size() - 4));
  std::string wide;
  for (int i = 0; i < 200; ++i) wide += "\xE6\x9D\xB1";  // three bytes a character
  std::string cut = TrackFileName(wide, "01", ".ogg");
  EXPECT_LE(cut.size(), kLongestFileName);
  EXPECT_EQ(0u, (cut.size() - 4) % 3);  // whole characters only
  EXPECT_EQ(cut, PrintableText(cut));
}

TEST(MakeNamesUniqueTest, EqualNamesGetANumberBeforeTheExtension) {
  std::vector<std::string> names = {"Intro.mp3", "Song.mp3", "intro.mp3", " Intro.mp3 ", "Intro (2).mp3"};
  MakeNamesUnique(names);
  EXPECT_EQ((std::vector<std::string>{"Intro.mp3", "Song.mp3", "intro (2).mp3", "Intro (3).mp3", "Intro (2) (2).mp3"}),
            names);
  std::vector<std::string> full = {std::string(kLongestFileName - 4, 'x') + ".mp3", std::string(kLongestFileName - 4, 'x') + ".mp3"};
  MakeNamesUnique(full);
  EXPECT_EQ(kLongestFileName, full[1].size());
  EXPECT_EQ(" (2).mp3", full[1].substr(full[1].size() - 8));
}

TEST(TemplateFileNameTest, TokensFolderAndWindowsSafety) {
  TrackTags tags;
  tags.title = "Who/What?";
  tags.artist = "AC/DC";
  tags.album = "..";
  tags.year = "1980";
  EXPECT_EQ("AC-DC/_../1980 - 03 - Who-What?.mp3",
            TemplateFileName("%a/%A/%y - %n - %t", tags, "03", ".mp3", false));
  EXPECT_EQ("AC-DC/03 Who-What_ 100%.ogg", TemplateFileName("%a//%n %t 100%%", tags, "03", ".ogg", true));
  EXPECT_EQ("Unknown Artist/Unknown Album/Track-03.wav", TemplateFileName("%a/%A/%t", TrackTags{}, "03", ".wav", false));
  // Without a lookup the tags' title is the row's name.
  EXPECT_EQ("Track-03", TrackTagsOf(std::nullopt, 2, "Track-03.mp3", 3, 9).title);
}

// Both discs of a recorded set have a track "Intro": the disc token keeps them apart, and a "feat." track stays
// in the album artist's folder. Unknown discs count as disc 1 of 1.
TEST(LookedUpNamesTest, TheDiscTokenKeepsTwoDiscsOfASetApart) {
  const std::string reply = testdata::MusicBrainzReplyFile("two_disc_release.json");
  std::vector<TrackRow> rows;
  for (int n = 1; n <= 3; ++n) rows.push_back(MakeTrackRow(n, 10, OutputFormat::MP3));
  const NamingOptions options{"%b/%A/%d-%n - %t (%d of %D)", false};
  std::vector<std::string> names;
  for (const char* discId : {"lwHl8fGzJyLXQR33ug60E8jhf4k-", "5Yg_iRnsRa_h7uC5YjaJKRRyoZw-"})
    for (const std::string& name :
         LookedUpNames(ParseMusicBrainzReleases(reply, discId, 3).at(0).metadata, rows, OutputFormat::MP3, options))
      names.push_back(name);
  EXPECT_EQ((std::vector<std::string>{"Blue/Live at the Hall/1-01 - Intro (1 of 2).mp3",
                                      "Blue/Live at the Hall/1-02 - Middle (1 of 2).mp3",
                                      "Blue/Live at the Hall/1-03 - Outro (1 of 2).mp3",
                                      "Blue/Live at the Hall/2-01 - Intro (2 of 2).mp3",
                                      "Blue/Live at the Hall/2-02 - \xE6\x9D\xB1\xE4\xBA\xAC (2 of 2).mp3",
                                      "Blue/Live at the Hall/2-03 - Outro (2 of 2).mp3"}),
            names);
  TrackTags unknown;
  unknown.artist = "Red";
  EXPECT_EQ("Red/1-03 of 1.mp3", TemplateFileName("%b/%d-%n of %D", unknown, "03", ".mp3", false));
}

// The row "00" of the hidden audio before track 1 is no track of a lookup's: the titles go to the rows after it,
// and it gets the album's tags, the title "Hidden track" and no track number.
TEST(LookedUpNamesTest, TheHiddenAudiosRowIsNoTrackOfTheLookups) {
  DiscMetadata metadata;
  metadata.artist = "Band";
  metadata.album = "Album";
  metadata.titles = {"One", "Two"};
  metadata.artists = {"Band", "Guest"};
  std::vector<TrackRow> rows = {MakeTrackRow(0, 75, OutputFormat::MP3), MakeTrackRow(1, 75, OutputFormat::MP3),
                                MakeTrackRow(2, 75, OutputFormat::MP3)};
  EXPECT_EQ((std::vector<std::string>{"Track-00.mp3", "One.mp3", "Two.mp3"}),
            LookedUpNames(metadata, rows, OutputFormat::MP3, {}));
  EXPECT_EQ((std::vector<std::string>{"00 - Hidden track.mp3", "01 - One.mp3", "02 - Two.mp3"}),
            LookedUpNames(metadata, rows, OutputFormat::MP3, {"%n - %t", false}));
  TrackTags hidden = TrackTagsOf(metadata, TrackOfRow("00", 0), rows[0].name, 0, 2);
  EXPECT_EQ("Hidden track", hidden.title);
  EXPECT_EQ("Band", hidden.artist);
  EXPECT_EQ("Album", hidden.album);
  EXPECT_EQ("Guest", TrackTagsOf(metadata, TrackOfRow("00", 2), rows[2].name, 2, 2).artist);
}

TEST(MusicBrainzDiscIdTest, ThePublishedExampleAndATableOfContents) {
  EXPECT_EQ("49HHV7Eb8UKF3aQiNmu1GR8vKTY-",
            MusicBrainzDiscId(1, 6, 95462, {150, 15363, 32314, 46592, 63414, 80489}));
  TableOfContents toc;
  toc.firstTrack = 1;
  toc.lastTrack = 7;
  for (std::uint32_t start : {0u, 15213u, 32164u, 46442u, 63264u, 80339u}) toc.entries.push_back({0, start, true});
  // An enhanced CD: the data track and its session gap are not counted.
  toc.entries.push_back({7, 95312u + 11400u, false});
  toc.entries.push_back({0, 200000u, true});
  EXPECT_EQ("49HHV7Eb8UKF3aQiNmu1GR8vKTY-", MusicBrainzDiscId(toc));
  MusicBrainzToc counted = MusicBrainzTocOf(toc);  // what a lookup by table of contents sends
  EXPECT_EQ(6, counted.lastTrack);
  EXPECT_EQ(95462u, counted.leadout);

  // With the sessions known, a data track in a later session is left out as before; one in the audio's own
  // session counts, and the audio runs up to it.
  for (int k = 0; k < 7; ++k) toc.entries[k].session = k < 6 ? 1 : 2;
  EXPECT_EQ("49HHV7Eb8UKF3aQiNmu1GR8vKTY-", MusicBrainzDiscId(toc));
  toc.entries[6].session = 1;
  EXPECT_EQ(95312u + 11400u - 80339u, toc.BlocksOf(5));
  EXPECT_EQ(MusicBrainzDiscId(1, 7, 200150, {150, 15363, 32314, 46592, 63414, 80489, 95312 + 11400 + 150}),
            MusicBrainzDiscId(toc));
}

}  // namespace
