#pragma once
// The stream component core: sources that deliver PCM on request and sinks that pull it from one source
// on a worker thread of their own, reporting progress and completion through two events.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>

#include "platform/files/ReplacementFile.h"

class TFileStream;

class EACSException : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TACSOutput;
using TOutputDoneEvent = std::function<void(TACSOutput* Sender)>;
using TOutputProgressEvent = std::function<void(TACSOutput* Sender)>;

// Rounds to the nearest integer, halves to even.
std::int32_t RoundHalfEven(double value);

class TACSInput {
 public:
  virtual ~TACSInput() = default;

  virtual int GetBitsPerSample() = 0;
  virtual int GetChannels() = 0;
  virtual int GetSampleRate() = 0;
  virtual int GetTotalTime() { return 0; }
  // Copies up to bufferSize bytes of PCM; 0 at the end of the stream.
  virtual int GetData(void* buffer, int bufferSize) = 0;
  virtual void Init() = 0;
  virtual void Flush() = 0;

  int BitsPerSample() { return GetBitsPerSample(); }
  int Channels() { return GetChannels(); }
  int SampleRate() { return GetSampleRate(); }
  std::int32_t Size() const { return FSize; }
  std::int32_t Position() const { return FPosition; }
  bool Busy() const { return FBusy; }

 protected:
  std::atomic<std::int32_t> FPosition{0};
  std::atomic<std::int32_t> FSize{0};
  std::atomic<bool> FBusy{false};
  std::int32_t FBufStart = 1;  // 1-based index of the next byte to hand out
  std::int32_t FBufEnd = 0;    // valid bytes in the block buffer
};

class TACSFileIn : public TACSInput {
 public:
  int GetBitsPerSample() override;
  int GetChannels() override;
  int GetSampleRate() override;
  int GetTotalTime() override;
  void Init() override;
  void Flush() override;

  // Reference-counted: only the first open really opens, only the last close really closes.
  virtual void OpenFile() = 0;
  virtual void CloseFile() = 0;

  const std::string& FileName() const { return FFileName; }
  void SetFileName(const std::string& fileName) { FFileName = fileName; }
  bool Loop() const { return FLoop; }
  void SetLoop(bool loop) { FLoop = loop; }
  bool Valid() const { return FValid; }
  // Why the file is not valid, when more is known than that it is no file of its kind; else empty.
  const std::string& InvalidReason() const { return FInvalidReason; }
  // Moves by offset percent of Size at the next refill of the block buffer.
  void Jump(std::int32_t offset) { FJumpOffset = offset; }

 protected:
  // Applies a pending jump to Position; true when there was one.
  bool TakeJump();

  std::string FFileName;
  std::atomic<std::int32_t> FJumpOffset{0};
  std::int32_t FOpenCount = 0;
  std::atomic<bool> FValid{false};
  std::string FInvalidReason;
  std::int32_t FBPS = 0;
  std::int32_t FSR = 0;
  std::int32_t FChan = 0;
  std::int32_t FTotalTime = 0;
  std::atomic<bool> FLoop{false};

 private:
  template <typename Read>
  int WhileOpen(Read read);
};

// The worker of a sink: runs the sink's output step until it reports the end of a run, then its
// completion routine; created suspended. Between runs it sleeps on its condition variable, so an idle
// sink costs no processor time whether or not it suspends itself.
class TACSThread {
 public:
  TACSThread(std::function<bool(bool)> outputStep, std::function<void()> completion);
  ~TACSThread();
  TACSThread(const TACSThread&) = delete;
  TACSThread& operator=(const TACSThread&) = delete;

  void Suspend();
  void Resume();
  bool Suspended();
  // Wakes the worker for a run the sink has just started, also a suspended one.
  void StartRun();
  // Asks the worker to leave its loop and waits until it has; with finalStep the worker calls the
  // output step once more with Abort set, as a sink's own destructor wants.
  void Terminate(bool finalStep);

  std::atomic<bool> FSuspendWhenIdle{true};
  std::atomic<bool> FTerminateRequest{false};
  std::atomic<bool> FFinalStep{true};
  std::atomic<bool> FStop{false};
  std::atomic<std::int32_t> FDelay{0};

 private:
  void Execute();
  void WaitUntilNeeded();
  std::uint64_t RunsStarted();
  void IdleUnlessStartedSince(std::uint64_t runs);

  std::function<bool(bool)> FOutputStep;
  std::function<void()> FCompletion;
  std::mutex FLock;
  std::condition_variable FWake;
  bool FSuspended = true;
  bool FIdle = true;  // no run since creation or since the last one ended
  std::uint64_t FRunsStarted = 0;
  std::thread FThread;  // last: it starts at once and uses everything above
};

class TACSOutput {
 public:
  TACSOutput();
  virtual ~TACSOutput();
  TACSOutput(const TACSOutput&) = delete;
  TACSOutput& operator=(const TACSOutput&) = delete;

  void Run();
  void Stop() { FThread->FStop = true; }
  void Pause();
  void Resume();

  TACSInput* Input() const { return FInput; }
  void SetInput(TACSInput* input);
  bool SuspendWhenIdle() const { return FThread->FSuspendWhenIdle; }
  void SetSuspendWhenIdle(bool value) { FThread->FSuspendWhenIdle = value; }
  void SetDelay(std::int32_t milliseconds);
  void SetOnDone(TOutputDoneEvent handler) { FOnDone = std::move(handler); }
  void SetOnProgress(TOutputProgressEvent handler) { FOnProgress = std::move(handler); }
  int Progress() const;
  bool Busy() const { return FBusy; }
  // Why the last run ended early (a write that failed, an error while coding); empty after a good run.
  std::string RunError() const;
  // A stopped run puts what it wrote in place of the file, unless set: then the earlier file stays.
  void SetDiscardStopped(bool value) { FDiscardStopped = value; }
  // True when the last run was stopped before its end; a Stop that came after it had ended stops nothing.
  bool Stopped() const { return FStopped; }
  // Which link at the file's name the sink writes through: any, unless the program chose the name itself.
  void SetLinkRule(LinkRule value) { FLinkRule = value; }

 protected:
  virtual bool DoOutput(bool Abort) = 0;
  virtual void Done() = 0;
  virtual void Prepare() = 0;

  // The start every file sink's DoOutput shares: false when its own block step must not follow,
  // with the step's answer in result.
  bool OutputStepStarts(bool Abort, bool& result);
  void SetRunError(const std::string& message);
  // The encoders take mono or stereo audio of 8 or 16 bits; anything else is refused before a run.
  void ReadCodableFormat(int& channels, int& bits);
  // Puts a written file in place of the old one, unless the run failed: then the old file stays.
  void FinishFile(TFileStream& file, const std::string& fileName);
  // Every concrete sink calls this first in its destructor, so the worker stops before the sink's own
  // parts go. A run under way is abandoned without Done and OnDone.
  void TerminateWorker();

  LinkRule FLinkRule = LinkRule::Any;
  std::atomic<bool> FOutputting{false};
  std::int32_t FLastProgress = 0;
  TACSInput* FInput = nullptr;

 private:
  void Complete();

  std::unique_ptr<TACSThread> FThread;
  TOutputDoneEvent FOnDone;
  TOutputProgressEvent FOnProgress;
  std::atomic<bool> FBusy{false};
  std::atomic<bool> FDiscardStopped{false};
  std::atomic<bool> FStopped{false};
  mutable std::mutex FErrorLock;
  std::string FRunError;
};
