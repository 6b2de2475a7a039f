// The stored end policy and the exit that ends a run after a report.
#include "textio/reports/end_policy.h"

#include "platform/platform.h"

namespace textio::reports {

namespace detail {

namespace {

EndPolicy& endPolicyStore() {
  static EndPolicy policy;
  return policy;
}

}  // namespace

const EndPolicy& endPolicy() { return endPolicyStore(); }

void endWithCode(ReportCode code) {
  if (const EndPolicy& policy = endPolicy(); policy.atEnd != nullptr) policy.atEnd();
  platform::exitProcess(static_cast<int>(code & 0xFFu));
}

}  // namespace detail

void setEndPolicy(const EndPolicy& policy) { detail::endPolicyStore() = policy; }

}  // namespace textio::reports
