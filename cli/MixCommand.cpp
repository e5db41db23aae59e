#include "cli/MixCommand.h"

#include <cstdint>
#include <cstdio>

#include "acs/ACS_AudioMix.h"
#include "acs/ACS_Wave.h"
#include "acs/OutputCheck.h"
#include "cli/CliSupport.h"
#include "cli/SinkRunner.h"
#include "cli/Usage.h"
#include "platform/files/FileChecks.h"

namespace {

struct MixOptions {
  std::vector<std::string> files;  // IN1 IN2 OUT
  TAudioMixerMode mode = amMix;
  int volume1 = 255;
  int volume2 = 255;
};

bool Parse(const std::vector<std::string>& args, MixOptions& options) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--concatenate") {
      options.mode = amConcatenate;
    } else if (arg == "--volume1" || arg == "--volume2") {
      if (++i == args.size()) return WrongArgument(arg + " needs a value");
      if (!ParseNumber(args[i], 0, 255, arg == "--volume1" ? options.volume1 : options.volume2))
        return WrongArgument(arg + " takes 0 to 255, not " + args[i]);
    } else if (arg.rfind("--", 0) == 0) {
      return WrongArgument("unknown option " + arg);
    } else {
      options.files.push_back(arg);
    }
  }
  if (options.files.size() > 3) return WrongArgument("unexpected argument " + options.files[3]);
  return options.files.size() == 3 || WrongArgument("IN1, IN2 and OUT are needed");
}

// The WAV mixer's own check, with its message.
bool SamePaths(const std::vector<std::string>& files) {
  return files[0] == files[1] || files[0] == files[2] || files[1] == files[2];
}

}  // namespace

int RunMix(const std::vector<std::string>& args) {
  MixOptions options;
  if (!Parse(args, options)) return UsageError("mix");
  if (SamePaths(options.files))
    return Fail("Please check the Input File and Output File! They can't be the same file!");
  std::string warning = OutputPathWarning({options.files[0], options.files[1]}, options.files[2]);
  if (!warning.empty()) return FailWarning(warning);
  TWaveIn source1;
  source1.SetFileName(options.files[0]);
  TWaveIn source2;
  source2.SetFileName(options.files[1]);
  TAudioMixer mixer;
  mixer.SetInput1(&source1);
  mixer.SetInput2(&source2);
  mixer.SetMode(options.mode);
  mixer.SetVolume1(static_cast<std::uint8_t>(options.volume1));
  mixer.SetVolume2(static_cast<std::uint8_t>(options.volume2));
  TWaveOut sink;
  sink.SetInput(&mixer);
  sink.SetFileName(options.files[2]);
  MakeFolderOf(options.files[2]);  // as the mixer window does
  try {
    std::string error = RunToEnd(sink);
    return error.empty() ? 0 : Fail(error);
  } catch (const std::exception& error) {
    return Fail(error.what());
  }
}
