// Replacing a set of result files by their complete temporaries, whole or not at all: every
// file that exists gets a second name first, and when a rename fails half-way the files
// already replaced get their earlier contents back.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace doors {

struct Replacement {
  std::string temporary;  // the complete new file
  std::string target;     // the name it replaces (or creates)
  std::string backup;     // a free name beside the target for its earlier file
};

struct CommitOutcome {
  // "cannot replace 'X': reason" when the set was left as it was; nothing when replaced.
  std::optional<std::string> failure;
  // Earlier files that could not be removed from their backup names after the set was
  // replaced, each with the reason: "cannot remove 'X': reason".
  std::vector<std::string> leftovers;
};

// Renames each temporary over its target in order. Before the first rename each existing
// target is linked to its backup name (moved there where links cannot be made); after the
// last the backups are removed. A failure leaves every target as it was before the call and
// no backup; the temporaries not yet renamed are the caller's to remove. Names are shown in
// messages as given.
CommitOutcome replaceWhole(const std::vector<Replacement>& files);

}  // namespace doors
