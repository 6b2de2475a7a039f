// Test helpers for real child processes and scratch directories: run the test driver with
// arguments, environment and working directory of the test's choosing, and see its exit status,
// its output streams and the files it leaves behind.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace testsupport {

// A fresh directory below the test framework's temporary directory, removed at the end.
class ScratchDir {
 public:
  ScratchDir() {
    std::string pattern = ::testing::TempDir() + "gro-region-test-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    // The lexically folded absolute form (links kept): the tool reports names this way.
    path_ = std::filesystem::absolute(pattern).lexically_normal().string();
  }
  ~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

inline std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

inline void writeFile(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
}

struct ChildOptions {
  std::string program;                   // empty: the test driver
  std::vector<std::string> environment;  // "NAME=value" added, "NAME" removed
  std::string directory;                 // working directory; empty: the test's own
  std::string input;                     // standard input, from a file
  bool closeStandardOutput = false;      // standard output is a pipe nobody reads

  ChildOptions& withEnvironment(std::string change) {
    environment.push_back(std::move(change));
    return *this;
  }
  ChildOptions& inDirectory(std::string path) {
    directory = std::move(path);
    return *this;
  }
  ChildOptions& withInput(std::string text) {
    input = std::move(text);
    return *this;
  }
  ChildOptions& running(std::string path) {
    program = std::move(path);
    return *this;
  }
  ChildOptions& withClosedOutput() {
    closeStandardOutput = true;
    return *this;
  }
};

struct ChildResult {
  bool exited = false;  // false: ended by a signal (then `status` is the signal)
  int status = -1;
  std::string out;
  std::string err;
};

namespace detail {

// The environment of the test process with the given changes, as exec wants it.
inline std::vector<std::string> childEnvironment(const std::vector<std::string>& changes) {
  std::vector<std::string> result;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    std::string item(*entry);
    std::string name = item.substr(0, item.find('='));
    // Switches of the layer under test are never inherited by accident.
    if (name.rfind("FOR", 0) == 0) continue;
    result.push_back(item);
  }
  for (const std::string& change : changes) {
    std::string name = change.substr(0, change.find('='));
    std::erase_if(result,
                  [&](const std::string& item) { return item.substr(0, item.find('=')) == name; });
    if (change.find('=') != std::string::npos) result.push_back(change);
  }
  return result;
}

inline std::vector<char*> pointers(std::vector<std::string>& items) {
  std::vector<char*> result;
  for (std::string& item : items) result.push_back(item.data());
  result.push_back(nullptr);
  return result;
}

// In the child between fork and exec: only async-signal-safe calls.
inline void resetSignals() {
  sigset_t none;
  sigemptyset(&none);
  ::sigprocmask(SIG_SETMASK, &none, nullptr);
  for (int signal : {SIGINT, SIGQUIT, SIGHUP, SIGPIPE, SIGTERM}) ::signal(signal, SIG_DFL);
}

inline ChildResult waitFor(pid_t pid, std::chrono::seconds limit) {
  ChildResult result;
  auto deadline = std::chrono::steady_clock::now() + limit;
  int status = 0;
  for (;;) {
    pid_t done = ::waitpid(pid, &status, WNOHANG);
    if (done == pid) break;
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      ADD_FAILURE() << "child did not end in time";
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  if (WIFEXITED(status)) {
    result.exited = true;
    result.status = WEXITSTATUS(status);
  } else if (WIFSIGNALED(status)) {
    result.status = WTERMSIG(status);
  }
  return result;
}

}  // namespace detail

// Runs the test driver to its end (at most 30 s) and collects its two output streams.
inline ChildResult runChild(const std::vector<std::string>& arguments,
                            const ChildOptions& options = {}) {
  ScratchDir streams;
  const std::string inPath = streams.file("stdin");
  const std::string outPath = streams.file("stdout");
  const std::string errPath = streams.file("stderr");
  writeFile(inPath, options.input);

  std::vector<std::string> argv{options.program.empty() ? GRO_TEST_DRIVER : options.program};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  std::vector<std::string> envp = detail::childEnvironment(options.environment);
  std::vector<char*> argvPointers = detail::pointers(argv);
  std::vector<char*> envpPointers = detail::pointers(envp);
  int outPipe[2] = {-1, -1};
  if (options.closeStandardOutput) {
    if (::pipe(outPipe) != 0) throw std::runtime_error("pipe");
    // Nobody reads the pipe, from before the child starts: closed after the fork, the read
    // end could still be open in this process when the child's first write came, which would
    // then succeed.
    ::close(outPipe[0]);
    outPipe[0] = -1;
  }

  pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    detail::resetSignals();
    if (!options.directory.empty() && ::chdir(options.directory.c_str()) != 0) ::_exit(125);
    int in = ::open(inPath.c_str(), O_RDONLY);
    int out = options.closeStandardOutput ? outPipe[1]
                                          : ::open(outPath.c_str(), O_WRONLY | O_CREAT, 0600);
    int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT, 0600);
    if (in < 0 || out < 0 || err < 0) ::_exit(125);
    ::dup2(in, 0);
    ::dup2(out, 1);
    ::dup2(err, 2);
    if (options.closeStandardOutput) ::close(outPipe[1]);
    ::execve(argvPointers[0], argvPointers.data(), envpPointers.data());
    ::_exit(127);
  }
  if (options.closeStandardOutput) ::close(outPipe[1]);
  ChildResult result = detail::waitFor(pid, std::chrono::seconds(30));
  result.out = readFile(outPath);
  result.err = readFile(errPath);
  return result;
}

// A child that keeps running: its standard input is a pipe the test holds open (so a console
// read waits), its standard output is watched, its standard error goes to a file.
class LiveChild {
 public:
  LiveChild(const std::vector<std::string>& arguments, const ChildOptions& options = {}) {
    errPath_ = streams_.file("stderr");
    std::vector<std::string> argv{options.program.empty() ? GRO_TEST_DRIVER : options.program};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<std::string> envp = detail::childEnvironment(options.environment);
    std::vector<char*> argvPointers = detail::pointers(argv);
    std::vector<char*> envpPointers = detail::pointers(envp);
    int in[2];
    int out[2];
    if (::pipe(in) != 0 || ::pipe(out) != 0) throw std::runtime_error("pipe");
    pid_ = ::fork();
    if (pid_ < 0) throw std::runtime_error("fork failed");
    if (pid_ == 0) {
      detail::resetSignals();
      if (!options.directory.empty() && ::chdir(options.directory.c_str()) != 0) ::_exit(125);
      int err = ::open(errPath_.c_str(), O_WRONLY | O_CREAT, 0600);
      if (err < 0) ::_exit(125);
      ::dup2(in[0], 0);
      ::dup2(out[1], 1);
      ::dup2(err, 2);
      ::close(in[0]);
      ::close(in[1]);
      ::close(out[0]);
      ::close(out[1]);
      ::execve(argvPointers[0], argvPointers.data(), envpPointers.data());
      ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    input_ = in[1];
    output_ = out[0];
  }
  ~LiveChild() {
    if (!waited_) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    if (input_ >= 0) ::close(input_);
    ::close(output_);
  }
  LiveChild(const LiveChild&) = delete;
  LiveChild& operator=(const LiveChild&) = delete;

  // Reads the child's standard output until it holds `text` (false after 10 s or at its end).
  bool waitForOutput(const std::string& text) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    ::fcntl(output_, F_SETFL, O_NONBLOCK);
    while (out_.find(text) == std::string::npos) {
      char buffer[4096];
      ssize_t got = ::read(output_, buffer, sizeof buffer);
      if (got > 0) {
        out_.append(buffer, static_cast<std::size_t>(got));
        continue;
      }
      if (got == 0) return false;
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
  }

  void send(int signal) { ::kill(pid_, signal); }
  void closeInput() {
    ::close(input_);
    input_ = -1;
  }
  void writeInput(const std::string& text) {
    [[maybe_unused]] ssize_t put = ::write(input_, text.data(), text.size());
  }

  // Waits for the end (at most 10 s) and collects standard error.
  ChildResult wait() {
    ChildResult result = detail::waitFor(pid_, std::chrono::seconds(10));
    waited_ = true;
    char buffer[4096];
    ::fcntl(output_, F_SETFL, 0);
    for (ssize_t got; (got = ::read(output_, buffer, sizeof buffer)) > 0;) {
      out_.append(buffer, static_cast<std::size_t>(got));
    }
    result.out = out_;
    result.err = readFile(errPath_);
    return result;
  }

 private:
  ScratchDir streams_;
  std::string errPath_;
  pid_t pid_ = -1;
  int input_ = -1;
  int output_ = -1;
  bool waited_ = false;
  std::string out_;
};

}  // namespace testsupport
