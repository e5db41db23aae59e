#pragma once
// File names from disc data: printable, inside the output folder, short enough for the file system, never
// the same for two tracks; optionally built from a template of the user's.

#include <string>
#include <vector>

#include "cd/DiscMetadata.h"
#include "cd/TrackTable.h"

class TIniFile;

// The longest file name we make, in bytes: the file system's 255 less room for the rip's ".convert" and
// the file stream's ".partial" suffixes.
constexpr std::size_t kLongestFileName = 255 - 8 - 8;

// text as valid UTF-8 (bytes that are not UTF-8 taken as Latin-1) without control characters and without
// terminal escape sequences.
std::string PrintableText(const std::string& text);

// One path component for a title: printable, "/" replaced by "-", a double quote by an apostrophe (so that a
// cue sheet can name the file), a leading "." ("." and ".." too, and what would make a hidden file) prefixed
// with "_", the
// Windows-reserved characters replaced by "_" on request, shortened at a character boundary so that it
// and the extension fit kLongestFileName. A blank title becomes "Track-" and the two-digit number.
std::string TrackFileName(const std::string& title, const std::string& number, const std::string& extension,
                          bool windowsSafe = false);

// Gives the second and later rows of an equal name (compared without regard to ASCII case, trimmed of blanks as
// the rip trims them) " (2)", " (3)"... before the extension.
void MakeNamesUnique(std::vector<std::string>& names);

// The user's naming choice, settings section "Rip": "name template" (empty: names after the titles alone)
// and "Windows-safe names".
struct NamingOptions {
  std::string nameTemplate;
  bool windowsSafe = false;
};
NamingOptions ReadNamingOptions(TIniFile* settings);

// The name of a track through a template: %n the two-digit number, %t title, %a artist, %A album, %y year,
// %g genre, %b album artist, %d disc number and %D disc total (1 when unknown), %% a percent sign; "/"
// separates folders. Each token's own "/" is replaced, empty folders dropped.
std::string TemplateFileName(const std::string& nameTemplate, const TrackTags& tags, const std::string& number,
                             const std::string& extension, bool windowsSafe);

// The names of a looked-up disc's rows, unique, after the options.
// The disc's tracks among the rows: the hidden audio's row is none of them.
int TracksAmong(const std::vector<TrackRow>& rows);

std::vector<std::string> LookedUpNames(const DiscMetadata& metadata, const std::vector<TrackRow>& rows,
                                       OutputFormat format, const NamingOptions& options);

// Names freshly read rows through the template, when one is set: each title is then the row's own "Track-NN".
// Without a template the rows keep their names.
void NameFreshRows(std::vector<TrackRow>& rows, OutputFormat format, const NamingOptions& options);

