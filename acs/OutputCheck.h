#pragma once
// The checks every tool makes before it starts writing, shared by the tool windows and quillon-cli.

#include <string>
#include <vector>

#include "acs/ACS_Classes.h"

// The warning shown instead of starting when the output would overwrite one of the inputs (the same path,
// or another path to that file: a link, a hard link) or names a folder; empty when the run may start.
std::string OutputPathWarning(const std::vector<std::string>& inputs, const std::string& output);

// The refusal of an input that is not a file of its kind ("WAV", "Ogg Vorbis"): the source's own reason when
// it knows one (the file cannot be opened, its format is one it cannot deliver).
std::string InvalidInputText(const TACSFileIn& source, const std::string& kind);
