#include "batch/BatchRipHost.h"

BatchRipHost::BatchRipHost(const std::atomic<bool>& stop, std::function<void(int, int, int)> progress)
    : FStop(stop), FProgress(std::move(progress)) {}

void BatchRipHost::SetGauge(int percent) {
  if (percent == FPercent) return;
  FPercent = percent;
  FProgress(FTrack, FTracks, percent);
}

void BatchRipHost::ProcessMessages() {
  if (FStop && FJob != nullptr) FJob->SetCancel(true);
}

void BatchRipHost::ShowJobProgress(int track, int tracks, std::optional<int>) {
  if (track == FTrack && tracks == FTracks) return;
  FTrack = track;
  FTracks = tracks;
  FProgress(track, tracks, std::max(FPercent, 0));
}
