#include "cli/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <pthread.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <random>
#include <span>
#include <system_error>
#include <thread>
#include <vector>

#include "cli/exit_status.h"
#include "cli/file_names.h"

namespace lipimattam {
namespace {

constexpr std::string_view kStandardStream = "-";
constexpr int kMostLinksFollowed = 40;  // as the kernel, before it says ELOOP
constexpr std::array<int, 3> kEndingSignals = {SIGINT, SIGTERM, SIGHUP};

// The temporary files that have a name, removed when an ending signal comes. A thread of its
// own waits for the signals, which every other thread keeps blocked, so removing the files is
// ordinary code, and it never races with a thread that is naming, renaming or removing one:
// both hold the lock.
class TemporaryFiles {
 public:
  // Never destroyed: the waiting thread may use it until the process ends.
  static TemporaryFiles& Get() {
    static auto* const files = new TemporaryFiles;
    return *files;
  }

  // Whether the signals are watched: false if the waiting thread cannot be started, and then
  // never, so that no thread started later runs with the signals unblocked while another has
  // them blocked. Unwatched, a thread blocks them itself while it has a named temporary file.
  bool WatchSignals() {
    std::call_once(watching_, [this] {
      ::sigemptyset(&signals_);
      for (const int signal_number : kEndingSignals) {
        struct sigaction current {};
        ::sigaction(signal_number, nullptr, &current);
        if (current.sa_handler != SIG_IGN) ::sigaddset(&signals_, signal_number);  // not nohup's
      }
      sigset_t before;
      ::pthread_sigmask(SIG_BLOCK, &signals_, &before);
      try {
        std::thread([this] { RemoveAllOnSignal(); }).detach();
        watched_ = true;
      } catch (const std::system_error&) {  // no thread to be had: the signals act as before
        ::pthread_sigmask(SIG_SETMASK, &before, nullptr);
      }
    });
    return watched_.load();
  }

  // Lets the signals reach the calling thread again, once every output is done with: one
  // still pending ends the program now, by its default action. If the waiting thread took one
  // already, it is ending the program; this waits for that.
  void StopWatching() {
    if (!watched_.load()) return;
    ::pthread_sigmask(SIG_UNBLOCK, &signals_, nullptr);
    while (received_.load()) ::pause();
  }

  // The ending signals not ignored; set by WatchSignals.
  [[nodiscard]] const sigset_t& Signals() const { return signals_; }

  [[nodiscard]] std::unique_lock<std::mutex> Lock() { return std::unique_lock(mutex_); }

  // Both with the lock held.
  void Add(const std::string& name) { names_.push_back(name); }
  void Remove(const std::string& name) {
    const auto found = std::find(names_.begin(), names_.end(), name);
    if (found != names_.end()) names_.erase(found);
  }

 private:
  TemporaryFiles() = default;

  [[noreturn]] void RemoveAllOnSignal() {
    int signal_number = 0;
    while (::sigwait(&signals_, &signal_number) != 0) {
    }
    received_ = true;
    const std::lock_guard lock(mutex_);  // kept: no file is named while the process ends
    for (const std::string& name : names_) ::unlink(name.c_str());
    // The process ends by the signal, as it would have without this thread.
    struct sigaction default_action {};
    default_action.sa_handler = SIG_DFL;
    ::sigaction(signal_number, &default_action, nullptr);
    sigset_t just_this;
    ::sigemptyset(&just_this);
    ::sigaddset(&just_this, signal_number);
    ::pthread_sigmask(SIG_UNBLOCK, &just_this, nullptr);
    ::raise(signal_number);
    std::_Exit(128 + signal_number);
  }

  std::mutex mutex_;
  std::vector<std::string> names_;
  std::once_flag watching_;
  sigset_t signals_{};  // the ending signals not ignored; set once, before the thread starts
  std::atomic<bool> watched_{false};
  std::atomic<bool> received_{false};
};

// The descriptor that a name stands for: /dev/stdout, /dev/stderr, /dev/fd/N and
// /proc/self/fd/N (or this process's number in place of self).
std::optional<int> DescriptorNamed(const std::string& name) {
  std::error_code error;
  const std::string path = std::filesystem::absolute(name, error).lexically_normal().string();
  if (error) return std::nullopt;
  if (path == "/dev/stdin") return STDIN_FILENO;
  if (path == "/dev/stdout") return STDOUT_FILENO;
  if (path == "/dev/stderr") return STDERR_FILENO;
  const std::string prefixes[] = {"/dev/fd/", "/proc/self/fd/",
                                  "/proc/" + std::to_string(::getpid()) + "/fd/"};
  for (const std::string& prefix : prefixes) {
    if (path.compare(0, prefix.size(), prefix) != 0) continue;
    const std::string number = path.substr(prefix.size());
    if (number.empty() || number.size() > 9 ||
        number.find_first_not_of("0123456789") != std::string::npos)
      return std::nullopt;
    return std::atoi(number.c_str());
  }
  return std::nullopt;
}

std::string ReadLink(const std::string& path, std::size_t size_hint) {
  std::string target(size_hint + 1, '\0');
  for (;;) {
    const ssize_t length = ::readlink(path.c_str(), target.data(), target.size());
    if (length < 0) return {};
    if (static_cast<std::size_t>(length) < target.size()) {
      target.resize(static_cast<std::size_t>(length));
      return target;
    }
    target.resize(target.size() * 2);
  }
}

// The folder a path lies in, and its last part.
std::pair<std::string, std::string> SplitPath(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return {".", path};
  return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

// A new name for a temporary file in `folder`, as short whatever the target is called, so that
// a target with the longest name a folder allows still has room beside it. Called with the
// temporary files' lock held, which guards the random numbers too.
std::string TemporaryName(const std::string& folder) {
  static std::mt19937 random(std::random_device{}());
  static constexpr char kLetters[] =
      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  std::uniform_int_distribution<std::size_t> pick(0, sizeof kLetters - 2);
  std::string name = folder + "/.lipimattam-XXXXXXXX";
  for (char& letter : std::span(name).last(8)) letter = kLetters[pick(random)];
  return name;
}

constexpr int kTemporaryNameAttempts = 100;

}  // namespace

bool WatchEndingSignals() {
  return TemporaryFiles::Get().WatchSignals();
}

void StopWatchingEndingSignals() {
  TemporaryFiles::Get().StopWatching();
}

OutputFile::~OutputFile() {
  Abandon();
}

OutputFailure OutputFile::CannotCreate(int error) const {
  return {kExitCantCreate, "cannot create " + shown_name_ + ": " + std::strerror(error)};
}

OutputFailure OutputFile::CannotCreateIn(const std::string& folder, int error) const {
  if (error != EACCES && error != EPERM && error != EROFS) return CannotCreate(error);
  return {kExitCantCreate, "cannot create " + shown_name_ + ": its folder " + Printable(folder) +
                               " is read-only (" + std::strerror(error) +
                               "), and the new text is made as a new file there"};
}

OutputFailure OutputFile::CannotWrite(int error) const {
  return {kExitIoError, "cannot write " + shown_name_ + ": " + std::strerror(error)};
}

std::optional<OutputFailure> OutputFile::Open(const std::string& name) {
  shown_name_ = name == kStandardStream ? "to standard output" : Printable(name);
  if (name == kStandardStream) {
    UseDescriptor(STDOUT_FILENO);
    return std::nullopt;
  }
  std::string path = name;
  for (int links = 0;; ++links) {
    if (const std::optional<int> descriptor = DescriptorNamed(path)) {
      const int flags = ::fcntl(*descriptor, F_GETFL);
      if (flags == -1 || (flags & O_ACCMODE) == O_RDONLY) return CannotWrite(EBADF);
      UseDescriptor(*descriptor);
      return std::nullopt;
    }
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) {
      if (errno != ENOENT) return CannotCreate(errno);
      return CreateNextTo(path, false, 0, 0, 0);  // a new file
    }
    if (S_ISLNK(info.st_mode)) {
      if (links == kMostLinksFollowed) return CannotCreate(ELOOP);
      const std::string link = ReadLink(path, static_cast<std::size_t>(info.st_size));
      if (link.empty()) return CannotCreate(errno);
      path = link.front() == '/' ? link : SplitPath(path).first + "/" + link;
      continue;
    }
    if (S_ISREG(info.st_mode))
      return CreateNextTo(path, true, info.st_uid, info.st_gid, info.st_mode & 07777);
    // A device, a pipe or a socket cannot be replaced by a new file: it is written directly.
    fd_ = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    if (fd_ < 0) return CannotCreate(errno);
    kind_ = Kind::kDevice;
    return std::nullopt;
  }
}

void OutputFile::HoldSignalsIfUnwatched() {
  if (holding_signals_ || WatchEndingSignals()) return;
  ::pthread_sigmask(SIG_BLOCK, &TemporaryFiles::Get().Signals(), &mask_before_);
  holding_signals_ = true;
}

void OutputFile::ReleaseSignals() {
  if (!holding_signals_) return;
  holding_signals_ = false;
  ::pthread_sigmask(SIG_SETMASK, &mask_before_, nullptr);  // one that came ends the program now
}

std::optional<OutputFailure> OutputFile::CreateNextTo(const std::string& target, bool target_exists,
                                                      uid_t owner, gid_t group, mode_t mode) {
  kind_ = Kind::kNewFile;
  target_ = target;
  const std::string folder = SplitPath(target).first;
  // A new file gets the mode the user's umask allows, which the kernel applies as it makes the
  // file; the process's umask is never changed, as other threads are making files too. A file
  // that replaces another is made for its owner alone until it takes the other's mode.
  const mode_t made_with = target_exists ? 0600 : 0666;
  // Where the file system allows it, the file has no name until it is complete; putting it in
  // place then goes through /proc/self/fd.
  fd_ = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, made_with);
  if (fd_ >= 0 && ::access("/proc/self/fd", X_OK) == 0) {
    unnamed_ = true;
  } else {
    if (fd_ >= 0) {
      ::close(fd_);
    } else if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
      return CannotCreateIn(folder, errno);
    }
    HoldSignalsIfUnwatched();
    const auto lock = TemporaryFiles::Get().Lock();
    for (int attempt = 0;; ++attempt) {
      std::string name = TemporaryName(folder);
      fd_ = ::open(name.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC | O_NOFOLLOW, made_with);
      if (fd_ >= 0) {
        temporary_ = std::move(name);
        TemporaryFiles::Get().Add(temporary_);
        break;
      }
      if (errno != EEXIST || attempt == kTemporaryNameAttempts) {
        const int error = errno;
        ReleaseSignals();
        return CannotCreateIn(folder, error);
      }
    }
  }
  if (target_exists) {
    // The owner first: changing it clears the set-user-ID and set-group-ID bits.
    // Where neither can be kept (another user's file), the new file is the runner's.
    [[maybe_unused]] const bool kept =
        ::fchown(fd_, owner, group) == 0 || ::fchown(fd_, static_cast<uid_t>(-1), group) == 0;
    (void)::fchmod(fd_, mode);
  }
  return std::nullopt;
}

void OutputFile::UseDescriptor(int fd) {
  kind_ = Kind::kDescriptor;
  fd_ = fd;
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return;
  const int flags = ::fcntl(fd, F_GETFL);
  const off_t at = (flags & O_APPEND) != 0 ? info.st_size : ::lseek(fd, 0, SEEK_CUR);
  if (flags != -1 && at >= 0) rewind_to_ = at;
}

bool OutputFile::HandedOn() const {
  return written_ && (kind_ == Kind::kDevice || (kind_ == Kind::kDescriptor && !rewind_to_));
}

void OutputFile::Abandon() {
  if (kind_ == Kind::kDescriptor && !committed_ && written_ && rewind_to_) {
    // Where it stood before: an error message that shares the file then follows its old text.
    if (::ftruncate(fd_, *rewind_to_) == 0) (void)::lseek(fd_, *rewind_to_, SEEK_SET);
    written_ = false;
  }
  Discard();
}

std::optional<OutputFailure> OutputFile::Write(std::string_view bytes) {
  written_ = written_ || !bytes.empty();
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd_, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return CannotWrite(errno);
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return std::nullopt;
}

std::optional<OutputFailure> OutputFile::Commit(bool sync_folder) {
  committed_ = true;
  switch (kind_) {
    case Kind::kNone:
    case Kind::kDescriptor:
      return std::nullopt;
    case Kind::kDevice: {
      const int fd = fd_;
      fd_ = -1;
      if (::close(fd) != 0 && errno != EINTR) return CannotWrite(errno);
      return std::nullopt;
    }
    case Kind::kNewFile:
      break;
  }
  if (::fsync(fd_) != 0) {
    const int error = errno;
    Discard();
    return CannotWrite(error);
  }
  if (auto failure = PutInPlace()) {
    Discard();
    return failure;
  }
  // The rename is made durable too where the folder can be synced; nothing is lost if not.
  if (sync_folder) (void)SyncFolder(FolderToSync());
  return std::nullopt;
}

std::string OutputFile::FolderToSync() const {
  return kind_ == Kind::kNewFile ? SplitPath(target_).first : std::string();
}

bool SyncFolder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool synced = ::fsync(fd) == 0;
  ::close(fd);
  return synced;
}

std::optional<OutputFailure> OutputFile::PutInPlace() {
  TemporaryFiles& temporaries = TemporaryFiles::Get();
  if (unnamed_) HoldSignalsIfUnwatched();
  const auto lock = temporaries.Lock();
  if (unnamed_) {
    const std::string descriptor_path = "/proc/self/fd/" + std::to_string(fd_);
    for (int attempt = 0;; ++attempt) {
      std::string name = TemporaryName(SplitPath(target_).first);
      if (::linkat(AT_FDCWD, descriptor_path.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) ==
          0) {
        temporary_ = std::move(name);
        temporaries.Add(temporary_);
        break;
      }
      if (errno != EEXIST || attempt == kTemporaryNameAttempts) return CannotWrite(errno);
    }
  }
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0 && errno != EINTR) return CannotWrite(errno);
  if (::rename(temporary_.c_str(), target_.c_str()) != 0) return CannotWrite(errno);
  temporaries.Remove(temporary_);
  temporary_.clear();
  ReleaseSignals();
  return std::nullopt;
}

void OutputFile::Discard() {
  if (fd_ >= 0 && kind_ != Kind::kDescriptor) ::close(fd_);
  fd_ = -1;
  if (!temporary_.empty()) {
    TemporaryFiles& temporaries = TemporaryFiles::Get();
    const auto lock = temporaries.Lock();
    ::unlink(temporary_.c_str());
    temporaries.Remove(temporary_);
    temporary_.clear();
  }
  ReleaseSignals();
}

}  // namespace lipimattam
