#include "cli/AudioCommands.h"

#include <climits>
#include <cstdio>
#include <exception>

#include "acs/ACS_Audio.h"
#include "acs/ACS_Vorbis.h"
#include "acs/ACS_Wave.h"
#include "acs/OutputCheck.h"
#include "cli/CliSupport.h"
#include "cli/SinkRunner.h"

namespace {

// The standard formats by their bit in TDeviceInfo::Formats.
std::string FormatNames(TAudioFormats formats) {
  static const char* const kRates[] = {"11025", "22050", "44100"};
  static const char* const kKinds[] = {"mono/8", "mono/16", "stereo/8", "stereo/16"};
  std::string names;
  for (int bit = 0; bit < 12; ++bit) {
    if ((formats & (1u << bit)) == 0) continue;
    if (!names.empty()) names += ' ';
    names += std::string(kRates[bit / 4]) + "/" + kKinds[bit % 4];
  }
  return names;
}

void ListDevices(bool output) {
  TDeviceInfo info;
  for (int number = 0;; ++number) {
    try {
      GetDeviceInfo(number, output, info);
    } catch (const EACSException&) {
      return;  // past the last device
    }
    std::printf("%s\t%d\t%s\tdriver %u.%u\t%s\t%s\n", output ? "playback" : "recording", number,
                info.DeviceName.c_str(), unsigned(info.DriverVersion >> 8), unsigned(info.DriverVersion & 0xFF),
                FormatNames(info.Formats).c_str(), info.Stereo ? "stereo" : "mono");
  }
}

struct RecordOptions {
  std::string out;
  int seconds = -1;
  int rate = 22050;
  int bits = 16;
  int channels = 1;
};

int RecordUsage() {
  std::fputs("usage: quillon-cli record OUT.wav --seconds N [--rate 11025|22050|44100] [--bits 8|16] [--channels 1|2]\n",
             stderr);
  return 2;
}

bool Parse(const std::vector<std::string>& args, RecordOptions& options) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg.rfind("--", 0) != 0) {
      if (!options.out.empty()) return false;
      options.out = arg;
      continue;
    }
    if (++i == args.size()) return false;
    int* value = arg == "--seconds"    ? &options.seconds
                 : arg == "--rate"     ? &options.rate
                 : arg == "--bits"     ? &options.bits
                 : arg == "--channels" ? &options.channels
                                       : nullptr;
    if (value == nullptr || !ParseNumber(args[i], INT_MIN, INT_MAX, *value)) return false;
  }
  bool rateKnown = options.rate == 11025 || options.rate == 22050 || options.rate == 44100;
  return !options.out.empty() && options.seconds > 0 && rateKnown && (options.bits == 8 || options.bits == 16) &&
         (options.channels == 1 || options.channels == 2);
}

}  // namespace

int RunDevices() {
  ListDevices(true);
  ListDevices(false);
  return 0;
}

int RunPlay(const std::vector<std::string>& args) {
  if (args.size() != 1) {
    std::fputs("usage: quillon-cli play FILE.ogg\n", stderr);
    return 2;
  }
  try {
    BindVorbisLibraries();
    TVorbisIn source;
    source.SetFileName(args[0]);
    source.GetChannels();  // opens the file once: a missing one throws here
    if (!source.Valid()) return Fail(InvalidInputText(args[0], "Ogg Vorbis"));
    TAudioOut sink;
    sink.SetInput(&source);
    sink.SetDelay(1);  // as the Ogg player: keep the sound card fed
    std::string error = RunToEnd(sink);
    return error.empty() ? 0 : Fail(error);
  } catch (const std::exception& error) {
    return Fail(error.what());
  }
}

int RunRecord(const std::vector<std::string>& args) {
  RecordOptions options;
  if (!Parse(args, options)) return RecordUsage();
  try {
    TAudioIn source;
    source.SetInSampleRate(options.rate);
    source.SetInBitsPerSample(options.bits);
    source.SetInChannels(options.channels);
    source.SetRecTime(options.seconds);
    TWaveOut sink;
    sink.SetInput(&source);
    sink.SetFileName(options.out);
    sink.SetKeepOnWriteError(true);  // as the sound recorder: a late write failure keeps the take so far
    std::string error = RunToEnd(sink);
    if (!error.empty() && sink.KeptAfterError()) error += ". What was recorded before is kept in " + options.out;
    return error.empty() ? 0 : Fail(error);
  } catch (const std::exception& error) {
    return Fail(error.what());
  }
}
