// portwright-regsvr [/u] [/s] LIBRARY: registers (or with /u unregisters) an in-process
// component library in the component store. /s suppresses the messages.
#include <cstdio>
#include <string>

#include "portwright/activation.h"

namespace {

struct Options {
  bool unregister = false;
  bool silent = false;
  std::string library;
};

bool IsSwitch(const char* arg, char letter) {
  return (arg[0] == '/' || arg[0] == '-') && (arg[1] == letter || arg[1] == letter - 'a' + 'A') &&
         arg[2] == '\0';
}

bool ParseArguments(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    if (IsSwitch(argv[i], 'u')) {
      options.unregister = true;
    } else if (IsSwitch(argv[i], 's')) {
      options.silent = true;
    } else if (options.library.empty()) {
      options.library = argv[i];  // anything but a switch, absolute paths included
    } else {
      return false;
    }
  }
  return !options.library.empty();
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseArguments(argc, argv, options)) {
    std::fprintf(stderr, "Usage: portwright-regsvr [/u] [/s] LIBRARY\n");
    return 2;
  }
  std::string error;
  const char* entry = options.unregister ? "DllUnregisterServer" : "DllRegisterServer";
  const portwright::HRESULT hr = options.unregister
                                     ? portwright::UnregisterLibrary(options.library, &error)
                                     : portwright::RegisterLibrary(options.library, &error);
  if (hr != portwright::S_OK) {
    if (!options.silent) std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  if (!options.silent) std::printf("%s in %s succeeded.\n", entry, options.library.c_str());
  return 0;
}
