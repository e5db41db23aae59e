#pragma once
// The CD drive library: drive list, drive handles, table of contents, raw audio reads and CDDB.
// Physical drives come from libcdio, disc images from CUE sheets (see SetCDImageFiles).

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/akrip32/CdMedium.h"

constexpr int MAXCDLIST = 8;
constexpr int MAXIDLEN = 64;
constexpr int MAXTOCENTRIES = 100;  // 99 tracks and the lead-out
constexpr int TRACKBUF_BLOCKS = 25;

using HCDROM = std::uint32_t;

struct CDREC {
  std::uint8_t ha = 0;
  std::uint8_t tgt = 0;
  std::uint8_t lun = 0;
  char id[MAXIDLEN + 1] = {};  // identification text shown to the user
};

struct CDLIST {
  std::uint8_t max = MAXCDLIST;  // capacity, set by the caller
  std::uint8_t num = 0;
  CDREC cd[MAXCDLIST];
};

#pragma pack(push, 1)
struct GETCDHAND {
  std::uint8_t size = 12;
  std::uint8_t ver = 1;
  std::uint8_t ha = 0;
  std::uint8_t tgt = 0;
  std::uint8_t lun = 0;
  std::uint8_t reserved[7] = {};
};
static_assert(sizeof(GETCDHAND) == 12);

struct TOCTRACK {
  std::uint8_t reserved1 = 0;   // the track's session (1 the first), 0 when the drive cannot tell
  std::uint8_t adrControl = 0;  // ADR in the high nibble, control in the low; control bit 2 marks data
  std::uint8_t trackNumber = 0;
  std::uint8_t reserved2 = 0;
  std::uint8_t addr[4] = {};  // big-endian block number, or 0,M,S,F in MSF mode
};
static_assert(sizeof(TOCTRACK) == 8);

struct TOC {
  std::uint8_t tocLen[2] = {};
  std::uint8_t firstTrack = 0;
  std::uint8_t lastTrack = 0;
  TOCTRACK tracks[MAXTOCENTRIES];
};
#pragma pack(pop)

enum : std::uint32_t { SS_PENDING = 0, SS_COMP = 1, SS_ERR = 4 };

struct TRACKBUF {
  std::uint32_t startFrame = 0;
  std::uint32_t numFrames = 0;
  std::uint32_t maxLen = 0;       // capacity of buf in bytes, set by the caller
  std::uint32_t len = 0;          // bytes delivered
  std::uint32_t status = SS_PENDING;
  std::uint32_t startOffset = 0;  // where the delivered bytes start in buf
  std::uint8_t buf[TRACKBUF_BLOCKS * CD_BLOCK_BYTES];
};

// ModifyCDParms parameter: with value 0, ReadTOC gives block numbers instead of minute/second/frame.
constexpr int CDP_MSF = 36;

int GetCDList(CDLIST* list);
HCDROM GetCDHandle(const GETCDHAND* request);
int CloseCDHandle(HCDROM handle);
int ModifyCDParms(HCDROM handle, int which, std::uint32_t value);
int ReadTOC(HCDROM handle, TOC* toc);
// Fills the buffer with numFrames blocks from startFrame on, within the audio that holds startFrame (never a
// data track). Blocks that cannot be read come as silence and make the status SS_ERR; a disc that is gone
// delivers nothing (len 0). A cancel, once set, ends the read at its next drive command, delivering nothing.
int ReadCDAudioLBA(HCDROM handle, TRACKBUF* buffer, const std::atomic<bool>* cancel = nullptr);
// Makes good a drive's read offset from now on: the handle's reads deliver the disc's audio from samples
// (stereo frames) later, or earlier when negative; beyond the disc's audio they deliver silence.
int SetCDReadOffset(HCDROM handle, int samples);
// From the next ReadCDAudioLBA on, the handle reads in this mode (at first burst), afresh: no block read before
// answers a later read. Returns at once, also while a read is going on.
int SetCDReadMode(HCDROM handle, ReadMode mode);
// Whether the handle's disc is an image file whose reads give its bytes as they are, so that no read mode
// reads it more than once.
bool CDReadsExactly(HCDROM handle);
// The catalogue number, ISRCs and pregap starts of the handle's disc, where known; false for no handle.
bool ReadCDCodes(HCDROM handle, DiscCodes& codes);
// The CD-Text of the handle's disc, empty when it has none; false for no handle.
bool ReadCDText(HCDROM handle, DiscText& text);
// Finds the pregaps of the handle's disc that ReadCDCodes gives from then on (from the Q sub-channel of a drive;
// an image's come from its sheet), once per disc: later calls answer at once. Tells progress of each track
// searched; a cancel, once set, ends the search at its next drive command. NotSupported for no handle.
GapDetection DetectCDGaps(HCDROM handle, const GapProgress& progress, const std::atomic<bool>* cancel = nullptr);
// The disc addresses of the blocks that the handle's last ReadCDAudioLBA could not read, ascending.
std::vector<std::uint32_t> UnreadableCDBlocks(HCDROM handle);

struct CDDBSITE {
  char host[81] = {};
  int port = 0;
  char cgi[81] = {};
  char location[81] = {};
};

struct CDDBSITELIST {
  std::uint8_t num = 0;  // capacity on the way in, sites on the way out
  CDDBSITE* s = nullptr;
};

struct CDDBQUERYITEM {
  char categ[12] = {};
  char cddbId[9] = {};
  char artist[81] = {};
  char title[81] = {};
};

struct CDDBQUERY {
  std::uint8_t num = 0;  // capacity on the way in, matches on the way out
  CDDBQUERYITEM* q = nullptr;
};

// CDDBSetOption options: the server as host[:port], the CGI path, the user's e-mail address, and the
// client's name and version separated by a blank.
enum : int { CDDB_OPT_SERVER = 0, CDDB_OPT_AGENT = 3, CDDB_OPT_USER = 4, CDDB_OPT_CGI = 6 };

int CDDBSetOption(int what, const char* value, int intValue);
int CDDBGetServerList(CDDBSITELIST* list);
int CDDBQuery(HCDROM handle, CDDBQUERY* query);
int CDDBGetDiskInfo(const CDDBQUERYITEM* match, char* text, int capacity);
// Limits of each exchange with the CDDB server (at first 5 s to connect, 10 s in all); tests shorten them.
void SetCDDBTimeouts(std::chrono::milliseconds connect, std::chrono::milliseconds total);
// Asked on the caller's thread while an exchange with the CDDB server waits; false abandons the exchange,
// which then fails as one with a dead server. An empty function waits without asking.
void SetCDDBWaiting(std::function<bool()> keepWaiting);

// The door of a drive of the list, for the CD audio device. Disc images have none: there the calls fail
// and touch nothing.
bool CDDriveHasDoor(const CDREC& drive);
bool OpenCDDoor(const CDREC& drive);
bool CloseCDDoor(const CDREC& drive);
// The device of a drive of the list, or the image value it reads; empty when the list holds no such drive.
std::string CDDriveSource(const CDREC& drive);
// Why the last GetCDHandle of a drive of the list failed, where the drive knows more than "no disc" (a disc
// image whose sheet or files are faulty); empty otherwise.
std::string CDDriveOpenError(const CDREC& drive);

// Disc images listed after the physical drives: the path of a CUE sheet each, or of an image that libcdio's
// own driver opens, "bincue:SHEET.cue" or "cdrdao:FILE.toc" (see MakeImageDrive).
void SetCDImageFiles(const std::vector<std::string>& images);
// Reads the image list from the "CD Images" section of a settings file; relative paths start at the folder.
void UseCDImagesOf(const std::string& settingsFile, const std::string& relativeTo);
// Lists one more image after those set (a sheet the program was started with); one listed already stays once.
void AddCDImageFile(const std::string& image);
// Where the last GetCDList listed the drive of a device (/dev/sr0, or a link to it) or an image value; -1 when
// it listed neither.
int ListedDriveIndex(const std::string& source);
// Drives that tests make (over libcdio's image drivers, failing on purpose), listed after the disc images.
void SetSimulatedCDDrives(std::vector<std::shared_ptr<CdDriveEntry>> drives);
// Whether GetCDList should also look for physical drives (tests and quillon-cli on an image turn it off).
void SetPhysicalDrivesEnabled(bool enabled);
