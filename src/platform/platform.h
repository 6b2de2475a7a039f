// The few operating-system services the input/output layer needs, behind one small interface:
// names and paths, file handles, the standard streams, environment, error texts, process exit,
// console events, floating-point masks, page allocation and the call stack for tracebacks.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// A file handle of the platform (a POSIX file descriptor).
using Handle = int;
inline constexpr Handle kInvalidHandle = -1;

// Every call that can fail returns the platform's error code (errno), 0 on success.
using ErrorCode = int;

// --- Names and paths -------------------------------------------------------------------------

struct NameAttributes {
  bool exists = false;
  bool directory = false;
};

// Attributes of a name (links followed). A name the platform cannot look up, or one holding a
// NUL byte, does not exist. Never fails.
NameAttributes nameAttributes(std::string_view name);

// Whether the name (links followed) is a pipe or FIFO, such as a named pipe or /dev/stdin fed
// by a pipe. False for a name the platform cannot look up. Never fails.
bool isPipe(std::string_view name);

// The working directory, or nothing when the platform cannot give it.
std::optional<std::string> currentDirectory();

// The name made absolute against the working directory, lexically: "." and ".." components are
// folded and repeated slashes merged, links are not followed. Nothing for an empty name, a name
// holding a NUL byte, or when the working directory is unknown.
std::optional<std::string> absolutePath(std::string_view name);

// --- Files -----------------------------------------------------------------------------------

enum class Creation { OpenExisting, OpenOrCreate, CreateNew };
enum class Access { ReadWrite, ReadOnly };

struct OpenResult {
  Handle handle = kInvalidHandle;
  ErrorCode error = 0;
};

// Opens a file. Directories are never opened: they give EISDIR even where a read-only open would
// succeed. A name holding a NUL byte gives EINVAL. New files get mode 0666 less the umask.
OpenResult openFile(std::string_view name, Creation creation, Access access);

// A new, unnamed read-write file in the temporary directory; it disappears when closed.
OpenResult openScratchFile();

// Cuts the file to length 0 in place (the file keeps its identity) and moves to its start.
ErrorCode truncateFile(Handle handle);

// Moves the file position to the end (for appending).
ErrorCode seekToEnd(Handle handle);

// Moves the file position to `offset` bytes from the start (a file read again).
ErrorCode seekTo(Handle handle, std::uint64_t offset);

struct ReadResult {
  std::size_t bytes = 0;  // 0 with error 0: no more data
  ErrorCode error = 0;
};

// Reads at most `capacity` bytes; blocks until some are available. Interrupted calls are retried.
ReadResult readSome(Handle handle, char* buffer, std::size_t capacity);

// Reads at most `capacity` bytes from `offset` of a regular file without moving its offset.
ReadResult readAt(Handle handle, std::uint64_t offset, char* buffer, std::size_t capacity);

// Writes all `size` bytes or fails; partial and interrupted writes are continued.
ErrorCode writeAll(Handle handle, const char* data, std::size_t size);

ErrorCode closeHandle(Handle handle);

// Size in bytes of the regular file behind the handle; nothing for pipes, terminals and devices.
std::optional<std::uint64_t> fileSize(Handle handle);

// The handle's current read or write offset; nothing for pipes and terminals. Safe to ask from
// another thread while the handle is being read.
std::optional<std::uint64_t> filePosition(Handle handle);

// Counts the bytes readSome reads from `handle` from now on (one handle at a time; the
// invalid handle stops the count), for the progress of a pipe, which has no offset.
void countReadBytes(Handle handle);
// The bytes counted since countReadBytes. Safe to ask from another thread.
std::uint64_t countedReadBytes();

// True when the handle is a terminal.
bool isTerminal(Handle handle);

// Creates a directory (mode 0777 less the umask) and any missing parents. An existing
// directory is success; an existing file of that name gives ENOTDIR or EEXIST.
ErrorCode makeDirectories(std::string_view name);

// Renames a file over another in the same file system in one step (POSIX rename).
ErrorCode renameFile(std::string_view from, std::string_view to);

// Removes a file name (not a directory).
ErrorCode removeFile(std::string_view name);

// Gives an existing file a second name (POSIX link; a symbolic link is linked itself, not
// followed). The name must not exist.
ErrorCode linkFile(std::string_view existing, std::string_view name);

// Identity of the file behind a handle (device and inode), for tests and diagnostics.
struct FileIdentity {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  bool operator==(const FileIdentity&) const = default;
};
std::optional<FileIdentity> fileIdentity(Handle handle);

// Appends text to the named file, creating it when absent; the file is closed again.
ErrorCode appendToFile(std::string_view name, std::string_view text);

// --- Standard streams ------------------------------------------------------------------------

// A standard stream that the process was started without (closed descriptor 0, 1 or 2) gets a
// placeholder on which reads or writes fail with EBADF as before; without it the next file
// opened would take that number, and reports meant for standard error would land in it.
void reserveStandardStreams();

Handle standardInput();
Handle standardOutput();
Handle standardError();

// Reconnects the standard error stream to the named file, appending.
ErrorCode redirectStandardError(std::string_view name);

// --- Process ---------------------------------------------------------------------------------

// The value of an environment variable; nothing when it is not defined.
std::optional<std::string> environmentVariable(const char* name);

// The platform's own text for an error code; nothing when it has none.
std::optional<std::string> errorText(ErrorCode code);

// Ends the process at once with `status` (0-255 on POSIX): no static destructors run and no
// other thread gets to run, so it is safe while other threads hold locks.
[[noreturn]] void exitProcess(int status);

// This process's number, for names that no other running process chooses.
long processId();

// Asks the platform not to show its own error dialogs; nothing to do on POSIX.
void suppressErrorDialogs();

// A write to a pipe without reader becomes an error code (EPIPE) instead of killing the process.
void ignoreBrokenPipe();

// --- Console events --------------------------------------------------------------------------

// Terminate (SIGTERM, what kill, timeout and workflow engines send) is delivered only when
// asked for: without it SIGTERM keeps its default action.
enum class ConsoleEvent { ControlC = 0, ControlBreak = 1, Close = 2, Terminate = 3 };
enum class TerminateEvent { Default, Delivered };

// Called on the platform's event thread with the event number; answers whether it handled it.
using ConsoleEventHandler = bool (*)(int event);

// Delivers console events to `handler` on a dedicated thread: SIGINT is Ctrl+C, SIGQUIT is
// Ctrl+Break, SIGHUP is a closed console. The three signals are blocked in the calling thread
// (and so in every thread it starts later), so call this before any other thread exists. A
// signal the process inherited as ignored stays ignored. An event the handler does not handle
// gets the signal's default action. Returns false when the thread cannot be started.
bool startConsoleEvents(ConsoleEventHandler handler,
                        TerminateEvent terminate = TerminateEvent::Default);

// For a thread that is about to fail because its console input ended: when a console event
// has reached the process it ends the run instead. An event the event thread has taken is left
// to it and this call never returns; a pending one (every signal sent before the call is
// seen) is taken and handled on the calling thread. Returns when no event has arrived, or when
// the handler handled one and returned. The caller must hold no lock the handler takes.
void yieldToConsoleEvent();

// The number of the signal behind a console event (SIGINT, SIGQUIT, SIGHUP, SIGTERM), so that an
// exit status can be 128 plus it, as shells report a death by that signal.
int consoleEventSignal(int event);

// --- Floating point --------------------------------------------------------------------------

// Clears pending exception flags and masks all five exceptions, so arithmetic never traps.
// Rounding mode and precision are left as they are.
void maskFloatingPointExceptions();

// --- Memory ----------------------------------------------------------------------------------

// Zero-filled pages from the page allocator; nullptr on failure. Huge pages are asked for
// where the system offers them on request; a block of a huge page or more is aligned to one
// and takes mappedBytes(bytes) of address space. releasePages gives a block back whole.
inline constexpr std::uint64_t kHugePageBytes = 2 << 20;
void* allocatePages(std::uint64_t bytes);
std::uint64_t mappedBytes(std::uint64_t bytes);
void releasePages(void* block, std::uint64_t bytes);

// Makes the pages of [begin, begin + bytes) of anonymous memory present and writable in one
// call, before they are written. Each fresh page written first costs a fault otherwise, and on
// a virtual machine a fault costs as much as preparing twenty pages this way. Only speed
// depends on it: where the system cannot, the pages are faulted in as they are written.
void preparePages(void* begin, std::size_t bytes);

// Room in `items` for at least `count` items, grown as push_back grows it (at least doubled),
// the new room made present at once: a vector that grows chunk after chunk through fresh
// memory would otherwise fault its new pages one at a time.
template <typename Item>
void reservePrepared(std::vector<Item>& items, std::size_t count) {
  if (items.capacity() >= count) return;
  items.reserve(std::max(count, 2 * items.capacity()));
  preparePages(items.data() + items.size(), (items.capacity() - items.size()) * sizeof(Item));
}

// Zero-filled bytes from the ordinary heap; nullptr on failure. releaseZeroed gives them back.
void* allocateZeroed(std::size_t bytes);
void releaseZeroed(void* block);

// --- Call stack ------------------------------------------------------------------------------

struct StackFrame {
  std::string image;  // executable or library file name, without directory; empty if unknown
  std::uintptr_t address = 0;
  std::string routine;  // empty when no symbol is known
};

// Loads what the call-stack walk needs, so that a later walk does not allocate much; false when
// it is not available.
bool prepareCallStack();

// The caller's active frames, innermost (the caller itself) first, at most `maxFrames`.
std::vector<StackFrame> callStack(std::size_t maxFrames);

}  // namespace platform
