#pragma once
// The folder of the running executable, ending in "/". A program folder the user can write to (the build's
// bin/, a copy in a folder of their own) also holds the settings and the fallback output folders; an installed
// one, which the user cannot write (or one under /usr, which programs never write), sends them to the user's
// own folders.

#include <string>

std::string ProgramFolder();
// Where the demo disc and the default settings.ini live, ending in "/": PREFIX/share/quillon/ beside an
// installed program folder PREFIX/lib/quillon/, otherwise the program folder itself (a build's bin/).
std::string DataFolder();
// The help page: PREFIX/share/doc/quillon/Quillon.html beside an installed program folder, otherwise the
// program folder's Quillon.html.
std::string HelpFile();
bool ProgramFolderWritable();
// settings.ini in a writable program folder; otherwise $XDG_CONFIG_HOME/quillon/settings.ini
// (~/.config/quillon). Either is made as a copy of the data folder's default settings.ini when it is not
// there yet.
std::string SettingsFile();
// Where replies kept for later (AccurateRip's) go: beside the settings file in a writable program folder,
// otherwise $XDG_CACHE_HOME/quillon (~/.cache/quillon), so an installed program writes nothing into /usr.
std::string CacheFolder(const std::string& settingsFile);
// Tests run the windows against a folder of their own, which they may declare read-only.
void OverrideProgramFolder(const std::string& folder, bool writable = true);
