#include "cli/ConvertCommand.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "acs/ACS_FLAC.h"
#include "acs/ACS_LAME.h"
#include "acs/ACS_Opus.h"
#include "acs/ACS_Vorbis.h"
#include "acs/ACS_Wave.h"
#include "acs/OutputCheck.h"
#include "cli/CliSupport.h"
#include "cli/SinkRunner.h"
#include "cli/Usage.h"
#include "platform/files/FileChecks.h"

namespace {

struct ConvertOptions {
  std::string in;
  std::string out;
  int bitrate = 128;
  bool bitrateGiven = false;  // then written exactly or refused, never another
  int quality = 20;
  int cpu = 3;
  int level = 5;
};

bool Parse(const std::vector<std::string>& args, ConvertOptions& options) {
  std::vector<std::string> files;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    bool valued = arg == "--bitrate" || arg == "--quality" || arg == "--cpu" || arg == "--level";
    if (!valued) {
      if (arg.rfind("--", 0) == 0) return WrongArgument("unknown option " + arg);
      files.push_back(arg);
      continue;
    }
    if (++i == args.size()) return WrongArgument(arg + " needs a value");
    bool ok = arg == "--bitrate"   ? ParseNumber(args[i], 8, 320, options.bitrate)
              : arg == "--quality" ? ParseNumber(args[i], 0, 100, options.quality)
              : arg == "--level"   ? ParseNumber(args[i], 0, 8, options.level)
                                   : ParseNumber(args[i], 1, 3, options.cpu);
    if (!ok) return WrongArgument("wrong value for " + arg + ": " + args[i]);
    options.bitrateGiven = options.bitrateGiven || arg == "--bitrate";
  }
  if (files.size() > 2) return WrongArgument("unexpected argument " + files[2]);
  if (files.size() != 2) return WrongArgument("IN and OUT are needed");
  options.in = files[0];
  options.out = files[1];
  return true;
}

std::string Extension(const std::string& path) {
  std::string extension = std::filesystem::path(path).extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(), [](unsigned char c) { return std::tolower(c); });
  return extension;
}

// Runs one pipeline and reports as the converter windows would.
int Convert(TACSFileIn& source, TACSOutput& sink, const std::string& kind, const std::string& out) {
  source.GetChannels();  // opens the file once: a missing one throws here
  if (!source.Valid()) return Fail(InvalidInputText(source, kind));
  MakeFolderOf(out);  // as the converter windows do
  std::string error = RunToEnd(sink);
  return error.empty() ? 0 : Fail(error);
}

template <typename Source>
int ToOgg(const ConvertOptions& options, const std::string& kind) {
  Source source;
  source.SetFileName(options.in);
  TVorbisOut sink;
  sink.SetInput(&source);
  sink.SetFileName(options.out);
  sink.SetCompression(options.quality / 100.0f);
  sink.SetDelay(16 - 5 * options.cpu);
  return Convert(source, sink, kind, options.out);
}

template <typename Source>
int ToWave(const ConvertOptions& options, const std::string& kind) {
  Source source;
  source.SetFileName(options.in);
  TWaveOut sink;
  sink.SetInput(&source);
  sink.SetFileName(options.out);
  return Convert(source, sink, kind, options.out);
}

int WaveToFlac(const ConvertOptions& options) {
  TWaveIn source;
  source.SetFileName(options.in);
  TFLACOut sink;
  sink.SetInput(&source);
  sink.SetFileName(options.out);
  sink.SetCompressionLevel(options.level);
  return Convert(source, sink, "PCM WAV", options.out);
}

// --bitrate is the Opus bit rate too, any of those it accepts; without it Opus has its own default, 160 kbit/s.
int WaveToOpus(const ConvertOptions& options) {
  TWaveIn source;
  source.SetFileName(options.in);
  TOpusOut sink;
  sink.SetInput(&source);
  sink.SetFileName(options.out);
  if (options.bitrateGiven) sink.SetBitrate(options.bitrate);
  return Convert(source, sink, "PCM WAV", options.out);
}

// WAV, Ogg Vorbis or FLAC to MP3, as the two MP3 converter windows do it.
template <typename Source>
int ToMp3(const ConvertOptions& options, TMP3BitRate bitRate, const std::string& kind) {
  Source source;
  source.SetFileName(options.in);
  TMP3Out sink;
  sink.SetInput(&source);
  sink.SetFileName(options.out);
  sink.SetBitRate(bitRate);
  sink.SetExactBitRate(options.bitrateGiven);
  return Convert(source, sink, kind, options.out);
}

}  // namespace

int RunConvert(const std::vector<std::string>& args) {
  ConvertOptions options;
  if (!Parse(args, options)) return UsageError("convert");
  std::string from = Extension(options.in);
  std::string to = Extension(options.out);
  TMP3BitRate bitRate = br128;
  if (to != ".opus" && !BitRateOfKilobits(options.bitrate, bitRate)) {
    WrongArgument("no MP3 bit rate of " + std::to_string(options.bitrate) + " kbit/s");
    return UsageError("convert");
  }
  std::string warning = OutputPathWarning({options.in}, options.out);
  if (!warning.empty()) return FailWarning(warning);
  try {
    BindVorbisLibraries();
    if (from == ".wav" && to == ".ogg") return ToOgg<TWaveIn>(options, "PCM WAV");
    if (from == ".ogg" && to == ".wav") return ToWave<TVorbisIn>(options, "Ogg Vorbis");
    if (from == ".wav" && to == ".mp3") return ToMp3<TWaveIn>(options, bitRate, "PCM WAV");
    if (from == ".ogg" && to == ".mp3") return ToMp3<TVorbisIn>(options, bitRate, "Ogg Vorbis");
    if (from == ".wav" && to == ".flac") return WaveToFlac(options);
    if (from == ".flac" && to == ".wav") return ToWave<TFLACIn>(options, "FLAC");
    if (from == ".flac" && to == ".mp3") return ToMp3<TFLACIn>(options, bitRate, "FLAC");
    if (from == ".flac" && to == ".ogg") return ToOgg<TFLACIn>(options, "FLAC");
    if (from == ".wav" && to == ".opus") return WaveToOpus(options);
  } catch (const std::exception& error) {
    return Fail(error.what());
  }
  WrongArgument("cannot convert " + options.in + " to " + options.out + ": the extensions must be .wav to .ogg, "
                ".mp3, .flac or .opus, .ogg to .wav or .mp3, or .flac to .wav, .mp3 or .ogg");
  return UsageError("convert");
}
