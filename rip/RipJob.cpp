#include "rip/RipJob.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "acs/ACS_Vorbis.h"
#include "acs/ACS_Wave.h"
#include "acs/TFileStream.h"
#include "platform/bladeenc/BladeEnc.h"
#include "cd/TrackNaming.h"
#include "platform/ProgramFolder.h"
#include "platform/inifile/TIniFile.h"
#include "rip/FlacTrackEncoder.h"
#include "rip/TrackTagging.h"

namespace {

bool ToInteger(const std::string& text, int& value) {
  try {
    std::size_t used = 0;
    value = std::stoi(text, &used);
    return used == text.size();
  } catch (const std::exception&) {
    return false;
  }
}

std::string WithoutLast(const std::string& text, std::size_t count) {
  return text.size() > count ? text.substr(0, text.size() - count) : std::string();
}

int ReadInteger(TIniFile& settings, const char* section, const char* key, int defaultValue) {
  int value;
  return ToInteger(settings.ReadString(section, key, ""), value) ? value : defaultValue;
}

bool ReadFlag(TIniFile& settings, const char* section, const char* key) {
  return settings.ReadString(section, key, "False") != "False";
}

std::string Trimmed(const std::string& text) {
  std::size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

void RemoveFile(const std::string& path) { std::remove(path.c_str()); }

void PutLittleEndian(std::uint8_t* out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

bool Rippable(const RipRow& row) { return row.checked && row.audio; }

}  // namespace

std::string TrackTime(std::uint32_t block) {
  char text[16];
  std::snprintf(text, sizeof text, "%02u:%02u.%02u", block / 75 / 60, block / 75 % 60, block % 75);
  return text;
}

std::string ReadErrorText(const std::string& number, const std::vector<std::uint32_t>& blocks) {
  std::string stretches;
  for (std::size_t i = 0; i < blocks.size();) {
    std::size_t last = i;
    while (last + 1 < blocks.size() && blocks[last + 1] == blocks[last] + 1) ++last;
    if (!stretches.empty()) stretches += ", ";
    stretches += TrackTime(blocks[i]);
    if (last > i) stretches += "\u2013" + TrackTime(blocks[last]);
    i = last + 1;
  }
  std::string count = std::to_string(blocks.size()) + (blocks.size() == 1 ? " block" : " blocks");
  return "Track " + number + ": " + count + " could not be read at " + stretches;
}

bool ReadRipValues(TIniFile& settings, RipValues& values) {
  try {
    if (!ToInteger(WithoutLast(settings.ReadString("MP3 Options", "dwSampleRate", "44100"), 2), values.sampleRate))
      return false;
    if (!ToInteger(WithoutLast(settings.ReadString("MP3 Options", "wBitrate", "128"), 4), values.bitrate))
      return false;
    values.copyright = ReadFlag(settings, "MP3 Options", "bCopyright");
    values.crc = ReadFlag(settings, "MP3 Options", "bCRC");
    values.privateBit = ReadFlag(settings, "MP3 Options", "bPrivate");
    values.original = ReadFlag(settings, "MP3 Options", "bOriginal");
    values.open = ReadFlag(settings, "Folder", "open");
    values.cpu = ReadInteger(settings, "OGG Options", "cpu", 3);
    values.compr = ReadInteger(settings, "OGG Options", "compr", 20);
    values.flacLevel = ReadInteger(settings, "FLAC Options", "level", 5);
    if (values.flacLevel < 0 || values.flacLevel > 8) values.flacLevel = 5;
    values.accurateRipServer = settings.ReadString("AccurateRip", "server", "http://www.accuraterip.com");
    values.cacheFolder = CacheFolder(settings.FileName());
    values.testAndCopy = settings.ReadString("Rip", "test and copy", "False") != "False";
  } catch (const EIniFileError&) {
    return false;
  }
  return true;
}

int ReadDriveOffset(TIniFile& settings, const std::string& drive) {
  try {
    return ReadInteger(settings, "Drive Offsets", drive.c_str(), 0);
  } catch (const EIniFileError&) {
    return 0;
  }
}

RipJob::RipJob(RipHost& host, TWaveIn& waveIn, TVorbisOut& vorbisOut)
    : FHost(host), FWaveIn(waveIn), FVorbisOut(vorbisOut) {
  FVorbisOut.SetInput(&FWaveIn);
  FVorbisOut.SetSuspendWhenIdle(false);
  FVorbisOut.SetDiscardStopped(true);  // a cancelled track leaves the earlier file of its name alone
  FVorbisOut.SetOnDone([this](TACSOutput*) { FHost.Post([this] { RunGuarded([this] { VorbisOut1done(); }); }); });
  FVorbisOut.SetOnProgress([this](TACSOutput* sender) {
    int progress = sender->Progress();
    FHost.Post([this, progress] { VorbisOut1Progress(progress); });
  });
}

RipJob::~RipJob() = default;

void RipJob::Start(RipInput input) {
  FInput = std::move(input);
  FFinished.clear();
  FReadErrors.clear();
  FResults.clear();
  SetCDReadOffset(FInput.handle, FInput.offset);
  FAccuracy.Start(FInput);
  FCancel = false;
  FRunning = true;
  FHost.SetCaption("Marrowby");
  RunGuarded([this] { RipProcedure(); });
}

// An error that escapes a step ends the job; the window can then be closed.
void RipJob::RunGuarded(const std::function<void()>& step) {
  try {
    step();
  } catch (const std::exception& error) {
    FRunning = false;
    FHost.SetButtonCaption("Close");
    FHost.ShowStandardError(error.what());
  }
}

void RipJob::SetCancel(bool cancel) {
  FCancel = cancel;
  if (cancel && FInput.format == OutputFormat::Ogg) FVorbisOut.Stop();
}

void RipJob::RipProcedure() {
  switch (FInput.format) {
    case OutputFormat::WAV:
      WavBranch();
      break;
    case OutputFormat::MP3:
      Mp3Branch();
      break;
    case OutputFormat::Ogg:
      OggBranch();
      break;
    case OutputFormat::FLAC:
      FlacBranch();
      break;
  }
}

// A name may hold folders (a naming template's); they are made below the output folder.
std::string RipJob::OutputPath(const RipRow& row) const {
  MakeOutputFolders(FInput.folder, Trimmed(row.name));
  return FInput.folder + "/" + Trimmed(row.name);
}

void RipJob::CommonStart(const RipRow& row) {
  FHost.SetButtonCaption("Cancel");
  FHost.SetCaption("Processing:" + row.number + " (" + row.name + ")");
}

std::string RipJob::FinishedCaption() const {
  return FReadErrors.empty() ? "Finished!" : "Finished with read errors";
}

void RipJob::Finish() {
  FCancel = false;
  FRunning = false;
  FHost.SetCaption(FinishedCaption());
  FHost.SetButtonCaption("Close");
}

// A file whose track had unreadable blocks, or whose reads disagreed, stays as the best the drive could give,
// and the user is told.
void RipJob::TrackFinished(const RipRow& row, const std::string& path, ProvedRead& read) {
  FFinished.push_back(path);
  TrackResult& result = read.result;
  result.path = path;
  std::vector<std::string> problems;
  if (!result.unreadable.empty()) problems.push_back(ReadErrorText(row.number, result.unreadable));
  if (!result.reliable) problems.push_back("Track " + row.number + ": the reads of test and copy differ, the track is unreliable");
  for (const std::string& text : problems) {
    FReadErrors.push_back(text);
    FHost.ReportReadErrors(text);
  }
  result.verdict = FAccuracy.Verify(row, read.checksums, [this] { FHost.ProcessMessages(); });
  FResults.push_back(result);
  FHost.ReportTrack(result);
}

// The disc's verdict, the log and the cue sheet, once every checked track is written.
void RipJob::Completed() {
  if (FResults.empty() || FInput.toc.entries.empty()) return;
  std::vector<TrackVerdict> verdicts;
  for (const TrackResult& result : FResults) verdicts.push_back(result.verdict);
  std::string verdict = DiscVerdictText(verdicts);
  if (!FAccuracy.LookupError().empty()) verdict += " (" + FAccuracy.LookupError() + ")";
  FHost.ReportDisc(verdict, FAccuracy.WriteLogAndCue(FResults, verdict));
}

RipJob::ProvedRead RipJob::ReadTrackProved(const RipRow& row, TFileStream& file, int scale) {
  ProvedRead read{{}, FAccuracy.ChecksumsFor(row)};
  TrackResult& result = read.result;
  result.number = row.number;
  result.blocks = row.blocks;
  std::vector<std::uint32_t> crcs;  // of the reads so far
  if (FInput.values.testAndCopy) {
    TrackChecksums test = FAccuracy.ChecksumsFor(row);
    ReadTrack(row, nullptr, scale, test);
    result.tested = true;
    result.testCrc = test.Sums().crc32;
    crcs.push_back(result.testCrc);
  }
  // A copy that differs from every earlier read is read again, three times at most.
  for (int copy = 0; !FCancel; ++copy) {
    read.checksums = FAccuracy.ChecksumsFor(row);
    file.Seek(0, SEEK_SET);
    result.unreadable = ReadTrack(row, &file, scale, read.checksums);
    std::uint32_t crc = read.checksums.Sums().crc32;
    if (!result.tested || std::find(crcs.begin(), crcs.end(), crc) != crcs.end()) break;
    crcs.push_back(crc);
    if (copy == 3) {
      result.reliable = false;
      break;
    }
  }
  result.sums = read.checksums.Sums();
  return read;
}

// The drive may take long over a damaged stretch; the window is served meanwhile.
void RipJob::ReadKeepingWindowAlive(TRACKBUF& buffer, std::vector<std::uint32_t>& unreadable) {
  FReader.Start(FInput.handle, &buffer);
  while (!FReader.Wait(std::chrono::milliseconds(20))) FHost.ProcessMessages();
  unreadable.insert(unreadable.end(), FReader.Unreadable().begin(), FReader.Unreadable().end());
}

std::vector<std::uint32_t> RipJob::ReadTrack(const RipRow& row, TFileStream* file, int scale,
                                             TrackChecksums& checksums) {
  const std::uint32_t length = row.blocks;
  auto buffer = std::make_unique<TRACKBUF>();
  // A track shorter than one read must not take blocks of the next track with it.
  std::uint32_t blocksPerRead = std::min<std::uint32_t>(TRACKBUF_BLOCKS, length);
  TWaveHeader header = MakeWaveHeader(2, 16, static_cast<std::int32_t>(length * CD_BLOCK_BYTES), 44100);
  if (file != nullptr) file->WriteBuffer(header.data(), kWaveHeaderSize);
  std::uint32_t start = row.start;
  std::uint32_t remaining = length;
  std::int64_t written = 0;
  std::vector<std::uint32_t> unreadable;
  while (remaining > 0 && !FCancel) {
    buffer->startFrame = start;
    buffer->numFrames = blocksPerRead;
    buffer->maxLen = TRACKBUF_BLOCKS * CD_BLOCK_BYTES;
    ReadKeepingWindowAlive(*buffer, unreadable);
    // A disc that delivers nothing (taken out, a dead handle) must not give silent files.
    if (buffer->len == 0) throw EStreamError("The disc could not be read");
    if (file != nullptr) file->WriteBuffer(buffer->buf + buffer->startOffset, buffer->len);
    checksums.Add(buffer->buf + buffer->startOffset, buffer->len);
    written += buffer->len;
    start += buffer->numFrames;
    remaining -= std::min(buffer->numFrames, remaining);
    FHost.ProcessMessages();
    if (remaining < blocksPerRead) blocksPerRead = remaining;
    FHost.SetGauge(static_cast<int>(std::int64_t(length - remaining) * scale / length));
  }
  // The header states what the file holds when the disc gave less than its table promised.
  if (file != nullptr && !FCancel && written != std::int64_t(length) * CD_BLOCK_BYTES) {
    std::uint8_t size[4];
    PutLittleEndian(size, static_cast<std::uint32_t>(written));
    file->Seek(40, SEEK_SET);
    file->WriteBuffer(size, 4);
    PutLittleEndian(size, static_cast<std::uint32_t>(written + 36));
    file->Seek(4, SEEK_SET);
    file->WriteBuffer(size, 4);
  }
  for (std::uint32_t& block : unreadable) block -= row.start;
  return unreadable;
}

void RipJob::WavBranch() {
  for (RipRow& row : FInput.rows) {
    if (!Rippable(row)) continue;
    CommonStart(row);
    std::string path = OutputPath(row);
    TFileStream file(path, TFileStream::Mode::Replace);
    ProvedRead read = ReadTrackProved(row, file, 100);
    if (FCancel) break;  // the unfinished file goes; an earlier file of that name stays
    if (!file.Commit()) throw EStreamError("Cannot create file " + path);
    TrackFinished(row, path, read);
  }
  if (!FCancel) Completed();
  Finish();
}

void RipJob::Mp3Branch() {
  for (RipRow& row : FInput.rows) {
    if (!Rippable(row)) continue;
    CommonStart(row);
    FOutputPath = OutputPath(row);
    FTemporaryPath = FOutputPath + ".convert";
    // The temporary file is of no use once its row is over, however the row ended.
    struct RemoveTemporary {
      std::string path;
      ~RemoveTemporary() { RemoveFile(path); }
    } temporary{FTemporaryPath};
    std::optional<ProvedRead> read;
    {
      TFileStream file(FTemporaryPath, TFileStream::Mode::Create);
      read = ReadTrackProved(row, file, 40);
    }
    if (FCancel) break;
    Mp3Result result = EncodeMp3(FTemporaryPath, FOutputPath, Mp3TagOf(row.tags));
    if (result == Mp3Result::Failed) {
      FRunning = false;
      return;
    }
    if (result == Mp3Result::Cancelled) break;
    TrackFinished(row, FOutputPath, *read);
  }
  if (FCancel) FHost.CloseWindow();
  else Completed();
  Finish();
}

RipJob::Mp3Result RipJob::EncodeMp3(const std::string& temporary, const std::string& output, const std::string& tag) {
  TFileStream in(temporary, TFileStream::Mode::Read);
  TFileStream out(output, TFileStream::Mode::Replace);
  out.WriteBuffer(tag.data(), static_cast<std::int64_t>(tag.size()));
  BE_CONFIG config;
  config.mp3.dwSampleRate = static_cast<std::uint32_t>(FInput.values.sampleRate);
  config.mp3.wBitrate = static_cast<std::uint16_t>(FInput.values.bitrate);
  config.mp3.bPrivate = FInput.values.privateBit;
  config.mp3.bCRC = FInput.values.crc;
  config.mp3.bCopyright = FInput.values.copyright;
  config.mp3.bOriginal = FInput.values.original;
  std::uint32_t samples = 0, bufferSize = 0;
  HBE_STREAM stream = 0;
  BE_ERR error = beInitStream(&config, &samples, &bufferSize, &stream);
  if (error != BE_ERR_SUCCESSFUL) {
    FHost.ShowError("Error opening encoding stream " + std::to_string(error));
    FHost.CloseWindow();
    return Mp3Result::Failed;
  }
  auto fail = [&](const std::string& text) {
    beCloseStream(stream);
    FHost.ShowError(text);
    FHost.SetButtonCaption("Close");
    return Mp3Result::Failed;
  };
  std::vector<std::int16_t> pcm(samples);
  std::vector<std::uint8_t> mp3(bufferSize);
  in.Seek(kWaveHeaderSize, SEEK_SET);
  const std::int64_t length = in.Size() - kWaveHeaderSize;
  std::int64_t done = 0;
  std::uint32_t produced = 0;
  while (done != length && !FCancel) {
    std::int64_t count = 2 * std::int64_t(samples);
    if (done + count >= length) count = length - done;
    if (in.Read(pcm.data(), count) < count) return fail("Read Error");
    error = beEncodeChunk(stream, static_cast<std::uint32_t>(count / 2), pcm.data(), mp3.data(), &produced);
    if (error != BE_ERR_SUCCESSFUL) return fail("beEncodeChunk failed " + std::to_string(error));
    if (out.Write(mp3.data(), produced) != produced) return fail("Write Error");
    done += count;
    FHost.SetGauge(static_cast<int>(40 + done * 60 / length));
    FHost.ProcessMessages();
  }
  error = beDeinitStream(stream, mp3.data(), &produced);
  if (error != BE_ERR_SUCCESSFUL) return fail("beExitStream failed " + std::to_string(error));
  if (out.Write(mp3.data(), produced) != produced) return fail("Write error");
  // The Info frame after the tag tells decoders where the track's own samples begin and end.
  error = beInfoFrame(stream, mp3.data(), &produced);
  if (error != BE_ERR_SUCCESSFUL) return fail("beInfoFrame failed " + std::to_string(error));
  if (out.Seek(std::int64_t(tag.size()), SEEK_SET) < 0 || out.Write(mp3.data(), produced) != produced)
    return fail("Write error");
  beCloseStream(stream);
  if (FCancel) return Mp3Result::Cancelled;
  if (!out.Commit()) throw EStreamError("Cannot create file " + output);
  return Mp3Result::Done;
}

// As the MP3 branch: each track is read into a temporary WAV file, then encoded while the window is served.
// An encoder error ends the job with its message; a cancel ends it as a cancelled WAV rip does.
void RipJob::FlacBranch() {
  for (RipRow& row : FInput.rows) {
    if (!Rippable(row)) continue;
    CommonStart(row);
    FOutputPath = OutputPath(row);
    FTemporaryPath = FOutputPath + ".convert";
    struct RemoveTemporary {
      std::string path;
      ~RemoveTemporary() { RemoveFile(path); }
    } temporary{FTemporaryPath};
    std::optional<ProvedRead> read;
    {
      TFileStream file(FTemporaryPath, TFileStream::Mode::Create);
      read = ReadTrackProved(row, file, 40);
    }
    if (FCancel) break;
    TrackEncodeResult result = EncodeFlacTrack(
        {FTemporaryPath, FOutputPath, FInput.values.flacLevel, VorbisCommentsOf(row.tags)},
        [this](int percent) { FHost.SetGauge(40 + percent * 60 / 100); },
        [this] {
          FHost.ProcessMessages();
          return FCancel;
        });
    if (result.end == TrackEncodeEnd::Failed) throw EStreamError(result.error);
    if (result.end == TrackEncodeEnd::Cancelled) break;
    TrackFinished(row, FOutputPath, *read);
  }
  if (!FCancel) Completed();
  Finish();
}

void RipJob::OggBranch() {
  std::size_t index = 0;
  while (index < FInput.rows.size() && !Rippable(FInput.rows[index])) ++index;
  if (index == FInput.rows.size()) {
    Completed();
    FRunning = false;
    return;
  }
  RipRow& row = FInput.rows[index];
  CommonStart(row);
  FOutputPath = OutputPath(row);
  FTemporaryPath = FOutputPath + ".convert";
  // The temporary file goes when the row ends before the encoder has it, however it ends.
  struct RemoveTemporary {
    std::string path;
    ~RemoveTemporary() {
      if (!path.empty()) RemoveFile(path);
    }
  } temporary{FTemporaryPath};
  {
    TFileStream file(FTemporaryPath, TFileStream::Mode::Create);
    FEncodedRead = ReadTrackProved(row, file, 40);
  }
  FEncodedRow = &row;
  if (FCancel) {
    FRunning = false;
    FHost.SetCaption(FinishedCaption());
    FHost.SetButtonCaption("Close");
    return;
  }
  FVorbisOut.SetDelay(16 - 5 * FInput.values.cpu);
  FWaveIn.SetFileName(FTemporaryPath);
  FVorbisOut.SetFileName(FOutputPath);
  FVorbisOut.SetCompression(static_cast<float>(FInput.values.compr) / 100.0f);
  FVorbisOut.SetComments(VorbisCommentsOf(row.tags));
  FVorbisOut.Run();
  temporary.path.clear();  // the encoder's done handler removes it
  row.checked = false;
  FHost.UncheckRow(index);
}

void RipJob::VorbisOut1done() {
  RemoveFile(FTemporaryPath);
  std::string error = FVorbisOut.RunError();
  if (error.empty() && !FCancel) TrackFinished(*FEncodedRow, FOutputPath, *FEncodedRead);
  FHost.SetButtonCaption("Close");
  FHost.SetCaption(FinishedCaption());
  if (!error.empty()) throw EStreamError(error);
  if (FCancel) {
    FRunning = false;
    return;
  }
  RipProcedure();
}

void RipJob::VorbisOut1Progress(int progress) { FHost.SetGauge(progress * 60 / 100 + 40); }
