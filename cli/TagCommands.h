#pragma once
// quillon-cli tag show, write and remove: the ID3 editor's reading, saving and removing from the command line.

#include <string>
#include <vector>

// args: show FILE | write FILE [--title T] ... [--comment C] | remove FILE; returns the exit status.
int RunTag(const std::vector<std::string>& args);
