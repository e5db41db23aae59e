#pragma once
// The rip job: reads the checked tracks from the disc into WAV files and, for MP3, Ogg Vorbis and FLAC, encodes
// them. It runs on the thread of the window (or command) that hosts it and keeps that host responsive by
// letting it process pending work after every read and every encoded chunk.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "cd/TableOfContents.h"
#include "cd/DiscMetadata.h"
#include "cd/TrackTable.h"
#include "platform/akrip32/akrip32.h"
#include "rip/DriveReader.h"
#include "rip/RipAccuracy.h"

class TFileStream;
class TIniFile;
class TVorbisOut;
class TWaveIn;

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
  std::string accurateRipServer;  // empty: no verification
  std::string cacheFolder;        // where the AccurateRip replies are kept (CacheFolder)
  bool testAndCopy = false;
};

// "01:23.45": minutes, seconds and blocks of a position counted in blocks.
std::string TrackTime(std::uint32_t block);

// "Track 03: 2 blocks could not be read at 00:01.10–00:01.11": the blocks are counted from the track's start,
// each stretch of them shown by the times of its first and last block (minutes, seconds, blocks).
std::string ReadErrorText(const std::string& number, const std::vector<std::uint32_t>& blocks);

// False when the sample rate or the bit rate is no number once its unit is dropped, or the file
// cannot be read.
bool ReadRipValues(TIniFile& settings, RipValues& values);
// The read offset of the drive so identified, in samples (section "Drive Offsets"); 0 when none is set.
int ReadDriveOffset(TIniFile& settings, const std::string& drive);

struct RipRow {
  bool checked = true;
  std::string number;  // two digits
  std::string name;    // the file name with its extension
  std::uint32_t blocks = 0;
  std::uint32_t start = 0;  // the track's first block on the disc
  bool audio = true;        // a data track is never ripped, checked or not
  TrackTags tags{};         // what the finished MP3, Ogg or FLAC file is tagged with
};

struct RipInput {
  OutputFormat format = OutputFormat::MP3;
  std::string folder;
  std::vector<RipRow> rows;
  HCDROM handle = 0;
  RipValues values;
  TableOfContents toc;  // the whole disc, for its AccurateRip IDs; empty: the rip is not verified
  std::string drive;    // the drive's identification
  int offset = 0;       // the drive's read offset in samples, made good by every read
  std::string album;    // names the log and the cue sheet; empty: "Disc <CDDB ID>"
};

// What the job asks of the window that runs it.
class RipHost {
 public:
  virtual ~RipHost() = default;
  virtual void SetCaption(const std::string& text) = 0;
  virtual void SetButtonCaption(const std::string& text) = 0;
  virtual void SetGauge(int percent) = 0;
  virtual void ProcessMessages() = 0;
  // The encoder's error box: title "Error", error icon.
  virtual void ShowError(const std::string& text) = 0;
  // An error that ended the job, for the application's standard error box.
  virtual void ShowStandardError(const std::string& text) = 0;
  virtual void CloseWindow() = 0;
  virtual void UncheckRow(std::size_t row) = 0;
  // A finished track that holds blocks the drive could not read (silence in their place).
  virtual void ReportReadErrors(const std::string& text) = 0;
  // Each finished track with its checksums and AccurateRip verdict, and at the end the disc's verdict and the
  // log written beside the files.
  virtual void ReportTrack(const TrackResult& result) = 0;
  virtual void ReportDisc(const std::string& verdict, const std::string& logPath) = 0;
  // Runs work on the job's thread later; the Ogg sink reports from its worker thread.
  virtual void Post(std::function<void()> work) = 0;
};

class RipJob {
 public:
  RipJob(RipHost& host, TWaveIn& waveIn, TVorbisOut& vorbisOut);
  ~RipJob();

  // Starts a job: clears the cancel flag, shows "Marrowby" and rips.
  void Start(RipInput input);
  // True from Start until the last track is written or the job ended otherwise.
  bool Running() const { return FRunning; }
  // The answer to "Cancel or not?"; a Yes also stops the Ogg encoder.
  void SetCancel(bool cancel);
  const RipInput& Input() const { return FInput; }
  // The output files this job finished, those with read errors included.
  const std::vector<std::string>& Finished() const { return FFinished; }
  // One text per finished track with blocks that could not be read.
  const std::vector<std::string>& ReadErrors() const { return FReadErrors; }
  const std::vector<TrackResult>& Results() const { return FResults; }

 private:
  void RunGuarded(const std::function<void()>& step);
  void RipProcedure();
  void WavBranch();
  void Mp3Branch();
  void OggBranch();
  void FlacBranch();
  void VorbisOut1done();
  void VorbisOut1Progress(int progress);
  void CommonStart(const RipRow& row);
  struct ProvedRead {
    TrackResult result;
    TrackChecksums checksums;
  };
  ProvedRead ReadTrackProved(const RipRow& row, TFileStream& file, int scale);
  // Returns the blocks that could not be read, counted from the track's start; without a file, only the
  // checksums are taken.
  std::vector<std::uint32_t> ReadTrack(const RipRow& row, TFileStream* file, int scale, TrackChecksums& checksums);
  void ReadKeepingWindowAlive(TRACKBUF& buffer, std::vector<std::uint32_t>& unreadable);
  void TrackFinished(const RipRow& row, const std::string& path, ProvedRead& read);
  void Completed();
  std::string FinishedCaption() const;
  enum class Mp3Result { Done, Cancelled, Failed };
  Mp3Result EncodeMp3(const std::string& temporary, const std::string& output, const std::string& tag);
  void Finish();
  std::string OutputPath(const RipRow& row) const;

  RipHost& FHost;
  TWaveIn& FWaveIn;
  TVorbisOut& FVorbisOut;
  RipInput FInput;
  bool FCancel = false;
  bool FRunning = false;
  std::string FTemporaryPath;
  std::string FOutputPath;
  const RipRow* FEncodedRow = nullptr;  // the Ogg branch's row while it is encoded, and how it was read
  std::optional<ProvedRead> FEncodedRead;
  std::vector<std::string> FFinished;
  std::vector<std::string> FReadErrors;
  std::vector<TrackResult> FResults;
  DriveReader FReader;
  RipAccuracy FAccuracy;
};
