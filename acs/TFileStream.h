#pragma once
// A file opened for reading, or created for writing (and reading back what was written), with the file
// system's error texts.

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

#include "platform/files/FileChecks.h"
#include "platform/files/ReplacementFile.h"

class EStreamError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TFileStream {
 public:
  // Replace writes beside the file and puts the result in its place only at Commit, so an existing
  // file stays as it was until its replacement is complete; without Commit the attempt is removed.
  enum class Mode { Read, Create, Replace };
  // Throws EStreamError "Cannot open file NAME" or "Cannot create file NAME". Read opens regular files only
  // (a FIFO or a device would wait for ever). Create removes an earlier file of that name and makes a new
  // one. Replace writes through a symbolic link to the file it names, where links allows it, and keeps that
  // file's permission bits; a link refused is named in the error.
  TFileStream(const std::string& fileName, Mode mode, LinkRule links = LinkRule::Any);
  ~TFileStream();
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;

  // Bytes read: fewer than count only at the end of the file. Throws EStreamError "Stream read error" when
  // the file system reports an error.
  std::int64_t Read(void* buffer, std::int64_t count);
  // Bytes written: fewer than count when the file system refused the rest.
  std::int64_t Write(const void* buffer, std::int64_t count);
  // Throws EStreamError (WriteErrorText) unless every byte is written.
  void WriteBuffer(const void* buffer, std::int64_t count);
  // text, "Stream write error" by default; when the last write failed for want of room, followed by
  // ": the disk is full (NAME)".
  std::string WriteErrorText(const std::string& text = "Stream write error") const;
  // The new position, or -1 when the seek failed. whence: SEEK_SET, SEEK_CUR or SEEK_END.
  std::int64_t Seek(std::int64_t offset, int whence);
  std::int64_t Size() const;
  int Handle() const { return FHandle; }
  // Replace mode: closes the file and moves it to its name; false when that failed.
  bool Commit();

 private:
  int FHandle = -1;
  std::string FFileName;
  bool FDiskFull = false;  // the last write that failed found no room
  std::unique_ptr<ReplacementFile> FReplacement;  // while a replacement is being written
};
