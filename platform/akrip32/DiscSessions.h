#pragma once
// Which session each track of a disc lies in, where its source can tell (DiscTrack::session).

#include <string>

#include "platform/akrip32/CdMedium.h"

// libcdio's handle, declared apart: CueImage reads sheets with libcue, whose names clash with libcdio's.
typedef struct _CdIo CdIo_t;

// A disc read through libcdio: a drive says where its last session starts; libcdio's image drivers cannot,
// so for a CUE sheet its REM SESSION lines say it instead. Otherwise the sessions stay unknown.
void ReadSessions(CdIo_t* cdio, DiscLayout& layout);

// The tracks from the first that starts at or after lastSessionStart on lie in the last session (2), those
// before it in the first; when that is the first track, the disc has one session. A start after every track
// tells nothing.
void SetSessionsFromLastSession(DiscLayout& layout, std::int32_t lastSessionStart);

// Each track in the session of the REM SESSION line before its TRACK line (tracks before the first such line
// in the first). Nothing is set for a sheet without such lines, one whose numbers go back, or one whose TRACK
// lines are not the layout's tracks.
void SetSessionsFromSheet(const std::string& sheet, DiscLayout& layout);
