#include "net/awaitable_domain_logon.h"

#include <asio/async_result.hpp>
#include <asio/executor_work_guard.hpp>
#include <asio/post.hpp>
#include <asio/this_coro.hpp>
#include <asio/use_awaitable.hpp>
#include <memory>

#include "access/domain_logon_runner.h"

namespace orlentis {

asio::awaitable<LoginVerdict> AwaitDomainLogon(DomainLogonRunner& runner, std::string name,
                                               std::string password) {
  auto executor = co_await asio::this_coro::executor;
  co_return co_await asio::async_initiate<decltype(asio::use_awaitable), void(LoginVerdict)>(
      [&runner, executor](auto handler, std::string name, std::string password) {
        // The runner takes copyable callbacks; the coroutine's handler moves only.
        auto shared = std::make_shared<decltype(handler)>(std::move(handler));
        auto work = std::make_shared<asio::executor_work_guard<decltype(executor)>>(executor);
        runner.Submit(std::move(name), std::move(password), [shared, work](LoginVerdict verdict) {
          asio::post(work->get_executor(), [shared, work, verdict]() mutable {
            (*shared)(verdict);
            work->reset();
          });
        });
      },
      asio::use_awaitable, std::move(name), std::move(password));
}

}  // namespace orlentis
