// Where the filter's output goes: standard output, a descriptor or device named as a file, or
// a regular file that is replaced only once all of the new text is written.
#pragma once

#include <signal.h>
#include <sys/types.h>

#include <optional>
#include <string>
#include <string_view>

namespace lipimattam {

struct OutputFailure {
  int status;           // kExitCantCreate or kExitIoError
  std::string message;  // what failed and why, without the program's name
};

// The output of one run.
//
// A regular file, or a name where there is none yet, is replaced by a new file: the text goes
// to a temporary file next to the target (with no name at all where the file system allows
// it), which takes the target's place only when every write, the flush and the sync have
// succeeded. The new file keeps the old one's mode and, where the runner may set them, its
// owner and group; other hard links to the old file keep the old text. Symbolic links are
// followed to the file they name; a loop of them is refused. SIGINT, SIGTERM and SIGHUP while
// a temporary file has a name remove it before the program ends (see WatchEndingSignals).
//
// Standard output, a descriptor named as a file (/dev/stdout, /dev/stderr, /dev/fd/N,
// /proc/self/fd/N) and devices are written as they are: an appending shell keeps its text.
class OutputFile {
 public:
  OutputFile() = default;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  // An output that was not committed leaves no temporary file behind.
  ~OutputFile();

  // `name` is "-" for standard output.
  [[nodiscard]] std::optional<OutputFailure> Open(const std::string& name);
  [[nodiscard]] std::optional<OutputFailure> Write(std::string_view bytes);
  // Puts a new file in place of its target, then syncs the folder so that the new name lasts
  // too, unless `sync_folder` is false: then the caller syncs FolderToSync() later, once for
  // many files. Closes a device.
  [[nodiscard]] std::optional<OutputFailure> Commit(bool sync_folder = true);

  // Whether bytes written have gone where they cannot be taken back (a pipe, a terminal, a
  // device). Standard output redirected to a regular file is cut back to where it stood when
  // an output that fails is abandoned, and a new file never takes its target's place then.
  [[nodiscard]] bool HandedOn() const;
  // Gives the output up: a new file is removed, standard output in a regular file cut back.
  void Abandon();

  // The folder of a new file put in place; empty for other outputs.
  [[nodiscard]] std::string FolderToSync() const;

 private:
  enum class Kind { kNone, kDescriptor, kDevice, kNewFile };

  [[nodiscard]] std::optional<OutputFailure> CreateNextTo(const std::string& target,
                                                          bool target_exists, uid_t owner,
                                                          gid_t group, mode_t mode);
  [[nodiscard]] std::optional<OutputFailure> PutInPlace();
  void UseDescriptor(int fd);
  [[nodiscard]] OutputFailure CannotCreate(int error) const;
  // No temporary file can be made in `folder`; says so plainly when it is read-only.
  [[nodiscard]] OutputFailure CannotCreateIn(const std::string& folder, int error) const;
  [[nodiscard]] OutputFailure CannotWrite(int error) const;
  void Discard();
  // Without a thread that waits for the ending signals, this thread blocks them while its
  // temporary file has a name, and lets them in again once the name is gone.
  void HoldSignalsIfUnwatched();
  void ReleaseSignals();

  Kind kind_ = Kind::kNone;
  int fd_ = -1;
  std::string shown_name_;  // the name as messages give it
  std::string target_;      // the file that a new file replaces
  std::string temporary_;   // the temporary file's name, once it has one
  bool unnamed_ = false;    // made with O_TMPFILE: it gets a name only to be put in place
  bool holding_signals_ = false;
  bool committed_ = false;
  // A regular file reached through a descriptor: its size before this output, to cut it back to.
  std::optional<off_t> rewind_to_;
  bool written_ = false;
  sigset_t mask_before_{};  // this thread's signal mask before it held the ending signals
};

// From now on SIGINT, SIGTERM and SIGHUP (those not ignored) remove every temporary file of an
// OutputFile before the program ends by the signal. Blocks them in the calling thread, and so
// in the threads it starts later: a program with threads that make outputs calls it before it
// starts them; the filter calls it first thing. OutputFile calls it itself too. False when no
// thread can be started to wait for the signals, now or at the first call: then the signals act
// as they did, a thread blocks them while it has a temporary file with a name, and the program
// must do all its work on the calling thread alone (a signal sent to another thread would end
// the program with a temporary file left).
bool WatchEndingSignals();

// Ends that, once no output is under way: a signal that came meanwhile ends the program now.
// The program calls it before it returns its status, so that a signal that came while the last
// output was put in place is not lost.
void StopWatchingEndingSignals();

// Syncs a folder, so that the names made in it last; false if it cannot be opened or synced.
bool SyncFolder(const std::string& folder);

}  // namespace lipimattam
