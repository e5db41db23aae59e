#pragma once
// quillon-cli devices, play and record: the sound card from the command line.

#include <string>
#include <vector>

// One line per device: KIND<TAB>NUMBER<TAB>NAME<TAB>driver VERSION<TAB>formats<TAB>stereo|mono.
int RunDevices();
// args: FILE.ogg; returns the exit status.
int RunPlay(const std::vector<std::string>& args);
// args: OUT.wav --seconds N [--rate 11025|22050|44100] [--bits 8|16] [--channels 1|2].
int RunRecord(const std::vector<std::string>& args);
