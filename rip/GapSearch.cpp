#include "rip/GapSearch.h"

GapSearch::GapSearch(HCDROM handle)
    : FThread([shared = FShared, handle] {
        GapProgress progress = [&shared](int track, int last) {
          shared->last = last;
          shared->track = track;
        };
        shared->how = DetectCDGaps(handle, progress, &shared->cancel);
        shared->done = true;
      }) {}

GapSearch::~GapSearch() {
  if (FThread.joinable()) FThread.join();
}

void GapSearch::Abandon() {
  Cancel();
  if (FThread.joinable()) FThread.detach();
}
