#include "net/awaitable_database.h"

#include <asio/async_result.hpp>
#include <asio/executor_work_guard.hpp>
#include <asio/post.hpp>
#include <asio/steady_timer.hpp>
#include <asio/this_coro.hpp>
#include <asio/use_awaitable.hpp>

#include "store/database_maintenance.h"

namespace orlentis {
namespace {

// The waiting coroutine's side: resumed once, by whichever comes first of the job's end and
// the wait limit. Touched only on the coroutine's executor, and kept alive by its timer's
// wait until that ends.
template <class Handler, class Executor>
struct Waiter {
  Waiter(Handler&& h, const Executor& executor, std::chrono::milliseconds limit)
      : handler(std::move(h)), timer(executor, limit) {}

  void Resume(DbOutcome outcome) {
    if (resumed) return;
    resumed = true;
    timer.cancel();
    std::move(handler)(outcome);
  }

  Handler handler;
  asio::steady_timer timer;
  bool resumed = false;
};

}  // namespace

asio::awaitable<DbOutcome> AwaitJob(DatabaseThread& thread, std::shared_ptr<DatabaseJob> job,
                                    std::chrono::milliseconds limit) {
  // Nothing is queued while a repair runs: the answer would only be late, not different.
  if (DatabaseMaintenance::Instance().IsUnavailable()) co_return DbOutcome::kSkipped;
  const auto executor = co_await asio::this_coro::executor;
  co_return co_await asio::async_initiate<decltype(asio::use_awaitable), void(DbOutcome)>(
      [&thread, &job, executor, limit](auto handler) {
        using W = Waiter<decltype(handler), decltype(executor)>;
        auto waiter = std::make_shared<W>(std::move(handler), executor, limit);
        waiter->timer.async_wait([waiter, job](std::error_code error) {
          if (error) return;
          job->GiveUp();
          waiter->Resume(DbOutcome::kSkipped);
        });
        // The worker keeps running until every job it handed out has finished. The job, which
        // the database thread may drop last, holds the waiter only weakly: its timer belongs to
        // the worker and must end there, never on the database thread after the worker's end.
        auto work = std::make_shared<asio::executor_work_guard<decltype(executor)>>(executor);
        job->onFinished = [weakWaiter = std::weak_ptr<W>(waiter), work](DbOutcome outcome) {
          asio::post(work->get_executor(), [weakWaiter, work, outcome] {
            if (const auto waiter = weakWaiter.lock()) waiter->Resume(outcome);
            work->reset();
          });
        };
        thread.Submit(job);
      },
      asio::use_awaitable);
}

}  // namespace orlentis
