// The process: debugger detection, module lookup and ending.

#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/Platform.h"
#include "platform/linux/Linux.h"

namespace Platform {

bool DebuggerClaimsFault() {
  // A tracer (gdb, strace, ...) wants the fault as it happened.
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("TracerPid:", 0) == 0) return std::strtol(line.c_str() + 10, nullptr, 10) != 0;
  }
  return false;
}

ModuleInfo ModuleOfAddress(const void* address) {
  ModuleInfo module;
  Dl_info info{};
  std::string path;
  if (dladdr(address, &info) != 0) {
    module.Base = reinterpret_cast<std::uintptr_t>(info.dli_fbase);
    if (info.dli_fname != nullptr) path = info.dli_fname;
  }
  if (path.empty()) {  // the main program may be listed without a name
    char buffer[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer);
    if (length > 0) path.assign(buffer, static_cast<std::size_t>(length));
  }
  const auto slash = path.rfind('/');
  module.FileName = Linux::FromUtf8(slash == std::string::npos ? path : path.substr(slash + 1));
  return module;
}

void EndProcess(int exitCode) {
  std::fflush(nullptr);
  std::exit(exitCode);
}

}  // namespace Platform
