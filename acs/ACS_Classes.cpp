#include "acs/ACS_Classes.h"

#include "acs/TFileStream.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>

std::int32_t RoundHalfEven(double value) {
  double rounded = std::nearbyint(value);  // the default rounding mode takes halves to even
  rounded = std::clamp(rounded, double(std::numeric_limits<std::int32_t>::min()),
                       double(std::numeric_limits<std::int32_t>::max()));
  return static_cast<std::int32_t>(rounded);
}

// ---- TACSFileIn ----

template <typename Read>
int TACSFileIn::WhileOpen(Read read) {
  OpenFile();
  struct Closer {
    TACSFileIn* source;
    ~Closer() { source->CloseFile(); }
  } closer{this};
  return read();
}

int TACSFileIn::GetBitsPerSample() {
  return WhileOpen([this] { return FBPS; });
}

int TACSFileIn::GetChannels() {
  return WhileOpen([this] { return FChan; });
}

int TACSFileIn::GetSampleRate() {
  return WhileOpen([this] { return FSR; });
}

int TACSFileIn::GetTotalTime() {
  return WhileOpen([this] {
    if (FSR == 0 || FChan == 0 || FBPS / 8 == 0) return 0;
    return RoundHalfEven(double(FSize) / (double(FSR) * FChan * (FBPS / 8)));
  });
}

void TACSFileIn::Init() {
  if (FFileName.empty()) throw EACSException("The file name is not assigned");
  if (FBusy) throw EACSException("The component is buisy");
  OpenFile();
  FBusy = true;
  FBufStart = 1;
  FBufEnd = 0;
  FPosition = 0;
}

void TACSFileIn::Flush() {
  CloseFile();
  FBusy = false;
}

bool TACSFileIn::TakeJump() {
  std::int32_t offset = FJumpOffset.exchange(0);
  if (offset == 0) return false;
  std::int64_t position = std::int64_t(FPosition) + RoundHalfEven(offset / 100.0 * FSize);
  FPosition = static_cast<std::int32_t>(std::clamp<std::int64_t>(position, 0, std::max<std::int32_t>(FSize, 0)));
  return true;
}

// ---- TACSThread ----

TACSThread::TACSThread(std::function<bool(bool)> outputStep, std::function<void()> completion)
    : FOutputStep(std::move(outputStep)), FCompletion(std::move(completion)), FThread([this] { Execute(); }) {}

TACSThread::~TACSThread() { Terminate(false); }

void TACSThread::Suspend() {
  std::lock_guard<std::mutex> guard(FLock);
  FSuspended = true;
}

void TACSThread::Resume() {
  std::lock_guard<std::mutex> guard(FLock);
  FSuspended = false;
  FWake.notify_all();
}

bool TACSThread::Suspended() {
  std::lock_guard<std::mutex> guard(FLock);
  return FSuspended;
}

void TACSThread::StartRun() {
  std::lock_guard<std::mutex> guard(FLock);
  FSuspended = false;
  FIdle = false;
  ++FRunsStarted;
  FWake.notify_all();
}

void TACSThread::Terminate(bool finalStep) {
  if (!FThread.joinable()) return;
  {
    std::lock_guard<std::mutex> guard(FLock);
    FFinalStep = finalStep;
    FTerminateRequest = true;
    FSuspended = false;
    FWake.notify_all();
  }
  FThread.join();
}

void TACSThread::WaitUntilNeeded() {
  std::unique_lock<std::mutex> lock(FLock);
  FWake.wait(lock, [this] { return (!FSuspended && !FIdle) || FTerminateRequest; });
}

void TACSThread::Execute() {
  WaitUntilNeeded();
  while (!FTerminateRequest) {
    std::int32_t delay = FDelay;
    if (delay > 5) std::this_thread::sleep_for(std::chrono::milliseconds(delay));
    bool more = false;
    try {
      more = FOutputStep(FStop);
    } catch (...) {
      more = false;  // the sink records what it can; the run ends either way
    }
    if (!more) {
      FStop = false;
      std::uint64_t runsBefore = RunsStarted();
      try {
        FCompletion();
      } catch (...) {
        // A handler that throws still ends the run; the sink is idle by now.
      }
      IdleUnlessStartedSince(runsBefore);
    }
    WaitUntilNeeded();
  }
  try {
    if (FFinalStep) FOutputStep(true);
  } catch (...) {
  }
  FTerminateRequest = false;
}

std::uint64_t TACSThread::RunsStarted() {
  std::lock_guard<std::mutex> guard(FLock);
  return FRunsStarted;
}

// A handler that started the next run from OnDone has woken the worker already: it must stay awake then.
void TACSThread::IdleUnlessStartedSince(std::uint64_t runs) {
  std::lock_guard<std::mutex> guard(FLock);
  if (FRunsStarted != runs || FTerminateRequest) return;
  FIdle = true;
  if (FSuspendWhenIdle) FSuspended = true;
}

// ---- TACSOutput ----

TACSOutput::TACSOutput()
    : FThread(std::make_unique<TACSThread>(
          [this](bool abort) {
            if (abort) FStopped = true;
            try {
              return DoOutput(abort);
            } catch (const std::exception& error) {
              SetRunError(error.what());
              return false;
            }
          },
          [this] { Complete(); })) {}

// The sink's own destructor has normally stopped the worker already; when construction of a sink
// failed, its own parts are gone and the worker must not call into them.
TACSOutput::~TACSOutput() { FThread->Terminate(false); }

void TACSOutput::TerminateWorker() { FThread->Terminate(true); }

void TACSOutput::Run() {
  if (FBusy) throw EACSException("Component is buisy");
  if (FInput == nullptr) throw EACSException("Input is not assigned");
  SetRunError("");
  FStopped = false;
  Prepare();
  FBusy = true;
  FThread->FStop = false;
  FOutputting = true;
  // Also when the worker is awake: a run started from OnDone must keep it from falling asleep.
  FThread->StartRun();
}

void TACSOutput::Pause() {
  if (!FThread->Suspended()) FThread->Suspend();
}

void TACSOutput::Resume() {
  if (FThread->Suspended()) FThread->Resume();
}

void TACSOutput::SetInput(TACSInput* input) {
  if (FBusy) throw EACSException("Component is buisy");
  FInput = input;
}

void TACSOutput::SetDelay(std::int32_t milliseconds) {
  if (milliseconds <= 100) FThread->FDelay = milliseconds;
}

int TACSOutput::Progress() const {
  if (FInput == nullptr) return 0;
  std::int32_t size = FInput->Size();
  if (size < 0) return -1;
  if (size == 0) return 0;
  return RoundHalfEven(double(FInput->Position()) / size * 100);
}

std::string TACSOutput::RunError() const {
  std::lock_guard<std::mutex> guard(FErrorLock);
  return FRunError;
}

void TACSOutput::SetRunError(const std::string& message) {
  std::lock_guard<std::mutex> guard(FErrorLock);
  FRunError = message;
}

void TACSOutput::ReadCodableFormat(int& channels, int& bits) {
  channels = FInput->Channels();
  bits = FInput->BitsPerSample();
  // A source that found no audio format (an empty, text or float file) reports none.
  if (channels == 0 || bits == 0) throw EACSException("The input is not a valid PCM WAV file");
  if ((channels != 1 && channels != 2) || (bits != 8 && bits != 16))
    throw EACSException("Only mono or stereo audio of 8 or 16 bits can be encoded");
}

void TACSOutput::FinishFile(TFileStream& file, const std::string& fileName) {
  if (FStopped && FDiscardStopped) return;
  if (RunError().empty() && !file.Commit()) SetRunError("Cannot create file " + fileName);
}

bool TACSOutput::OutputStepStarts(bool Abort, bool& result) {
  if (!FOutputting) {
    result = true;
    return false;
  }
  int progress = Progress();
  if (progress != FLastProgress) {
    FLastProgress = progress;
    if (FOnProgress) FOnProgress(this);
  }
  result = false;
  return !Abort;
}

void TACSOutput::Complete() {
  if (!FBusy) return;
  FOutputting = false;
  try {
    Done();
  } catch (const std::exception& error) {
    SetRunError(error.what());
  }
  FBusy = false;
  if (FOnDone) FOnDone(this);
}
