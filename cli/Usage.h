#pragma once
// The usage texts of quillon-cli and its commands, for --help on stdout and for wrong usage on stderr.

#include <string>

// The usage of every command, and how to get more.
int ShowHelp();
// The usage of one command on stdout, exit status 0; a command that does not exist is wrong usage.
int ShowHelp(const std::string& command);
// Names what was wrong with the command line; always false, so that a parser can return it.
bool WrongArgument(const std::string& problem);
// The problem WrongArgument named, if any, then the command's usage, on stderr: the exit status 2.
int UsageError(const std::string& command);
int ShowVersion();
