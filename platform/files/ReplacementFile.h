#pragma once
// The new content of a file, written beside it and put in its place in one step once complete, so that
// an existing file is never left half written and nothing planted beside it can redirect the write.

#include <cstddef>
#include <string>

// Which link at a file's name a write follows: any (a name the user gave), or only one of the user or root
// (a name the program chose itself, in a folder that others may write to).
enum class LinkRule { Any, OwnedOnly };

class ReplacementFile {
 public:
  // Nothing is created yet. A path that is a symbolic link stands for the file it names: that file gets
  // the new content and the link stays, unless the rule refuses the link.
  explicit ReplacementFile(std::string path, LinkRule links = LinkRule::Any);
  // Removes the temporary file unless Commit put it in place.
  ~ReplacementFile();
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;

  // Creates the temporary file, always a new one: a link, a folder or another program's file of that
  // name is left alone and another name taken. Our own temporaries of that name that a killed run left
  // (older than a minute, open in no process) are removed first. False (errno set) when it cannot be created, or when the
  // path is a link to nothing, a link the rule refuses, or names something other than a regular file.
  bool Create();
  // The link that Create refused; empty when it refused none.
  const std::string& RefusedLink() const { return FRefusedLink; }
  int Descriptor() const { return FDescriptor; }
  // Writes every byte; false when the file system refused some.
  bool WriteAll(const void* data, std::size_t count);
  // Flushes and closes the temporary file, gives it the replaced file's owner, group and permission bits
  // and renames it over that file. False when any of it failed; the old file then stays as it was.
  bool Commit();
  // The file that is replaced: the path, or the file its link names.
  const std::string& TargetPath() const { return FTarget; }

 private:
  bool CloseDescriptor();

  std::string FPath;
  LinkRule FLinks;
  std::string FRefusedLink;
  std::string FTarget;
  std::string FTemporary;
  int FDescriptor = -1;
};

// The file a write to path lands in: path itself, or the file a symbolic link there names (empty when the
// link leads nowhere).
std::string WrittenFile(const std::string& path);
// Replaces (or creates) the file at path with text, through a ReplacementFile: every byte written, flushed
// and closed before the new file takes the old one's place. False when any of it failed.
bool ReplaceFileWith(const std::string& path, const std::string& text);
// The same, saying why it failed: "PATH: REASON", or that the link at path was refused; empty when written.
std::string ReplaceFileSayingWhy(const std::string& path, const std::string& text, LinkRule links);
// Writes every byte to the descriptor; false when the file system refused some.
bool WriteFully(int descriptor, const void* data, std::size_t count);
