// The set of result files replaced whole or not at all, through backup names beside them.
#include "doors/result_commit.h"

#include <cerrno>
#include <new>

#include "platform/platform.h"
#include "textio/freeform/typed_text.h"

namespace doors {
namespace {

std::string reason(platform::ErrorCode error) {
  return platform::errorText(error).value_or("error " + std::to_string(error));
}

std::string cannot(std::string_view what, const std::string& name, platform::ErrorCode error) {
  return "cannot " + std::string(what) + " " + textio::freeform::quoted(name) + ": " +
         reason(error);
}

// What happened to a target before the renames.
enum class Earlier { None, Linked, Moved };

// The earlier file of `file` under its backup name: a second link, so that the target never
// disappears, or, where the file system makes no links, the file moved there.
platform::ErrorCode keepEarlier(const Replacement& file, Earlier& earlier) {
  earlier = Earlier::None;
  const platform::ErrorCode linked = platform::linkFile(file.target, file.backup);
  if (linked == 0) {
    earlier = Earlier::Linked;
    return 0;
  }
  if (linked == ENOENT) return 0;  // nothing to keep: the target is new
  const platform::ErrorCode moved = platform::renameFile(file.target, file.backup);
  if (moved == 0) earlier = Earlier::Moved;
  return moved == ENOENT ? 0 : moved;
}

// The target as it was before: its earlier file back under its name, or no file at all.
void putBack(const Replacement& file, Earlier earlier) {
  if (earlier == Earlier::None) {
    platform::removeFile(file.target);
  } else {
    platform::renameFile(file.backup, file.target);
  }
}

// The backups of files [from, to) given up before their targets were touched: a second link
// removed, a moved file moved back.
void giveUpBackups(const std::vector<Replacement>& files, const std::vector<Earlier>& earlier,
                   std::size_t from, std::size_t to) {
  for (std::size_t j = from; j < to; ++j) {
    if (earlier[j] == Earlier::Linked) platform::removeFile(files[j].backup);
    if (earlier[j] == Earlier::Moved) platform::renameFile(files[j].backup, files[j].target);
  }
}

}  // namespace

CommitOutcome replaceWhole(const std::vector<Replacement>& files) {
  CommitOutcome outcome;
  std::vector<Earlier> earlier(files.size(), Earlier::None);
  for (std::size_t i = 0; i < files.size(); ++i) {
    if (platform::ErrorCode error = keepEarlier(files[i], earlier[i])) {
      giveUpBackups(files, earlier, 0, i);
      outcome.failure = cannot("replace", files[i].target, error);
      return outcome;
    }
  }
  for (std::size_t i = 0; i < files.size(); ++i) {
    const platform::ErrorCode error = platform::renameFile(files[i].temporary, files[i].target);
    if (error == 0) continue;
    for (std::size_t j = 0; j < i; ++j) putBack(files[j], earlier[j]);
    giveUpBackups(files, earlier, i, files.size());
    outcome.failure = cannot("replace", files[i].target, error);
    return outcome;
  }
  for (std::size_t i = 0; i < files.size(); ++i) {
    if (earlier[i] == Earlier::None) continue;
    if (platform::ErrorCode error = platform::removeFile(files[i].backup)) {
      try {
        outcome.leftovers.push_back(cannot("remove", files[i].backup, error));
      } catch (const std::bad_alloc&) {
        // The set is replaced all the same; only the line naming the leftover is lost.
      }
    }
  }
  return outcome;
}

}  // namespace doors
