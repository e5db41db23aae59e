#pragma once
// Notes on what the program does behind its results, for a user who asked to see them (quillon-cli -v): the
// URL of each web request and its answer, the rounds of rereading a block range that would not verify. Off
// until a sink is set; any thread may write a note.

#include <functional>
#include <string>

void SetVerboseNotes(std::function<void(const std::string&)> sink);
bool VerboseNotesWanted();
void VerboseNote(const std::string& note);
