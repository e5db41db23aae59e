#pragma once
// A file opened for reading or created for writing, with the file system's error texts.

#include <cstdint>
#include <stdexcept>
#include <string>

class EStreamError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TFileStream {
 public:
  // Replace writes beside the file and puts the result in its place only at Commit, so an existing
  // file stays as it was until its replacement is complete; without Commit the attempt is removed.
  enum class Mode { Read, Create, Replace };
  // Throws EStreamError "Cannot open file NAME" or "Cannot create file NAME". Creating replaces a file.
  TFileStream(const std::string& fileName, Mode mode);
  ~TFileStream();
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;

  // Bytes read: fewer than count only at the end of the file or on an error.
  std::int64_t Read(void* buffer, std::int64_t count);
  // Bytes written: fewer than count when the file system refused the rest.
  std::int64_t Write(const void* buffer, std::int64_t count);
  // Throws EStreamError "Stream write error" unless every byte is written.
  void WriteBuffer(const void* buffer, std::int64_t count);
  // The new position, or -1 when the seek failed. whence: SEEK_SET, SEEK_CUR or SEEK_END.
  std::int64_t Seek(std::int64_t offset, int whence);
  std::int64_t Size() const;
  // Replace mode: closes the file and moves it to its name; false when that failed.
  bool Commit();

 private:
  int FHandle = -1;
  std::string FFileName;
  std::string FPartialName;  // while a replacement is being written
};
