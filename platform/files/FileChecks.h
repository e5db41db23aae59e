#pragma once
// What a path names, asked before a file is read or written.

#include <cstdint>
#include <optional>
#include <string>

// A descriptor of the regular file (O_RDONLY, O_CLOEXEC), or -1 (errno set) for anything else or when it
// cannot be opened: a FIFO or a device named by mistake would make its reader wait for ever.
int OpenRegularFile(const std::string& fileName);
// Why OpenRegularFile refuses the path, in words for the user: "No such file or directory", "it is a folder",
// "it is not a regular file".
std::string OpenFailureReason(const std::string& fileName);
// True when path names a regular file, following symbolic links.
bool IsRegularFile(const std::string& path);
bool IsFolder(const std::string& path);
// True when both paths name one file: the same text, or another path to it (a link, a hard link).
bool IsSameFile(const std::string& first, const std::string& second);

// True for a symbolic link at path (not followed) that belongs to neither the user nor root. A name the program
// chooses itself, in a folder that others may write to, follows only the other kind: the rule the kernel keeps
// for links in shared folders.
bool IsForeignLink(const std::string& path);
// The first name below folder along relative (each of its folders, then the file) that is such a link; empty
// when there is none. The folder itself is the user's choice and is not looked at.
std::string ForeignLinkAlong(const std::string& folder, const std::string& relative);
// "the link LINK belongs to another user and is not followed"
std::string ForeignLinkText(const std::string& link);

// The bytes the user may still write in the file system that holds path; none when that cannot be told.
std::optional<std::uint64_t> FreeSpace(const std::string& path);

// Makes a missing folder with its parents. A folder that cannot be made is not reported here: it shows as
// the first file that cannot be created in it.
void MakeFolder(const std::string& folder);
// The same for the folder a file is about to be written in.
void MakeFolderOf(const std::string& fileName);
