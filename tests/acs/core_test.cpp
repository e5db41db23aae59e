#include <gtest/gtest.h>

#include <time.h>

#include <memory>

#include "tests/acs/TestStreams.h"

using teststreams::Bytes;
using teststreams::CountingSink;
using teststreams::MemorySource;
using teststreams::WaitFor;

namespace {

// Processor time of the whole test process, in seconds; besides this thread only sink workers run.
double ProcessCpuSeconds() {
  timespec time{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &time);
  return double(time.tv_sec) + double(time.tv_nsec) / 1e9;
}

TEST(CoreTest, ProgressRoundsHalvesToEvenAndKnowsUnknownSizes) {
  CountingSink sink;
  EXPECT_EQ(0, sink.Progress());
  MemorySource empty({});
  empty.Init();
  sink.SetInput(&empty);
  EXPECT_EQ(0, sink.Progress());

  MemorySource live(Bytes(1000));
  live.HideSize();
  live.Init();
  sink.SetInput(&live);
  EXPECT_EQ(-1, sink.Progress());

  MemorySource source(Bytes(1000));
  source.Init();
  sink.SetInput(&source);
  std::uint8_t buffer[1000];
  source.GetData(buffer, 25);  // 2.5 %
  EXPECT_EQ(2, sink.Progress());
  source.GetData(buffer, 10);  // 3.5 %
  EXPECT_EQ(4, sink.Progress());
  source.GetData(buffer, 1000);
  EXPECT_EQ(100, sink.Progress());
}

TEST(CoreTest, ARunMovesEverythingAndReportsDoneOnceAfterBusyCleared) {
  MemorySource source(Bytes(1000));
  CountingSink sink;
  sink.SetInput(&source);
  std::atomic<int> doneCalls{0};
  std::atomic<bool> busyInDone{true};
  std::vector<int> progress;
  sink.SetOnProgress([&](TACSOutput* sender) { progress.push_back(sender->Progress()); });
  sink.SetOnDone([&](TACSOutput* sender) {
    busyInDone = sender->Busy();
    ++doneCalls;
  });
  sink.Run();
  ASSERT_TRUE(WaitFor([&] { return doneCalls == 1; }));
  EXPECT_EQ(1000, sink.bytes);
  EXPECT_EQ(1, sink.dones);
  EXPECT_FALSE(busyInDone);
  EXPECT_EQ(100, progress.back());
  EXPECT_EQ((std::vector<int>{10, 20, 30, 40, 50, 60, 70, 80, 90, 100}), progress);
}

TEST(CoreTest, StartErrorsLeaveTheSinkIdle) {
  CountingSink sink;
  try {
    sink.Run();
    FAIL();
  } catch (const EACSException& error) {
    EXPECT_STREQ("Input is not assigned", error.what());
  }
  MemorySource source(Bytes(100000));
  sink.SetInput(&source);
  sink.blockMilliseconds = 1;
  sink.Run();
  try {
    sink.Run();
    FAIL();
  } catch (const EACSException& error) {
    EXPECT_STREQ("Component is buisy", error.what());
  }
  EXPECT_THROW(sink.SetInput(nullptr), EACSException);
  EXPECT_EQ(1, sink.prepares);  // the second Run did not disturb the first
  sink.blockMilliseconds = 0;
  ASSERT_TRUE(WaitFor([&] { return !sink.Busy(); }));
  EXPECT_EQ(100000, sink.bytes);
}

TEST(CoreTest, TheNextRunCanStartFromInsideOnDone) {
  for (bool suspendWhenIdle : {true, false}) {
    MemorySource source(Bytes(300));
    CountingSink sink;
    sink.SetSuspendWhenIdle(suspendWhenIdle);
    sink.SetInput(&source);
    std::atomic<int> runs{0};
    sink.SetOnDone([&](TACSOutput* sender) {
      if (++runs == 1) sender->Run();
    });
    sink.Run();
    ASSERT_TRUE(WaitFor([&] { return runs == 2; })) << "suspend when idle " << suspendWhenIdle;
    EXPECT_EQ(600, sink.bytes);
    EXPECT_EQ(2, source.inits);
  }
}

TEST(CoreTest, AnIdleSinkCostsNoProcessorTime) {
  for (bool suspendWhenIdle : {true, false}) {
    MemorySource source(Bytes(1000));
    CountingSink sink;
    sink.SetSuspendWhenIdle(suspendWhenIdle);
    sink.SetDelay(1);  // the rip's delay at its default processor share
    sink.SetInput(&source);
    sink.Run();
    ASSERT_TRUE(WaitFor([&] { return sink.dones == 1 && !sink.Busy(); }));
    sink.Resume();
    double before = ProcessCpuSeconds();
    std::this_thread::sleep_for(std::chrono::seconds(1));
    EXPECT_LT(ProcessCpuSeconds() - before, 0.05) << "suspend when idle " << suspendWhenIdle;
    sink.Run();
    ASSERT_TRUE(WaitFor([&] { return sink.dones == 2; }));
    EXPECT_EQ(2000, sink.bytes);
  }
}

TEST(CoreTest, StopEndsARunButAStopWhileIdleIsForgotten) {
  MemorySource source(Bytes(1000));
  CountingSink sink;
  sink.SetInput(&source);
  sink.Stop();
  sink.Run();
  ASSERT_TRUE(WaitFor([&] { return sink.dones == 1; }));
  EXPECT_EQ(1000, sink.bytes);

  MemorySource endless(Bytes(2000000));
  sink.SetInput(&endless);
  sink.blockMilliseconds = 1;
  sink.Run();
  ASSERT_TRUE(WaitFor([&] { return sink.blocks > 1010; }));
  sink.Stop();
  ASSERT_TRUE(WaitFor([&] { return sink.dones == 2; }));
  EXPECT_FALSE(sink.Busy());
  EXPECT_LT(sink.bytes, 2000000);
}

TEST(CoreTest, PauseHoldsTheWorkerUntilResume) {
  MemorySource source(Bytes(1000000));
  CountingSink sink;
  sink.SetInput(&source);
  sink.blockMilliseconds = 1;
  sink.Run();
  ASSERT_TRUE(WaitFor([&] { return sink.blocks > 3; }));
  sink.Pause();
  int before = -1;
  ASSERT_TRUE(WaitFor([&] {
    int now = sink.blocks;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    bool still = now == sink.blocks && now == before;
    before = now;
    return still;
  }));
  EXPECT_TRUE(sink.Busy());
  sink.blockMilliseconds = 0;
  sink.Resume();
  ASSERT_TRUE(WaitFor([&] { return !sink.Busy(); }));
  EXPECT_EQ(1000000, sink.bytes);
}

TEST(CoreTest, DestroyingASinkMidRunSkipsDone) {
  MemorySource source(Bytes(1000000));
  std::atomic<int> doneCalls{0};
  auto sink = std::make_unique<CountingSink>();
  sink->SetInput(&source);
  sink->blockMilliseconds = 2;
  sink->SetOnDone([&](TACSOutput*) { ++doneCalls; });
  sink->Run();
  ASSERT_TRUE(WaitFor([&] { return sink->blocks > 2; }));
  auto started = std::chrono::steady_clock::now();
  sink.reset();
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
  EXPECT_EQ(0, doneCalls);
  EXPECT_TRUE(source.Busy());  // Done, which would have flushed it, never ran
}

TEST(CoreTest, FailuresOnTheWorkerEndTheRunAndLeaveTheSinkUsable) {
  MemorySource source(Bytes(1000));
  CountingSink sink;
  sink.SetInput(&source);
  std::atomic<int> doneCalls{0};
  sink.SetOnDone([&](TACSOutput*) {
    ++doneCalls;
    throw std::runtime_error("handler failed");
  });
  sink.onBlock = [&] {
    if (sink.blocks == 3) throw EACSException("disk on fire");
  };
  sink.Run();
  ASSERT_TRUE(WaitFor([&] { return doneCalls == 1; }));
  ASSERT_TRUE(WaitFor([&] { return !sink.Busy(); }));
  EXPECT_EQ("disk on fire", sink.RunError());
  EXPECT_EQ(1, sink.dones);
  EXPECT_EQ(300, sink.bytes);

  sink.onBlock = nullptr;
  sink.Run();
  ASSERT_TRUE(WaitFor([&] { return doneCalls == 2; }));
  EXPECT_EQ("", sink.RunError());
  EXPECT_EQ(1300, sink.bytes);
}

}  // namespace
