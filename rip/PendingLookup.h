#pragma once
// A database lookup on a thread of its own, waited for by the rip when it first needs the answer, and given
// up (the request abandoned) when the rip no longer waits.

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <memory>

template <typename Answer>
class PendingLookup {
 public:
  using Look = std::function<Answer(const std::function<bool()>& keepWaiting)>;

  PendingLookup() = default;
  ~PendingLookup() { GiveUp(); }
  PendingLookup(const PendingLookup&) = delete;
  PendingLookup& operator=(const PendingLookup&) = delete;

  // Starts look, which asks keepWaiting while it waits on the network; an earlier lookup is given up.
  void Start(Look look) {
    GiveUp();
    FGivenUp = std::make_shared<std::atomic<bool>>(false);
    FDone = false;
    FPending = std::async(std::launch::async, [look = std::move(look), givenUp = FGivenUp] {
      return look([givenUp] { return !givenUp->load(); });
    });
  }
  // No lookup: the answer is this one.
  void Answered(Answer answer) {
    GiveUp();
    FAnswer = std::move(answer);
    FDone = true;
  }
  // Waits for the answer, asking keepWaiting meanwhile; false when it said no, which gives the lookup up.
  bool Wait(const std::function<bool()>& keepWaiting) {
    if (FDone) return true;
    while (FPending.wait_for(std::chrono::milliseconds(20)) != std::future_status::ready) {
      if (keepWaiting()) continue;
      GiveUp();
      return false;
    }
    FAnswer = FPending.get();
    FDone = true;
    return true;
  }
  const Answer& Get() const { return FAnswer; }

 private:
  void GiveUp() {
    if (FGivenUp) *FGivenUp = true;
  }

  std::future<Answer> FPending;
  std::shared_ptr<std::atomic<bool>> FGivenUp;  // the pending lookup's
  Answer FAnswer{};
  bool FDone = true;
};
