#pragma once
// What a drive's rip job reports to the batch: no window and no question; progress goes to the drive's line,
// errors are kept for the queue, and a stop of the batch cancels the job.

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "rip/RipJob.h"

class BatchRipHost : public RipHost {
 public:
  // progress gets the track being read, the tracks to read and the job's percent.
  BatchRipHost(const std::atomic<bool>& stop, std::function<void(int, int, int)> progress);
  void SetJob(RipJob* job) { FJob = job; }

  void SetCaption(const std::string&) override {}
  void SetButtonCaption(const std::string&) override {}
  void SetGauge(int percent) override;
  void ProcessMessages() override;
  void ShowError(const std::string& text) override { FErrors.push_back(text); }
  void ShowStandardError(const std::string& text) override { FErrors.push_back(text); }
  void CloseWindow() override {}
  void UncheckRow(std::size_t) override {}
  void ReportReadErrors(const std::string& text) override { FReadErrors.push_back(text); }
  void ReportTrack(const TrackResult&) override {}
  void ReportDisc(const DiscVerdicts& verdicts, const std::string&) override { FVerdicts = verdicts; }
  void ShowJobProgress(int track, int tracks, std::optional<int>) override;

  const std::vector<std::string>& Errors() const { return FErrors; }
  const std::vector<std::string>& ReadErrors() const { return FReadErrors; }
  const DiscVerdicts& Verdicts() const { return FVerdicts; }

 private:
  const std::atomic<bool>& FStop;
  std::function<void(int, int, int)> FProgress;
  RipJob* FJob = nullptr;
  std::vector<std::string> FErrors;
  std::vector<std::string> FReadErrors;
  DiscVerdicts FVerdicts;
  int FTrack = 0;
  int FTracks = 0;
  int FPercent = -1;
};
