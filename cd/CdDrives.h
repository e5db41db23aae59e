#pragma once
// The drive list, the open drive handle and the table of contents of the current drive, as the main
// window keeps them, and the reading of the disc into track rows.

#include <string>
#include <vector>

#include "cd/TableOfContents.h"
#include "cd/TrackTable.h"
#include "platform/akrip32/akrip32.h"

extern const char* const kNoDiscMessage;
extern const char* const kNoTocMessage;

struct DiscReading {
  std::vector<TrackRow> rows;
  std::string message;  // for the status line when the disc could not be read
  std::string reason;   // what the drive knows of why, such as the fault of a disc image's sheet

  // What a command line reports: the reason when there is one, for it names the fault.
  std::string Problem() const { return reason.empty() ? message : reason; }
};

class CdDrives {
 public:
  CdDrives() = default;
  ~CdDrives();
  CdDrives(const CdDrives&) = delete;
  CdDrives& operator=(const CdDrives&) = delete;

  // False when no drive was found; the earlier list then stays.
  bool ReadDriveList();
  std::vector<std::string> Identifications() const;
  int DriveCount() const { return FList.num; }

  int CurrentIndex() const { return FCurrentIndex; }
  void SetCurrentIndex(int index) { FCurrentIndex = index; }
  // The current drive's record; the first drive's when the index is out of the list.
  const CDREC& CurrentDrive() const;

  // Opens the current drive afresh and reads its table of contents into one row per track.
  DiscReading ReadTableOfContents(OutputFormat format);
  void CloseHandle();

  HCDROM Handle() const { return FHandle; }
  const TableOfContents& Toc() const { return FToc; }
  // The CD-Text of the disc last read; empty when it has none.
  const DiscText& Text() const { return FText; }

 private:
  void FindHiddenAudio();

  CDLIST FList;
  int FCurrentIndex = 0;
  HCDROM FHandle = 0;
  TableOfContents FToc;
  DiscText FText;
};
