// The one way long work tells its caller how far it is and learns whether
// to go on: merges, checks, exports and diffs all take a KeepGoing.
#pragma once

#include <cstdint>
#include <functional>

namespace zd::files {

// Asked now and then with the bytes done so far of the whole; returns
// whether to go on. False stops the work, which then ends as stopped and
// leaves nothing behind. An empty function never stops anything.
using KeepGoing = std::function<bool(std::uint64_t done, std::uint64_t total)>;

} // namespace zd::files
