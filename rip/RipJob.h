#pragma once
// The rip job: reads the checked tracks from the disc into WAV files and, for MP3, Ogg Vorbis and FLAC, encodes
// them. It runs on the thread of the window (or command) that hosts it and keeps that host responsive by
// letting it process pending work after every read and while it waits. The drive is read one track after the
// other; each track read goes to an encoder thread of its own, as many at once as the job has encoder threads,
// while the next track is read.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "cd/TableOfContents.h"
#include "cd/DiscMetadata.h"
#include "cd/TrackTable.h"
#include "platform/akrip32/akrip32.h"
#include "rip/CoverArtEncoder.h"
#include "rip/DriveReader.h"
#include "rip/EncoderPool.h"
#include "rip/EncodingWorker.h"
#include "rip/ReadPlan.h"
#include "rip/RipAccuracy.h"
#include "rip/TimeLeft.h"
#include "rip/ReplayGain.h"

class GapSearch;
class TFileStream;
class TIniFile;

// The settings a rip works with, read afresh for every job.
struct RipValues {
  int sampleRate = 44100;
  int bitrate = 128;
  bool copyright = false;
  bool crc = false;
  bool privateBit = false;
  bool original = false;
  bool open = false;
  int cpu = 3;
  int compr = 20;
  int flacLevel = 5;
  std::string accurateRipServer;  // empty: no verification by AccurateRip
  std::string ctdbServer;         // empty: none by the CUETools database
  std::string cacheFolder;        // where the databases' replies are kept (CacheFolder)
  bool testAndCopy = false;
  bool detectGaps = true;  // the drive's pregaps from the Q sub-channel
  int encoderThreads = 0;  // 0: one per processor core
  RipReadMode readMode = RipReadMode::Verify;
  bool deEmphasis = false;  // MP3, Ogg and FLAC files of tracks recorded with pre-emphasis are de-emphasised
  bool oneFile = false;  // the whole disc in one WAV or FLAC file, with a cue sheet into it
  bool replayGain = true;  // MP3, Ogg and FLAC files get ReplayGain 2.0 tags
  bool playlist = true;    // an .m3u8 play list of the finished files beside the log
  bool eject = false;      // the drive's door opens after a rip that finished
  std::string coverArtServer;  // empty: no cover is fetched
  std::string coverArtSize = "500";
  std::string coverArtFile = "cover.jpg";  // the cover saved beside the files; empty: not saved
  int opusBitrate = 160;  // kbit/s
  bool mp3Vbr = false;     // MP3 at a variable bit rate of mp3Quality instead of bitrate
  int mp3Quality = 2;      // 0 (best) to 9, as LAME's -V
};


// "01:23.45": minutes, seconds and blocks of a position counted in blocks.
std::string TrackTime(std::uint32_t block);

// "2 blocks could not be read at 00:01.10–00:01.11": the blocks are counted from the track's start, each
// stretch of them shown by the times of its first and last block (minutes, seconds, blocks).
std::string UnreadableText(const std::vector<std::uint32_t>& blocks);
// The same for a track: "Track 03: 2 blocks could not be read at 00:01.10–00:01.11".
std::string ReadErrorText(const std::string& number, const std::vector<std::uint32_t>& blocks);

// False when the sample rate or the bit rate is no number once its unit is dropped, or the file
// cannot be read.
bool ReadRipValues(TIniFile& settings, RipValues& values);
// The checksum databases' servers and the cache folder alone, which need none of the other settings; throws
// EIniFileError when the settings cannot be read.
void ReadDatabaseValues(TIniFile& settings, RipValues& values);
// No drive reads further off than this many samples, either way.
constexpr int kMostReadOffset = 100000;
// The read offset of the drive so identified, in samples (section "Drive Offsets"); 0 when none is set.
// False, with why in error, for a whole number beyond kMostReadOffset either way.
bool ReadDriveOffset(TIniFile& settings, const std::string& drive, int& offset, std::string& error);
// Where that offset comes from, for the log: "from [Drive Offsets]", or "none set for the drive".
std::string DriveOffsetSource(TIniFile& settings, const std::string& drive);

struct RipRow {
  bool checked = true;
  std::string number;  // two digits
  std::string name;    // the file name with its extension
  std::uint32_t blocks = 0;
  std::uint32_t start = 0;  // the track's first block on the disc
  bool audio = true;        // a data track is never ripped, checked or not
  TrackTags tags{};         // what the finished MP3, Ogg or FLAC file is tagged with
};

// Why a rip in this format cannot go to one file; empty when it can (WAV and FLAC).
std::string OneFileProblem(OutputFormat format);
// The one file's name below the output folder: in the folders of the first ripped row's name (a naming
// template's), the album's title when a lookup gave one, else "Disc"; with the format's extension.
std::string OneFileName(const std::vector<RipRow>& rows, OutputFormat format);

struct RipInput {
  OutputFormat format = OutputFormat::MP3;
  std::string folder;
  std::vector<RipRow> rows;
  HCDROM handle = 0;
  RipValues values;
  TableOfContents toc;  // the whole disc, for its AccurateRip IDs; empty: the rip is not verified
  std::string drive;    // the drive's identification
  int offset = 0;       // the drive's read offset in samples, made good by every read
  std::string offsetSource = "none set for the drive";
  std::string metadataSource;  // where the names and tags came from ("CD-Text", "CDDB", "MusicBrainz"); empty: none
  std::string gapDetection;  // how the pregaps were found, for the log; the job fills it in
  CDREC door{};  // the drive of the list that holds the disc, whose door [Rip] eject opens
  std::string coverArt;      // what became of the release's cover, for the log; the job fills it in
  std::shared_ptr<EncoderPool> encoderPool{};  // shared with the jobs of other drives; none: the job's threads alone
  // Formats written beside format from the same reading; with any, each format's files go into a folder of
  // their own below folder, named by FormatFolderName.
  std::vector<OutputFormat> moreFormats;
};

// The formats a rip writes: its first, then the others, each once.
std::vector<OutputFormat> RipFormats(const RipInput& input);
// "flac", "mp3"...: the folder of a format's files in a rip to several formats.
std::string FormatFolderName(OutputFormat format);
// The formats a rip from the window writes beside the chosen one: "[Rip] also write", a comma list of their
// folder names ("flac,mp3", in any case); a name of no format is left out. Throws EIniFileError when the
// settings cannot be read.
std::vector<OutputFormat> ReadAlsoWrite(TIniFile& settings);
// The list as "[Rip] also write" holds it.
std::string AlsoWriteText(const std::vector<OutputFormat>& formats);

// What the job asks of the window that runs it.
class RipHost {
 public:
  virtual ~RipHost() = default;
  virtual void SetCaption(const std::string& text) = 0;
  virtual void SetButtonCaption(const std::string& text) = 0;
  virtual void SetGauge(int percent) = 0;
  virtual void ProcessMessages() = 0;
  // The error box, title "Error", error icon: an encoder's failure, or a rip log that could not be written.
  virtual void ShowError(const std::string& text) = 0;
  // An error that ended the job, for the application's standard error box.
  virtual void ShowStandardError(const std::string& text) = 0;
  virtual void CloseWindow() = 0;
  virtual void UncheckRow(std::size_t row) = 0;
  // A finished track that holds blocks the drive could not read (silence in their place).
  virtual void ReportReadErrors(const std::string& text) = 0;
  // Each finished track with its checksums and verdicts, and at the end the disc's verdicts and the log
  // written beside the files.
  virtual void ReportTrack(const TrackResult& result) = 0;
  virtual void ReportDisc(const DiscVerdicts& verdicts, const std::string& logPath) = 0;
  // Which of the tracks to rip is being read, and the job's time left once it can be told.
  virtual void ShowJobProgress(int /*track*/, int /*tracks*/, std::optional<int> /*secondsLeft*/) {}
};

class RipJob {
 public:
  explicit RipJob(RipHost& host);
  ~RipJob();

  // Starts a job: clears the cancel flag, shows "Marrowby" and rips; returns when the job has ended.
  void Start(RipInput input);
  // True from Start until the last track is written or the job ended otherwise.
  bool Running() const { return FRunning; }
  // The answer to "Cancel or not?"; a Yes stops the reading and every encoding.
  void SetCancel(bool cancel);
  const RipInput& Input() const { return FInput; }
  // The output files this job finished, those with read errors included.
  const std::vector<std::string>& Finished() const { return FFinished; }
  // One text per finished track with blocks that could not be read.
  const std::vector<std::string>& ReadErrors() const { return FReadErrors; }
  const std::vector<TrackResult>& Results() const { return FResults; }

 private:
  struct ProvedRead {
    TrackResult result;
    TrackChecksums checksums;
    std::shared_ptr<const ReplayGain> loudness{};  // none when ReplayGain is off
  };
  // A track read and handed to an encoder thread.
  struct Encoding {
    std::size_t row;
    std::string output;
    ProvedRead read;
    std::unique_ptr<EncodingWorker> worker;
    std::size_t formatIndex = 0;  // in FFormats; a track's encodings follow each other in that order
  };

  void RunGuarded(const std::function<void()>& step);
  void DetectGaps();
  bool AwaitGapSearch(GapSearch& search);
  void RipProcedure();
  void WavBranch();
  void OneFileBranch();
  void JoinParts(const std::vector<std::string>& parts, const std::string& path, bool replace) const;
  bool EncodeOneFile(const std::string& wav, const std::string& output, const TrackTags& tags);
  void EncodedBranch();
  void ReadAndEncode(std::size_t index);
  void EndEncodedBranch();
  std::unique_ptr<TrackEncoder> MakeEncoder(OutputFormat format) const;
  std::unique_ptr<TrackEncoder> MakeFormatEncoder(OutputFormat format) const;
  std::uint64_t EncodedBytes(const RipRow& row, OutputFormat format) const;
  std::string FormatOutputPath(const RipRow& row, std::size_t formatIndex) const;
  const TrackEncoder& EncoderOf(std::size_t formatIndex) const;
  void StartEncodings(std::size_t index, const std::vector<std::string>& outputs, const std::string& wav,
                      const TrackTags& tags, ProvedRead& read);
  void ReportEncoded(std::size_t first);
  void WriteFormatSheets();
  void WaitForRoom(const RipRow& row, const std::string& output);
  std::size_t EncoderThreads() const;
  std::size_t EncodingsRunning() const;
  void WaitForEncodings();
  void EncodingChanged();
  void Pump();
  void CheckEncodings();
  void StopEncodings();
  bool Stopping() const { return FCancel || FFailure.has_value(); }
  void ShowReadProgress(std::uint32_t done, std::uint32_t length);
  int JobGauge() const;
  void CommonStart(const RipRow& row);
  void CountJob();
  double JobDone() const;
  void ShowJobProgress();
  ProvedRead ReadTrackProved(const RipRow& row, TFileStream& file);
  ProvedRead ReadPass(const RipRow& row, TFileStream& file, ReadMode mode);
  // Returns the blocks that could not be read, counted from the track's start; without a file, only the
  // checksums are taken.
  std::vector<std::uint32_t> ReadTrack(const RipRow& row, TFileStream* file, TrackChecksums& checksums, ReadMode mode,
                                       ReplayGain* loudness = nullptr);
  void ReadAround(std::int64_t first, std::int32_t count, std::uint8_t* out);
  void StartRead(const TRACKBUF& request);
  // The read started last, as the reader holds it until the read after the next is started; nullptr when
  // the job stopped before it came back.
  const TRACKBUF* AwaitRead(std::vector<std::uint32_t>& unreadable);
  bool DeEmphasised(const RipRow& row) const;
  void DeEmphasise(TFileStream& file, ReplayGain* loudness);
  void TrackFinished(const RipRow& row, const std::string& path, ProvedRead& read);
  void Completed();
  void LogCancelled();
  std::string FinishedCaption() const;
  void Finish();
  std::string OutputPath(const RipRow& row) const;
  std::optional<GainValues> AlbumGain() const;
  void AddAlbumGain();
  void WritePlaylist(const std::string& folder, const std::vector<TrackResult>& results);
  void EjectWhenDone() const;
  void StartCoverArt();
  void SaveCoverArt();
  std::string WriteCoverFile(const CoverArt& art) const;
  void GiveUpCoverArt();

  RipHost& FHost;
  RipInput FInput;
  bool FCancel = false;
  bool FRunning = false;
  std::vector<std::string> FFinished;
  std::vector<std::string> FReadErrors;
  std::vector<TrackResult> FResults;
  std::unique_ptr<DriveReader> FReader = std::make_unique<DriveReader>();
  ReadPlan FPlan{RipReadMode::Verify, false};
  RipAccuracy FAccuracy;

  // The encoded formats' state: the encoder, the tracks handed to it (reported in their order as they end),
  // and the first failure of any of them.
  std::unique_ptr<TrackEncoder> FEncoder;
  std::vector<std::unique_ptr<TrackEncoder>> FMoreEncoders;  // of the formats after the first
  std::vector<OutputFormat> FFormats;
  std::vector<Encoding> FEncodings;
  std::size_t FNextReport = 0;
  std::optional<EncodingWorker::Failure> FFailure;
  std::atomic<bool> FStopEncoders{false};
  std::mutex FEncodingLock;
  std::condition_variable FEncodingEnded;
  bool FEncodingEndedFlag = false;
  // The whole job's gauge: blocks to rip, blocks of the tracks read, blocks of the track being read.
  std::uint64_t FJobBlocks = 0;
  std::uint64_t FBlocksRead = 0;
  std::uint64_t FTrackRead = 0;
  int FLastGauge = -1;
  // Which track of how many is read, and how long the job has still to go.
  int FTrackOrdinal = 0;
  TimeLeft FTimeLeft;
  std::string FLastProgress;
  // Each track's loudness as it was read, in disc order.
  std::vector<std::shared_ptr<const ReplayGain>> FLoudness;
  // Every audio track of the disc is ripped (the hidden audio before the first need not be), as the rows were
  // checked at the start.
  bool FWholeDisc = false;
  std::ptrdiff_t FTracksToRip = 0;
  // The release's cover, fetched beside the reading after a MusicBrainz lookup; invalid when none is.
  PendingCoverArt FCover;
  std::shared_ptr<std::atomic<bool>> FCoverGivenUp;
};
