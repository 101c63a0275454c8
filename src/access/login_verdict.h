#pragma once

#include "base/server_metrics.h"

namespace orlentis {

// What a login, or the domain logon within it, came to: the credentials were accepted or
// refused, or nothing told either way (the database or the directory server could not be
// asked or did not answer in time). Only a refusal is a guess that the login throttle counts;
// an unanswered login fails without holding its address back afterwards.
enum class LoginVerdict { kAccepted, kRefused, kUnanswered };

inline LoginOutcome LoginOutcomeOf(LoginVerdict verdict) {
  switch (verdict) {
    case LoginVerdict::kAccepted:
      return LoginOutcome::kAccepted;
    case LoginVerdict::kRefused:
      return LoginOutcome::kRefused;
    case LoginVerdict::kUnanswered:
      break;
  }
  return LoginOutcome::kUnanswered;
}

}  // namespace orlentis
