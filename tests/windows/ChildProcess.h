#pragma once
// Runs a program of the build beside the test with an exact command line and
// collects what it writes to its standard output.

#include <string>
#include <vector>

namespace WindowsTests {

struct ChildResult {
  bool Started = false;
  unsigned long ExitCode = 0;
  std::string Output;
};

// program: a file name in the test's own folder. commandLine: the whole line
// the child's GetCommandLineW is to give, its own name included. Each of
// variables ("NAME=value") is added to the child's environment.
ChildResult RunChild(const std::wstring& program, const std::u16string& commandLine,
                     const std::vector<std::wstring>& variables = {});

// The folder holding the running test program, with a trailing backslash.
std::wstring OwnFolder();

}  // namespace WindowsTests
