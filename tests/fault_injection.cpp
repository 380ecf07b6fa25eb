// Preloaded into the filter by its tests to make a fault happen where a real one would:
//   LIPIMATTAM_FAULT_NO_TMPFILE=1   open(O_TMPFILE) fails as on a file system without it
//   LIPIMATTAM_FAULT_CALL=write|fsync|linkat|rename|opendir
//   LIPIMATTAM_FAULT_THREADS=N      threads after the first N cannot be started (EAGAIN), as
//                                   under a limit on processes or on address space
//   LIPIMATTAM_FAULT_SIGNAL=N       that call sends signal N to the process first, as kill does
//   LIPIMATTAM_FAULT_ERRNO=N        that call fails with errno N
// write and fsync count only on regular files, so messages on standard error still go out.
#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

template <typename Function>
Function* Next(const char* name) {
  return reinterpret_cast<Function*>(::dlsym(RTLD_NEXT, name));
}

int EnvironmentNumber(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? 0 : std::atoi(value);
}

bool IsRegularFile(int fd) {
  struct stat info {};
  return fd > 2 && ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
}

// Whether `call` is the one to fail: raises the signal if one is asked for, and then says
// whether to fail with the errno asked for.
bool Fails(const char* call) {
  const char* chosen = std::getenv("LIPIMATTAM_FAULT_CALL");
  if (chosen == nullptr || std::strcmp(chosen, call) != 0) return false;
  if (const int signal_number = EnvironmentNumber("LIPIMATTAM_FAULT_SIGNAL"))
    ::kill(::getpid(), signal_number);
  if (const int error = EnvironmentNumber("LIPIMATTAM_FAULT_ERRNO")) {
    errno = error;
    return true;
  }
  return false;
}

bool RefusesTmpfile(int flags) {
  if ((flags & O_TMPFILE) != O_TMPFILE || std::getenv("LIPIMATTAM_FAULT_NO_TMPFILE") == nullptr)
    return false;
  errno = EOPNOTSUPP;
  return true;
}

mode_t ModeArgument(int flags, va_list arguments) {
  return (flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE ? va_arg(arguments, mode_t) : 0;
}

}  // namespace

extern "C" {

int open(const char* path, int flags, ...) {
  va_list arguments;
  va_start(arguments, flags);
  const mode_t mode = ModeArgument(flags, arguments);
  va_end(arguments);
  if (RefusesTmpfile(flags)) return -1;
  return Next<int(const char*, int, ...)>("open")(path, flags, mode);
}

int open64(const char* path, int flags, ...) {
  va_list arguments;
  va_start(arguments, flags);
  const mode_t mode = ModeArgument(flags, arguments);
  va_end(arguments);
  if (RefusesTmpfile(flags)) return -1;
  return Next<int(const char*, int, ...)>("open64")(path, flags, mode);
}

int openat(int folder, const char* path, int flags, ...) {
  va_list arguments;
  va_start(arguments, flags);
  const mode_t mode = ModeArgument(flags, arguments);
  va_end(arguments);
  if (RefusesTmpfile(flags)) return -1;
  return Next<int(int, const char*, int, ...)>("openat")(folder, path, flags, mode);
}

ssize_t write(int fd, const void* bytes, size_t count) {
  if (IsRegularFile(fd) && Fails("write")) return -1;
  return Next<ssize_t(int, const void*, size_t)>("write")(fd, bytes, count);
}

int fsync(int fd) {
  if (IsRegularFile(fd) && Fails("fsync")) return -1;
  return Next<int(int)>("fsync")(fd);
}

int linkat(int from_folder, const char* from, int to_folder, const char* to, int flags) {
  if (Fails("linkat")) return -1;
  return Next<int(int, const char*, int, const char*, int)>("linkat")(from_folder, from, to_folder,
                                                                      to, flags);
}

DIR* opendir(const char* path) {
  if (Fails("opendir")) return nullptr;
  return Next<DIR*(const char*)>("opendir")(path);
}

DIR* fdopendir(int fd) {
  if (Fails("opendir")) return nullptr;
  return Next<DIR*(int)>("fdopendir")(fd);
}

int pthread_create(pthread_t* thread, const pthread_attr_t* attributes, void* (*start)(void*),
                   void* argument) {
  static std::atomic<int> started{0};
  const char* allowed = std::getenv("LIPIMATTAM_FAULT_THREADS");
  if (allowed != nullptr && started.fetch_add(1) >= std::atoi(allowed)) return EAGAIN;
  return Next<int(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*)>("pthread_create")(
      thread, attributes, start, argument);
}

int rename(const char* from, const char* to) {
  if (Fails("rename")) return -1;
  return Next<int(const char*, const char*)>("rename")(from, to);
}

}  // extern "C"
