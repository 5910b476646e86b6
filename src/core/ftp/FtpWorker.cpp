#include "ftp/FtpWorker.h"

#include <memory>
#include <utility>

namespace zun::ftp {

FtpWorker::FtpWorker(std::function<void()> wake) : wake_(std::move(wake)) {
  if (wake_) thread_ = std::thread([this] { Run(); });
}

FtpWorker::~FtpWorker() {
  {
    std::lock_guard lock(mutex_);
    quitting_ = true;
    stopping_ = true;
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void FtpWorker::Run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return quitting_ || job_; });
    if (!job_) return;
    std::function<void()> job = std::move(job_);
    job_ = nullptr;
    lock.unlock();
    job();
    lock.lock();
    jobFinished_ = true;
    changed_.notify_all();
    lock.unlock();
    wake_();
    lock.lock();
  }
}

bool FtpWorker::Start(std::function<void()> job, std::function<void()> done) {
  if (busy_) return false;
  busy_ = true;
  if (!Threaded()) {
    stopping_ = false;
    job();
    busy_ = false;
    if (done) done();
    return true;
  }
  {
    std::lock_guard lock(mutex_);
    stopping_ = false;
    jobFinished_ = false;
    job_ = std::move(job);
    done_ = std::move(done);
  }
  changed_.notify_all();
  return true;
}

void FtpWorker::OnOwner(std::function<void()> event) {
  if (!OnWorkerThread()) {
    event();
    return;
  }
  {
    std::lock_guard lock(mutex_);
    events_.push_back(std::move(event));
  }
  changed_.notify_all();
  wake_();
}

bool FtpWorker::AskOwner(const std::function<void()>& question) {
  if (!OnWorkerThread()) {
    question();
    return true;
  }
  struct State {
    bool started = false, finished = false, abandoned = false;
  };
  auto state = std::make_shared<State>();
  std::unique_lock lock(mutex_);
  events_.push_back([this, state, &question] {
    {
      std::lock_guard inner(mutex_);
      if (state->abandoned) return;
      state->started = true;
    }
    question();
    std::lock_guard inner(mutex_);
    state->finished = true;
    changed_.notify_all();
  });
  lock.unlock();
  changed_.notify_all();
  wake_();
  lock.lock();
  // Once the owner has begun the question it is waited for: it may still use what the job gave it.
  changed_.wait(lock, [&] { return state->finished || (stopping_ && !state->started); });
  if (state->finished) return true;
  state->abandoned = true;
  return false;
}

void FtpWorker::Deliver() {
  if (delivering_ || !Threaded()) return;
  delivering_ = true;
  for (;;) {
    std::unique_lock lock(mutex_);
    if (!events_.empty()) {
      std::function<void()> event = std::move(events_.front());
      events_.pop_front();
      lock.unlock();
      event();
      continue;
    }
    if (!busy_ || !jobFinished_) break;
    jobFinished_ = false;
    std::function<void()> done = std::move(done_);
    done_ = nullptr;
    lock.unlock();
    busy_ = false;
    if (done) done();
  }
  delivering_ = false;
}

bool FtpWorker::WaitDone(std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    Deliver();
    if (!busy_) return true;
    std::unique_lock lock(mutex_);
    if (!changed_.wait_until(lock, deadline, [this] { return !events_.empty() || jobFinished_; })) return false;
  }
}

void FtpWorker::Stop() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
}

bool FtpWorker::Stopping() const {
  std::lock_guard lock(mutex_);
  return stopping_;
}

}  // namespace zun::ftp
