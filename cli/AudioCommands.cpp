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
#include "cli/Usage.h"
#include "platform/files/FileChecks.h"

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

// The number of devices listed.
int ListDevices(bool output) {
  TDeviceInfo info;
  for (int number = 0;; ++number) {
    try {
      GetDeviceInfo(number, output, info);
    } catch (const EACSException&) {
      return number;  // past the last device
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

bool Parse(const std::vector<std::string>& args, RecordOptions& options) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg.rfind("--", 0) != 0) {
      if (!options.out.empty()) return WrongArgument("unexpected argument " + arg);
      options.out = arg;
      continue;
    }
    int* value = arg == "--seconds"    ? &options.seconds
                 : arg == "--rate"     ? &options.rate
                 : arg == "--bits"     ? &options.bits
                 : arg == "--channels" ? &options.channels
                                       : nullptr;
    if (value == nullptr) return WrongArgument("unknown option " + arg);
    if (++i == args.size()) return WrongArgument(arg + " needs a value");
    if (!ParseNumber(args[i], INT_MIN, INT_MAX, *value)) return WrongArgument("wrong value for " + arg + ": " + args[i]);
  }
  bool rateKnown = options.rate == 11025 || options.rate == 22050 || options.rate == 44100;
  if (options.out.empty()) return WrongArgument("OUT.wav is missing");
  if (options.seconds <= 0) return WrongArgument("--seconds N (above 0) is missing");
  if (!rateKnown) return WrongArgument("--rate takes 11025, 22050 or 44100");
  if (options.bits != 8 && options.bits != 16) return WrongArgument("--bits takes 8 or 16");
  return options.channels == 1 || options.channels == 2 || WrongArgument("--channels takes 1 or 2");
}

}  // namespace

int RunDevices() {
  int devices = ListDevices(true);
  devices += ListDevices(false);
  if (devices == 0) return Fail("No sound device: is a sound server (PulseAudio or PipeWire) running?");
  return 0;
}

int RunPlay(const std::vector<std::string>& args) {
  if (args.size() != 1 || args[0].rfind("--", 0) == 0) {
    WrongArgument(args.empty() ? "FILE.ogg is missing" : args.size() == 1 ? "unknown option " + args[0]
                                                                          : "unexpected argument " + args[1]);
    return UsageError("play");
  }
  try {
    BindVorbisLibraries();
    TVorbisIn source;
    source.SetFileName(args[0]);
    source.GetChannels();  // opens the file once: a missing one throws here
    if (!source.Valid()) return Fail(InvalidInputText(source, "Ogg Vorbis"));
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
  if (!Parse(args, options)) return UsageError("record");
  try {
    TAudioIn source;
    source.SetInSampleRate(options.rate);
    source.SetInBitsPerSample(options.bits);
    source.SetInChannels(options.channels);
    source.SetRecTime(options.seconds);
    TWaveOut sink;
    sink.SetInput(&source);
    sink.SetFileName(options.out);
    MakeFolderOf(options.out);  // as the recorder window does
    sink.SetKeepOnWriteError(true);  // as the sound recorder: a late write failure keeps the take so far
    std::string error = RunToEnd(sink);
    if (!error.empty() && sink.KeptAfterError()) error += ". What was recorded before is kept in " + options.out;
    return error.empty() ? 0 : Fail(error);
  } catch (const std::exception& error) {
    return Fail(error.what());
  }
}
