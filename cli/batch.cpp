#include "cli/batch.h"

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <map>
#include <mutex>
#include <new>
#include <set>
#include <system_error>
#include <thread>
#include <tuple>
#include <utility>

#include "cli/convert_files.h"
#include "cli/exit_status.h"
#include "cli/messages.h"
#include "cli/output_file.h"
#include "cli/progress_bar.h"

namespace lipimattam {
namespace {

namespace fs = std::filesystem;

// A file's identity: two names of one file have the same.
struct FileId {
  dev_t device = 0;
  ino_t inode = 0;
  bool operator==(const FileId&) const = default;
  friend bool operator<(const FileId& a, const FileId& b) {
    return std::tie(a.device, a.inode) < std::tie(b.device, b.inode);
  }
};

FileId IdOf(const struct stat& info) {
  return {info.st_dev, info.st_ino};
}

std::optional<FileId> IdOf(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return std::nullopt;
  return IdOf(info);
}

std::string Joined(const std::string& folder, const std::string& name) {
  return (fs::path(folder) / name).lexically_normal().string();
}

class Planner {
 public:
  explicit Planner(const Options& options) : options_(options) {
    if (options.output_dir) output_dir_ = IdOf(*options.output_dir);
  }

  std::vector<BatchItem> Plan() && {
    for (const std::string& input : options_.inputs) AddInput(input);
    CheckOutputs();
    return std::move(items_);
  }

 private:
  void AddProblem(std::string message, int status) {
    BatchItem item;
    item.problem = std::move(message);
    item.status = status;
    items_.push_back(std::move(item));
  }

  void AddInput(const std::string& input) {
    struct stat info {};
    if (::stat(input.c_str(), &info) != 0) {
      AddProblem("cannot read " + DisplayName(input) + ": " + SystemError(errno), kExitNoInput);
    } else if (S_ISDIR(info.st_mode)) {
      if (!options_.recursive) {
        AddProblem(DisplayName(input) + " is a folder; -r converts the files in it", kExitNoInput);
        return;
      }
      if (const auto [first, added] = folders_.emplace(IdOf(info), input); !added) {
        AddProblem(DisplayName(input) + " is the folder " + DisplayName(first->second) +
                       " again; not followed",
                   kExitOk);
        return;
      }
      std::vector<FileId> ancestors = {IdOf(info)};
      Walk(input, "", ancestors);
    } else if (S_ISREG(info.st_mode)) {
      AddFile(input, fs::path(input).filename().string(), info);
    } else {
      AddProblem(DisplayName(input) + " is not a regular file", kExitNoInput);
    }
  }

  // The files in `folder` by name, and in its folders; `relative` is where it lies in the
  // outputs, `ancestors` the folders it lies in, itself last.
  void Walk(const std::string& folder, const std::string& relative,
            std::vector<FileId>& ancestors) {
    std::error_code error;
    std::vector<std::string> names;
    for (fs::directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error))
      names.push_back(entry->path().filename().string());
    if (error) {
      AddProblem("cannot read the folder " + DisplayName(folder) + ": " + error.message(),
                 error == std::errc::not_enough_memory ? kExitOsError : kExitNoInput);
      return;
    }
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
      if (name.front() == '.') continue;  // hidden
      const std::string path = Joined(folder, name);
      const std::string inner = relative.empty() ? name : relative + "/" + name;
      struct stat info {};
      if (::stat(path.c_str(), &info) != 0) {
        AddProblem("cannot read " + DisplayName(path) + ": " + SystemError(errno), kExitNoInput);
      } else if (S_ISDIR(info.st_mode)) {
        const FileId id = IdOf(info);
        if (output_dir_ == id) continue;  // the outputs of this run
        if (std::find(ancestors.begin(), ancestors.end(), id) != ancestors.end()) {
          AddProblem(DisplayName(path) + " leads back into a folder it lies in; not followed",
                     kExitOk);
          continue;
        }
        // Links that lead to one folder by several ways: its files are converted once, by the
        // first way.
        if (const auto [first, added] = folders_.emplace(id, path); !added) {
          AddProblem(DisplayName(path) + " is the folder " + DisplayName(first->second) +
                         " again; not followed",
                     kExitOk);
          continue;
        }
        ancestors.push_back(id);
        Walk(path, inner, ancestors);
        ancestors.pop_back();
      } else if (S_ISREG(info.st_mode)) {
        AddFile(path, inner, info);
      } else {
        AddProblem(DisplayName(path) + " is not a regular file; left alone", kExitOk);
      }
    }
  }

  void AddFile(const std::string& input, const std::string& relative, const struct stat& info) {
    const FileId id = IdOf(info);
    const std::string output = options_.in_place ? input : Joined(*options_.output_dir, relative);
    // One file named twice, or through a symbolic link, is converted once: in place, converting
    // it again would convert the converted text. Hard links are names of their own, each
    // converted as sed -i does: the first becomes a new file, the next still holds the old text.
    if (options_.in_place) {
      std::error_code error;
      const fs::path real = fs::canonical(input, error);
      const std::string key =
          error ? fs::absolute(input).lexically_normal().string() : real.string();
      if (const auto [seen, added] = in_place_names_.emplace(key, input); !added) {
        AddProblem(
            DisplayName(input) + " is " + DisplayName(seen->second) + " again; converted once",
            kExitOk);
        return;
      }
    } else if (const auto seen = inputs_.find(id);
               seen != inputs_.end() && seen->second.second == output) {
      AddProblem(
          DisplayName(input) + " is " + DisplayName(seen->second.first) + " again; converted once",
          kExitOk);
      return;
    }
    inputs_.emplace(id, std::pair{input, output});
    BatchItem item;
    item.input = input;
    item.output = output;
    item.size = static_cast<std::uint64_t>(info.st_size);
    items_.push_back(std::move(item));
  }

  // No output may land on an input of the run, on an earlier item's output, or where an earlier
  // item needs a folder (or the other way round): the earlier item keeps its place whatever
  // order the workers finish in.
  void CheckOutputs() {
    if (options_.in_place) return;               // each output is its own input, named once
    std::map<std::string, std::string> outputs;  // output → the input it comes from
    std::map<std::string, std::string> folders;  // folder made for outputs → the first input
    const std::size_t top = fs::path(*options_.output_dir).lexically_normal().string().size();
    for (BatchItem& item : items_) {
      if (item.problem) continue;
      const std::string shown =
          DisplayName(item.input) + ": its output " + DisplayName(item.output);
      std::vector<std::string> parents;  // the folders the output lies in, below the top
      for (fs::path parent = fs::path(item.output).parent_path();
           parent.string().size() > top && parent.has_relative_path();
           parent = parent.parent_path())
        parents.push_back(parent.string());
      const auto id = IdOf(item.output);
      if (id && inputs_.contains(*id)) {
        item.problem = shown + " is an input of this run; not converted";
      } else if (const auto earlier = outputs.find(item.output); earlier != outputs.end()) {
        item.problem =
            shown + " is the output of " + DisplayName(earlier->second) + "; not converted";
      } else if (const auto folder = folders.find(item.output); folder != folders.end()) {
        item.problem = shown + " is a folder for the output of " + DisplayName(folder->second) +
                       "; not converted";
      } else {
        for (const std::string& parent : parents) {
          if (const auto file = outputs.find(parent); file != outputs.end()) {
            item.problem = shown + " would lie in " + DisplayName(parent) + ", the output of " +
                           DisplayName(file->second) + "; not converted";
            break;
          }
        }
      }
      if (item.problem) {
        item.status = kExitCantCreate;
        continue;
      }
      outputs.emplace(item.output, item.input);
      for (const std::string& parent : parents) folders.emplace(parent, item.input);
    }
  }

  const Options& options_;
  std::optional<FileId> output_dir_;
  std::vector<BatchItem> items_;
  std::map<FileId, std::pair<std::string, std::string>> inputs_;  // → input and output names
  std::map<std::string, std::string> in_place_names_;  // real path → the name given, in place
  std::map<FileId, std::string> folders_;              // the folders walked → the way in
};

int Rank(int status) {
  switch (status) {
    case kExitOk:
      return 0;
    case kExitDataError:
      return 1;
    case kExitNoInput:
      return 2;
    case kExitCantCreate:
      return 3;
    case kExitIoError:
      return 4;
    case kExitOsError:
      return 5;
    case kExitSoftware:
      return 6;
    default:
      return 1;
  }
}

// What became of an item.
struct ItemResult {
  std::vector<std::string> messages;
  int status = kExitOk;
  std::uint64_t bytes = 0;
  bool done = false;
};

// The folders that outputs were put in, synced once each at the end.
class FoldersToSync {
 public:
  void Add(const std::string& folder) {
    if (folder.empty()) return;
    const std::lock_guard lock(mutex_);
    folders_.insert(folder);
  }
  // The folders that could not be synced.
  [[nodiscard]] std::vector<std::string> SyncAll() {
    std::vector<std::string> failed;
    const std::lock_guard lock(mutex_);
    for (const std::string& folder : folders_)
      if (!SyncFolder(folder)) failed.push_back(folder);
    return failed;
  }

 private:
  std::mutex mutex_;
  std::set<std::string> folders_;
};

ItemResult ConvertItem(const Options& options, const BatchItem& item, ProgressBar* bar,
                       FoldersToSync& folders) {
  ItemResult result;
  if (item.problem) {
    result.messages.push_back(*item.problem);
    result.status = item.status;
    return result;
  }
  const fs::path folder = fs::path(item.output).parent_path();
  if (options.output_dir && !folder.empty()) {
    std::error_code error;
    fs::create_directories(folder, error);
    if (error) {
      result.messages.push_back("cannot create the folder " + DisplayName(folder.string()) + ": " +
                                error.message());
      result.status = kExitCantCreate;
      return result;
    }
  }
  ConversionReport report;
  report.message = [&result](const std::string& message) { result.messages.push_back(message); };
  if (bar != nullptr) report.bytes_done = &bar->BytesDone();
  report.sync_folder_later = [&folders](const std::string& made_in) { folders.Add(made_in); };
  const ConversionResult converted = ConvertInputs(options, {item.input}, item.output, report);
  result.status = converted.status;
  result.bytes = converted.bytes_read;
  if (bar != nullptr) bar->FileDone();
  return result;
}

std::string Summary(std::size_t converted, std::size_t failed, std::uint64_t bytes,
                    double seconds) {
  char timing[64];
  std::snprintf(timing, sizeof timing, " in %.2f s", seconds);
  std::string summary = std::to_string(converted) + (converted == 1 ? " file" : " files") +
                        " converted, " + Amount(bytes, bytes) + timing;
  if (seconds > 0) {
    const auto rate = static_cast<std::uint64_t>(static_cast<double>(bytes) / seconds);
    summary += " (" + Amount(rate, rate) + "/s)";
  }
  if (failed != 0) summary += "; " + std::to_string(failed) + " failed";
  return summary;
}

}  // namespace

int MoreSerious(int status, int other) {
  return Rank(other) > Rank(status) ? other : status;
}

std::vector<BatchItem> PlanBatch(const Options& options) {
  return Planner(options).Plan();
}

int RunBatch(const Options& options) {
  const auto start = std::chrono::steady_clock::now();
  if (options.output_dir) {
    std::error_code error;
    fs::create_directories(*options.output_dir, error);
    if (error) {
      Report("cannot create the folder " + DisplayName(*options.output_dir) + ": " +
             error.message());
      return kExitCantCreate;
    }
  }
  std::vector<BatchItem> items;
  try {
    items = PlanBatch(options);
  } catch (const std::bad_alloc&) {
    Report("not enough memory to list the files to convert; nothing was converted");
    return kExitOsError;
  }
  std::size_t files = 0;
  std::uint64_t bytes = 0;
  for (const BatchItem& item : items) {
    if (item.problem) continue;
    ++files;
    bytes += item.size;
  }
  // Before the workers start, so that they keep the signals blocked (the filter has done so
  // already; this is for other callers). Without a thread to watch them, the calling thread
  // does the work alone, without a bar.
  const bool threads_allowed = WatchEndingSignals();

  std::optional<ProgressBar> bar;
  if (threads_allowed) StartProgressBar(bar, options.quiet, files, bytes);
  const auto print = [&bar](const std::string& message) {
    const std::string line = std::string(kProgram) + ": " + message;
    if (bar) {
      bar->Print(line);
    } else {
      std::fprintf(stderr, "%s\n", line.c_str());
    }
  };

  std::vector<ItemResult> results(items.size());
  FoldersToSync folders;
  std::mutex mutex;
  std::condition_variable finished;
  std::atomic<std::size_t> next{0};
  const auto work = [&] {
    for (std::size_t i = next++; i < items.size(); i = next++) {
      ItemResult result = ConvertItem(options, items[i], bar ? &*bar : nullptr, folders);
      {
        const std::lock_guard lock(mutex);
        results[i] = std::move(result);
        results[i].done = true;
      }
      finished.notify_one();
    }
  };
  // Two files per processor: while one waits for the disk to sync it, the other converts.
  const unsigned processors = std::max(1u, std::thread::hardware_concurrency());
  const std::size_t workers =
      threads_allowed
          ? std::min<std::size_t>(options.jobs != 0 ? options.jobs : 2 * processors, items.size())
          : 0;
  // As many as can be started; without any, the calling thread converts every item first.
  std::vector<std::thread> threads;
  try {
    for (std::size_t i = 0; i < workers; ++i) threads.emplace_back(work);
  } catch (const std::system_error&) {
  }
  if (threads.empty()) work();

  // The messages, in the items' order, as soon as each item and those before it are done.
  int status = kExitOk;
  std::size_t converted = 0;
  std::size_t failed = 0;
  std::uint64_t bytes_converted = 0;
  for (std::size_t i = 0; i < items.size(); ++i) {
    ItemResult result;
    {
      std::unique_lock lock(mutex);
      finished.wait(lock, [&] { return results[i].done; });
      result = std::move(results[i]);
    }
    for (const std::string& message : result.messages) print(message);
    status = MoreSerious(status, result.status);
    if (result.status != kExitOk) {
      ++failed;
    } else if (!items[i].problem) {
      ++converted;
      bytes_converted += result.bytes;
    }
  }
  for (std::thread& thread : threads) thread.join();
  bar.reset();
  // As -o does for its one file, but once per folder: the new names last.
  for (const std::string& folder : folders.SyncAll())
    Report("warning: cannot sync the folder " + DisplayName(folder) +
           "; its new files may not survive a crash");
  if (!options.quiet) {
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    Report(converted == 0 && failed == 0 ? std::string("no files to convert")
                                         : Summary(converted, failed, bytes_converted, seconds));
  }
  return status;
}

}  // namespace lipimattam
