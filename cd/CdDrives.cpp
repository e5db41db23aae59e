#include "cd/CdDrives.h"

#include "cd/HiddenAudio.h"

const char* const kNoDiscMessage =
    "Can't get the Information of current CD, maybe there isn't any CD in CDROM or the current CD is broken!";
const char* const kNoTocMessage = "Error to get TOC!";

CdDrives::~CdDrives() { CloseHandle(); }

bool CdDrives::ReadDriveList() {
  CDLIST list;
  list.max = MAXCDLIST;
  GetCDList(&list);
  if (list.num < 1) return false;
  FList = list;
  FCurrentIndex = 0;
  return true;
}

std::vector<std::string> CdDrives::Identifications() const {
  std::vector<std::string> texts;
  for (int i = 0; i < FList.num; ++i) texts.emplace_back(FList.cd[i].id);
  return texts;
}

const CDREC& CdDrives::CurrentDrive() const {
  return FList.cd[FCurrentIndex >= 0 && FCurrentIndex < FList.num ? FCurrentIndex : 0];
}

void CdDrives::CloseHandle() {
  if (FHandle != 0) CloseCDHandle(FHandle);
  FHandle = 0;
}

DiscReading CdDrives::ReadTableOfContents(OutputFormat format) {
  DiscReading reading;
  CloseHandle();
  FToc = TableOfContents{};
  FText = DiscText{};
  if (FCurrentIndex < 0 || FCurrentIndex >= FList.num) {
    reading.message = kNoDiscMessage;
    return reading;
  }
  GETCDHAND request;
  request.ha = FList.cd[FCurrentIndex].ha;
  request.tgt = FList.cd[FCurrentIndex].tgt;
  request.lun = FList.cd[FCurrentIndex].lun;
  FHandle = GetCDHandle(&request);
  if (FHandle == 0) {
    reading.message = kNoDiscMessage;
    reading.reason = CDDriveOpenError(FList.cd[FCurrentIndex]);
    return reading;
  }
  ModifyCDParms(FHandle, CDP_MSF, 0);
  TOC record;
  if (ReadTOC(FHandle, &record) != 1 || !TableOfContentsFromRecord(record, FToc)) {
    reading.message = kNoTocMessage;
    return reading;
  }
  DiscCodes codes;
  if (ReadCDCodes(FHandle, codes)) AddDiscCodes(codes, FToc);
  ReadCDText(FHandle, FText);
  FindHiddenAudio();
  for (const TocRow& row : FToc.Rows()) {
    reading.rows.push_back(MakeTrackRow(row.number, row.blocks, format));
    reading.rows.back().checked = row.audio;  // a data track is shown, but not ripped
  }
  return reading;
}

// Audio before an audio first track gets a row of its own; silence there is left out.
void CdDrives::FindHiddenAudio() {
  TocEntry& first = FToc.entries.front();
  if (!first.audio || first.start == 0 || !AudioBeforeFirstTrack(FHandle, first.start)) return;
  FToc.hiddenAudio = true;
  first.pregap = 0;
}
