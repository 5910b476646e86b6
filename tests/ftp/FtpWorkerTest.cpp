// The FTP worker's hand-over between its thread and the owner's.
#include "ftp/FtpWorker.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace zun::ftp {
namespace {

using namespace std::chrono_literals;

// The owner sees the events of a job in the order the job made them, each on its own thread,
// the job's end after its last event, and no second job while one is out.
TEST(FtpWorkerTest, EventsComeToTheOwnerInOrderAndTheEndComesLast) {
  std::atomic<int> wakes{0};
  FtpWorker worker([&] { ++wakes; });
  const std::thread::id owner = std::this_thread::get_id();
  std::vector<int> seen;
  bool eventsOnOwner = true;
  bool jobOffOwner = false;
  std::atomic<bool> release{false};
  ASSERT_TRUE(worker.Start(
      [&] {
        jobOffOwner = std::this_thread::get_id() != owner;
        while (!release) std::this_thread::sleep_for(1ms);
        for (int i = 0; i < 100; ++i)
          worker.OnOwner([&, i] {
            eventsOnOwner = eventsOnOwner && std::this_thread::get_id() == owner;
            seen.push_back(i);
          });
      },
      [&] { seen.push_back(-1); }));
  EXPECT_TRUE(worker.Busy());
  EXPECT_FALSE(worker.Start([] {}, [] {}));
  worker.Deliver();  // nothing yet: the job has not begun
  EXPECT_TRUE(seen.empty());
  release = true;
  ASSERT_TRUE(worker.WaitDone(5s));
  EXPECT_TRUE(jobOffOwner);
  EXPECT_TRUE(eventsOnOwner);
  ASSERT_EQ(seen.size(), 101u);
  for (int i = 0; i < 100; ++i) EXPECT_EQ(seen[static_cast<size_t>(i)], i);
  EXPECT_EQ(seen.back(), -1);
  EXPECT_FALSE(worker.Busy());
  EXPECT_GT(wakes.load(), 0);
}

// A question from the job is answered on the owner's thread; once the owner stops the worker
// (a closing window), a question is not shown and the job goes on to its end.
TEST(FtpWorkerTest, QuestionsAreAnsweredByTheOwnerOrNotAtAllWhenItStops) {
  FtpWorker worker([] {});
  bool answered = false;
  bool shown = false;
  worker.Start([&] { answered = worker.AskOwner([&] { shown = true; }); }, nullptr);
  ASSERT_TRUE(worker.WaitDone(5s));
  EXPECT_TRUE(answered);
  EXPECT_TRUE(shown);

  shown = false;
  std::atomic<bool> asked{false};
  worker.Start(
      [&] {
        asked = true;
        answered = worker.AskOwner([&] { shown = true; });
      },
      nullptr);
  while (!asked) std::this_thread::sleep_for(1ms);
  worker.Stop();
  std::this_thread::sleep_for(20ms);
  ASSERT_TRUE(worker.WaitDone(5s));
  EXPECT_FALSE(answered);
  EXPECT_FALSE(shown);
}

// Without a thread every job runs where it is started, its events at once.
TEST(FtpWorkerTest, WithoutAWakeJobsRunWhereTheyAreStarted) {
  FtpWorker worker;
  std::vector<int> seen;
  worker.Start(
      [&] {
        seen.push_back(1);
        worker.OnOwner([&] { seen.push_back(2); });
        seen.push_back(3);
      },
      [&] { seen.push_back(4); });
  EXPECT_EQ(seen, (std::vector<int>{1, 2, 3, 4}));
  EXPECT_FALSE(worker.Busy());
}

}  // namespace
}  // namespace zun::ftp
