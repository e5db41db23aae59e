#include "app/ProgramArguments.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A URL's path with its %XX escapes decoded; a bad escape stays as it was.
std::string Unescaped(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 && HexDigit(text[i + 2]) >= 0) {
      out += static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

// A file manager hands over a disc as cdda://sr0 (or cdda:///dev/sr0), a file as file:///path or
// file://localhost/path; a terminal gives paths, relative or not, and image values such as bincue:disc.cue.
std::string SourceOf(const std::string& argument) {
  if (argument.rfind("cdda://", 0) == 0) {
    std::string device = Unescaped(argument.substr(7));
    while (!device.empty() && device.back() == '/') device.pop_back();
    return device.rfind('/', 0) == 0 ? device : "/dev/" + device;
  }
  if (argument.rfind("file://", 0) == 0) {
    std::string rest = argument.substr(7);
    if (rest.rfind("localhost/", 0) == 0) rest = rest.substr(9);
    return rest.rfind('/', 0) == 0 ? Unescaped(rest) : std::string();
  }
  std::size_t colon = argument.find(':');
  std::string prefix = colon == std::string::npos || argument.find('/') < colon ? "" : argument.substr(0, colon + 1);
  std::string path = argument.substr(prefix.size());
  if (path.empty()) return {};
  std::error_code ec;
  return prefix + fs::absolute(path, ec).lexically_normal().string();
}

}  // namespace

ProgramArguments ParseProgramArguments(int argc, const char* const* argv) {
  for (int i = 1; i < argc; ++i) {
    std::string argument = argv[i];
    if (argument == "-h" || argument == "--help") return {ProgramArguments::Action::Help, {}, {}};
    if (argument == "--version") return {ProgramArguments::Action::Version, {}, {}};
  }
  ProgramArguments arguments;
  for (int i = 1; i < argc; ++i) {
    std::string argument = argv[i];
    if (argument.rfind('-', 0) == 0) return {ProgramArguments::Action::Error, {}, "unknown option '" + argument + "'"};
    std::string source = SourceOf(argument);
    if (source.empty()) return {ProgramArguments::Action::Error, {}, "'" + argument + "' names no local file or disc"};
    arguments.sources.push_back(source);
  }
  return arguments;
}

std::string ProgramHelp() {
  return "Usage: quillon [IMAGE | DEVICE | URL]...\n"
         "Starts Quillon's window. Each IMAGE given (SHEET.cue, bincue:SHEET.cue or\n"
         "cdrdao:FILE.toc) is listed as a drive beside those of [CD Images] in the\n"
         "settings; the last image or DEVICE (such as /dev/sr0) given is selected.\n"
         "URLs are file:// (an image) and cdda:// (a drive), as file managers pass them.\n"
         "\n"
         "  -h, --help     show this help and exit\n"
         "      --version  show the version and exit\n"
         "\n"
         "quillon-cli does the same work from the command line: quillon-cli --help.\n";
}
