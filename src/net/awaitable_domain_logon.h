#pragma once

#include <asio/awaitable.hpp>
#include <string>

#include "access/domain_logon.h"

namespace orlentis {

class DomainLogonRunner;

// Hands one domain logon to the runner's threads and resumes the calling coroutine on its
// own executor with the verdict, so the worker keeps serving the other connections while
// the directory answers.
asio::awaitable<LoginVerdict> AwaitDomainLogon(DomainLogonRunner& runner, std::string name,
                                               std::string password);

}  // namespace orlentis
