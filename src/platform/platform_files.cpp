// POSIX implementation of the name, path, file and standard-stream services: thin wrappers
// over open/read/write/stat that hand back errno instead of printing or throwing.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/test_seams.h"

namespace platform {

namespace {

bool holdsNul(std::string_view name) { return name.find('\0') != std::string_view::npos; }

// A name ended by NUL for the system, on the stack when it is short: replacing a set of result
// files, and putting it back, must not depend on the heap, which may be exhausted.
class SystemName {
 public:
  explicit SystemName(std::string_view name) {
    if (name.size() < sizeof small_) {
      name.copy(small_, name.size());
      small_[name.size()] = '\0';
    } else {
      large_ = std::string(name);
    }
  }
  const char* c_str() const { return large_.empty() ? small_ : large_.c_str(); }

 private:
  char small_[1024];
  std::string large_;
};

ErrorCode currentError() { return errno != 0 ? errno : EIO; }

using test_seams::FaultKind;
using test_seams::SystemCall;

// Retries a call that failed with EINTR; signals are blocked in the tool's threads, but a
// library user of this layer may not have done so. A fault test's injected failure sets errno
// and skips the call; an injected EINTR is one failed attempt before the real one.
template <typename Call>
auto retrying(test_seams::Fault fault, Call call) {
  if (fault.kind == FaultKind::Fail) {
    errno = fault.error;
    return decltype(call())(-1);
  }
  for (;;) {
    auto result = call();
    if (result != -1 || errno != EINTR) return result;
  }
}

template <typename Call>
auto retrying(SystemCall kind, Call call) {
  return retrying(test_seams::injectedFault(kind), call);
}

// Whether a stat-like call is to fail as a fault test asks.
bool statRefused() { return test_seams::injectedFault(SystemCall::Stat).kind == FaultKind::Fail; }

// What a short transfer moves: half of what was asked, at least one byte.
std::size_t shortened(test_seams::Fault fault, std::size_t size) {
  return fault.kind == FaultKind::Short && size > 1 ? size / 2 : size;
}

}  // namespace

NameAttributes nameAttributes(std::string_view name) {
  if (name.empty() || holdsNul(name)) return {};
  struct stat info {};
  const bool found = !statRefused() && ::stat(std::string(name).c_str(), &info) == 0;
  if (test_seams::NameLookupHook hook = test_seams::nameLookupHook()) hook(name);
  if (!found) return {};
  return {true, S_ISDIR(info.st_mode)};
}

bool isPipe(std::string_view name) {
  if (name.empty() || holdsNul(name)) return false;
  struct stat info {};
  return !statRefused() && ::stat(std::string(name).c_str(), &info) == 0 && S_ISFIFO(info.st_mode);
}

std::optional<std::string> currentDirectory() {
  std::vector<char> buffer(4096);
  for (;;) {
    if (::getcwd(buffer.data(), buffer.size()) != nullptr) return std::string(buffer.data());
    if (errno != ERANGE || buffer.size() > (std::size_t{1} << 20)) return std::nullopt;
    buffer.resize(buffer.size() * 2);
  }
}

std::optional<std::string> absolutePath(std::string_view name) {
  if (name.empty() || holdsNul(name)) return std::nullopt;
  std::string joined;
  if (name.front() != '/') {
    std::optional<std::string> base = currentDirectory();
    if (!base) return std::nullopt;
    joined = *base;
    joined += '/';
  }
  joined += name;

  // Fold components lexically; ".." at the root stays at the root.
  std::vector<std::string_view> parts;
  std::string_view rest = joined;
  while (!rest.empty()) {
    std::size_t slash = rest.find('/');
    std::string_view part = rest.substr(0, slash);
    rest = slash == std::string_view::npos ? std::string_view{} : rest.substr(slash + 1);
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    parts.push_back(part);
  }
  std::string result;
  for (std::string_view part : parts) {
    result += '/';
    result += part;
  }
  if (result.empty()) result = "/";
  return result;
}

OpenResult openFile(std::string_view name, Creation creation, Access access) {
  if (holdsNul(name)) return {kInvalidHandle, EINVAL};
  int flags = O_CLOEXEC | (access == Access::ReadWrite ? O_RDWR : O_RDONLY);
  switch (creation) {
    case Creation::OpenExisting:
      break;
    case Creation::OpenOrCreate:
      flags |= O_CREAT;
      break;
    case Creation::CreateNew:
      flags |= O_CREAT | O_EXCL;
      break;
  }
  const std::string path(name);
  errno = 0;
  int fd = retrying(SystemCall::Open, [&] { return ::open(path.c_str(), flags, 0666); });
  if (fd < 0) return {kInvalidHandle, currentError()};
  struct stat info {};
  if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
    ::close(fd);
    return {kInvalidHandle, EISDIR};
  }
  return {fd, 0};
}

OpenResult openScratchFile() {
  std::string directory = P_tmpdir;  // the C library's temporary directory
  if (const char* tmp = std::getenv("TMPDIR"); tmp != nullptr && *tmp != '\0') directory = tmp;
#ifdef O_TMPFILE
  int fd = retrying(SystemCall::Open, [&] {
    return ::open(directory.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  });
  if (fd >= 0) return {fd, 0};
#endif
  // Without O_TMPFILE support: a unique name, removed at once so that nothing is left behind.
  std::string pattern = directory + "/gro-region-scratch-XXXXXX";
  errno = 0;
  int named = ::mkostemp(pattern.data(), O_CLOEXEC);
  if (named < 0) return {kInvalidHandle, currentError()};
  ::unlink(pattern.c_str());
  return {named, 0};
}

ErrorCode truncateFile(Handle handle) {
  // A device or a pipe has no length to cut, as open's own O_TRUNC knows: result.gro linked
  // to /dev/null or /dev/full is written to, not refused with EINVAL.
  struct stat info {};
  if (::fstat(handle, &info) == 0 && !S_ISREG(info.st_mode)) return 0;
  errno = 0;
  if (retrying(SystemCall::Truncate, [&] { return ::ftruncate(handle, 0); }) != 0) {
    return currentError();
  }
  if (::lseek(handle, 0, SEEK_SET) < 0) return currentError();
  return 0;
}

ErrorCode seekToEnd(Handle handle) {
  errno = 0;
  return ::lseek(handle, 0, SEEK_END) < 0 ? currentError() : 0;
}

ErrorCode seekTo(Handle handle, std::uint64_t offset) {
  errno = 0;
  return ::lseek(handle, static_cast<off_t>(offset), SEEK_SET) < 0 ? currentError() : 0;
}

namespace {
std::atomic<Handle> countedHandle{kInvalidHandle};
std::atomic<std::uint64_t> countedBytes{0};
}  // namespace

void countReadBytes(Handle handle) {
  countedBytes.store(0, std::memory_order_relaxed);
  countedHandle.store(handle, std::memory_order_relaxed);
}

std::uint64_t countedReadBytes() { return countedBytes.load(std::memory_order_relaxed); }

ReadResult readSome(Handle handle, char* buffer, std::size_t capacity) {
  errno = 0;
  const test_seams::Fault fault = test_seams::injectedFault(SystemCall::Read);
  capacity = shortened(fault, capacity);
  ssize_t got = retrying(fault, [&] { return ::read(handle, buffer, capacity); });
  if (got < 0) return {0, currentError()};
  if (handle == countedHandle.load(std::memory_order_relaxed)) {
    countedBytes.fetch_add(static_cast<std::uint64_t>(got), std::memory_order_relaxed);
  }
  return {static_cast<std::size_t>(got), 0};
}

ReadResult readAt(Handle handle, std::uint64_t offset, char* buffer, std::size_t capacity) {
  errno = 0;
  const test_seams::Fault fault = test_seams::injectedFault(SystemCall::Read);
  capacity = shortened(fault, capacity);
  ssize_t got = retrying(
      fault, [&] { return ::pread(handle, buffer, capacity, static_cast<off_t>(offset)); });
  if (got < 0) return {0, currentError()};
  return {static_cast<std::size_t>(got), 0};
}

ErrorCode writeAll(Handle handle, const char* data, std::size_t size) {
  while (size > 0) {
    errno = 0;
    const test_seams::Fault fault = test_seams::injectedFault(SystemCall::Write);
    const std::size_t asked = shortened(fault, size);
    ssize_t put = retrying(fault, [&] { return ::write(handle, data, asked); });
    if (put < 0) return currentError();
    if (put == 0) return EIO;
    data += put;
    size -= static_cast<std::size_t>(put);
  }
  return 0;
}

ErrorCode closeHandle(Handle handle) {
  // close() must not be retried on EINTR: the descriptor is gone either way on Linux.
  errno = 0;
  const test_seams::Fault fault = test_seams::injectedFault(SystemCall::Close);
  // An injected failure still closes, as a close that fails with EIO does.
  if (::close(handle) != 0 && errno != EINTR) return currentError();
  return fault.kind == FaultKind::Fail ? fault.error : 0;
}

std::optional<std::uint64_t> fileSize(Handle handle) {
  struct stat info {};
  if (statRefused() || ::fstat(handle, &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
  return static_cast<std::uint64_t>(info.st_size);
}

std::optional<std::uint64_t> filePosition(Handle handle) {
  const off_t offset = ::lseek(handle, 0, SEEK_CUR);
  if (offset < 0) return std::nullopt;
  return static_cast<std::uint64_t>(offset);
}

bool isTerminal(Handle handle) { return ::isatty(handle) == 1; }

ErrorCode makeDirectories(std::string_view name) {
  if (name.empty() || holdsNul(name)) return name.empty() ? ENOENT : EINVAL;
  const std::string path(name);
  // Each prefix ending before a slash, then the whole name; existing directories are passed.
  for (std::size_t end = path.find('/', 1);; end = path.find('/', end + 1)) {
    const std::string part = path.substr(0, end);
    if (retrying(SystemCall::MakeDirectory, [&] { return ::mkdir(part.c_str(), 0777); }) != 0 &&
        errno != EEXIST) {
      return currentError();
    }
    if (end == std::string::npos) break;
  }
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return currentError();
  return S_ISDIR(info.st_mode) ? 0 : ENOTDIR;
}

ErrorCode renameFile(std::string_view from, std::string_view to) {
  if (holdsNul(from) || holdsNul(to)) return EINVAL;
  const SystemName source(from);
  const SystemName target(to);
  errno = 0;
  return retrying(SystemCall::Rename, [&] { return ::rename(source.c_str(), target.c_str()); }) == 0
             ? 0
             : currentError();
}

ErrorCode linkFile(std::string_view existing, std::string_view name) {
  if (holdsNul(existing) || holdsNul(name)) return EINVAL;
  const SystemName source(existing);
  const SystemName target(name);
  errno = 0;
  return retrying(SystemCall::Link, [&] { return ::link(source.c_str(), target.c_str()); }) == 0
             ? 0
             : currentError();
}

ErrorCode removeFile(std::string_view name) {
  if (holdsNul(name)) return EINVAL;
  const SystemName path(name);
  errno = 0;
  return retrying(SystemCall::Remove, [&] { return ::unlink(path.c_str()); }) == 0 ? 0
                                                                                   : currentError();
}

std::optional<FileIdentity> fileIdentity(Handle handle) {
  struct stat info {};
  if (::fstat(handle, &info) != 0) return std::nullopt;
  return FileIdentity{static_cast<std::uint64_t>(info.st_dev),
                      static_cast<std::uint64_t>(info.st_ino)};
}

ErrorCode appendToFile(std::string_view name, std::string_view text) {
  if (name.empty() || holdsNul(name)) return EINVAL;
  const std::string path(name);
  errno = 0;
  int fd = retrying(SystemCall::Open, [&] {
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
  });
  if (fd < 0) return currentError();
  ErrorCode written = writeAll(fd, text.data(), text.size());
  ErrorCode closed = closeHandle(fd);
  return written != 0 ? written : closed;
}

void reserveStandardStreams() {
  for (int stream : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
    if (::fcntl(stream, F_GETFD) != -1 || errno != EBADF) continue;
    // Opened the wrong way round, so a read of input or a write of output still fails with
    // EBADF as on the closed stream; what matters is that the number is taken.
    int placeholder = ::open("/dev/null", stream == STDIN_FILENO ? O_WRONLY : O_RDONLY);
    if (placeholder < 0 || placeholder == stream) continue;
    ::dup2(placeholder, stream);
    ::close(placeholder);
  }
}

Handle standardInput() { return STDIN_FILENO; }
Handle standardOutput() { return STDOUT_FILENO; }
Handle standardError() { return STDERR_FILENO; }

ErrorCode redirectStandardError(std::string_view name) {
  if (name.empty() || holdsNul(name)) return EINVAL;
  const std::string path(name);
  errno = 0;
  int fd = retrying(SystemCall::Open, [&] {
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
  });
  if (fd < 0) return currentError();
  ErrorCode result = 0;
  if (retrying(test_seams::Fault{}, [&] { return ::dup2(fd, STDERR_FILENO); }) < 0) {
    result = currentError();
  }
  ::close(fd);
  return result;
}

}  // namespace platform
