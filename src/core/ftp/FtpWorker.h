#pragma once
// The thread the FTP session works on, so that a silent server never holds the window still. The
// owner (the window's thread) starts one job at a time; the job hands what the owner must do
// (status texts, results, questions) back as events, which the owner runs in order when it calls
// Deliver. Without a wake function there is no thread: jobs and their events run at once, where
// they are started.
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace zun::ftp {

class FtpWorker {
 public:
  // `wake` is called on the worker thread whenever events wait for Deliver.
  explicit FtpWorker(std::function<void()> wake = nullptr);
  ~FtpWorker();  // waits for the job in progress; its undelivered events are dropped
  FtpWorker(const FtpWorker&) = delete;
  FtpWorker& operator=(const FtpWorker&) = delete;

  bool Threaded() const { return static_cast<bool>(wake_); }
  // From Start until `done` has run.
  bool Busy() const { return busy_; }
  // Owner: runs `job` on the worker, then `done` on the owner after the job's last event. False,
  // and nothing runs, while another job is busy.
  bool Start(std::function<void()> job, std::function<void()> done);
  // In a job: `event` runs on the owner, after the events posted before it. On the owner: now.
  void OnOwner(std::function<void()> event);
  // In a job: runs `question` on the owner and waits until it has run. False when it did not run,
  // the owner having gone (Stop).
  bool AskOwner(const std::function<void()>& question);
  // Owner: runs the events that have arrived. A question shown by an event (a modal box) lets
  // the owner's loop call Deliver again: that call returns, the outer one carries on in order.
  void Deliver();
  // Owner: delivers until the job is done or `limit` has passed; true when done.
  bool WaitDone(std::chrono::milliseconds limit);
  // Asks the job to end after its current step; questions still to come are answered "not run".
  void Stop();
  bool Stopping() const;
  bool OnWorkerThread() const { return Threaded() && std::this_thread::get_id() == thread_.get_id(); }

 private:
  void Run();

  std::function<void()> wake_;
  std::thread thread_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::function<void()> job_;         // waiting for the worker
  std::function<void()> done_;        // the owner's, after the last event
  std::deque<std::function<void()>> events_;
  bool jobFinished_ = false;          // the job has returned; its events are all queued
  bool stopping_ = false;
  bool quitting_ = false;
  bool busy_ = false;                 // the owner's view
  bool delivering_ = false;
};

}  // namespace zun::ftp
