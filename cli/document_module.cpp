#include "cli/document_module.h"

#include <dlfcn.h>
#include <unistd.h>

#include <array>
#include <climits>
#include <mutex>

namespace lipimattam {
namespace {

#ifndef LIPIMATTAM_MODULE_FROM_BIN
#define LIPIMATTAM_MODULE_FROM_BIN "../lib/lipimattam"
#endif
constexpr const char* kModuleName = "lipimattam-documents.so";

// The folder the running program lies in.
std::string ProgramFolder() {
  std::array<char, PATH_MAX> path{};
  const ssize_t length = ::readlink("/proc/self/exe", path.data(), path.size() - 1);
  if (length <= 0) return {};
  const std::string program(path.data(), static_cast<std::size_t>(length));
  return program.substr(0, program.find_last_of('/'));
}

struct Module {
  ConvertDocumentFileEntry convert = nullptr;
  std::string error;
};

// Next to the program (the build tree), or where the installed program's module lies: the
// same place relative to the program wherever the package was installed.
Module Load() {
  const std::string folder = ProgramFolder();
  Module module;
  for (const std::string& path : {folder + "/" + kModuleName,
                                  folder + "/" + LIPIMATTAM_MODULE_FROM_BIN + "/" + kModuleName}) {
    if (::access(path.c_str(), F_OK) != 0) continue;
    void* const handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
      const char* const why = ::dlerror();
      module.error = why != nullptr ? why : path;
      return module;
    }
    module.convert =
        reinterpret_cast<ConvertDocumentFileEntry>(::dlsym(handle, kConvertDocumentFileSymbol));
    if (module.convert == nullptr) module.error = path + " has no " + kConvertDocumentFileSymbol;
    return module;  // kept loaded for the rest of the run
  }
  module.error = std::string(kModuleName) + " is neither next to the program nor in " + folder +
                 "/" + LIPIMATTAM_MODULE_FROM_BIN;
  return module;
}

}  // namespace

DocumentFileConversion ConvertDocumentThroughModule(std::string_view bytes,
                                                    const DocumentOptions& options,
                                                    std::string& load_error) {
  static std::once_flag once;
  static Module module;
  std::call_once(once, [] { module = Load(); });
  DocumentFileConversion conversion;
  if (module.convert == nullptr) {
    load_error = "the document converter cannot be loaded: " + module.error;
    return conversion;
  }
  module.convert(bytes.data(), bytes.size(), &options, &conversion);
  return conversion;
}

}  // namespace lipimattam
