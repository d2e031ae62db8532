// portwright-regsvr [/u] [/s] LIBRARY: registers (or with /u unregisters) an in-process
// component library in the component store. /s suppresses the messages. Installed in bin/ as
// portwright-register.
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

// The name it was started by: portwright-regsvr in the program folder, portwright-register
// in bin/.
std::string ProgramName(const char* argv0) {
  const std::string path = argv0 ? argv0 : "portwright-regsvr";
  return path.substr(path.rfind('/') + 1);
}

void PrintUsage(std::FILE* out, const std::string& name) {
  std::fprintf(out,
               "Usage: %s [/u] [/s] LIBRARY\n"
               "Registers the component library LIBRARY (libPortwright.so) in the component\n"
               "store of this user, so that programs find the Modbus control by its class.\n"
               "  /u, -u   unregister the library instead\n"
               "  /s, -s   silent: no messages, only the exit code (0 done, 1 failed, 2 usage)\n"
               "  --help   show this text\n",
               name.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  const std::string name = ProgramName(argv[0]);
  if (argc == 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h")) {
    PrintUsage(stdout, name);
    return 0;
  }
  Options options;
  if (!ParseArguments(argc, argv, options)) {
    PrintUsage(stderr, name);
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
