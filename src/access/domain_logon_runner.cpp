#include "access/domain_logon_runner.h"

#include <utility>

namespace orlentis {

DomainLogonRunner::DomainLogonRunner(SettingsSource settings, std::size_t threadCount)
    : settings_(std::move(settings)) {
  threads_.reserve(threadCount);
  for (std::size_t i = 0; i < threadCount; ++i) threads_.emplace_back([this] { Work(); });
}

DomainLogonRunner::~DomainLogonRunner() {
  Shutdown();
}

void DomainLogonRunner::Submit(std::string name, std::string password, Done done) {
  {
    std::lock_guard lock(mutex_);
    if (!stopping_) {
      queue_.push_back({std::move(name), std::move(password), std::move(done)});
      wake_.notify_one();
      return;
    }
  }
  done(LoginVerdict::kUnanswered);
}

void DomainLogonRunner::Shutdown() {
  std::vector<std::thread> threads;
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    threads.swap(threads_);
  }
  wake_.notify_all();
  for (auto& thread : threads) thread.join();
}

void DomainLogonRunner::Work() {
  std::unique_lock lock(mutex_);
  while (true) {
    wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
    if (queue_.empty()) return;
    Job job = std::move(queue_.front());
    queue_.pop_front();
    const bool stopping = stopping_;
    lock.unlock();
    job.done(stopping ? LoginVerdict::kUnanswered
                      : DomainLogon(settings_(), job.name, job.password));
    lock.lock();
  }
}

}  // namespace orlentis
