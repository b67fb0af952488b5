#include "tests/windows/ChildProcess.h"

#include <vector>

#include "platform/windows/Win32.h"

namespace WindowsTests {

std::wstring OwnFolder() {
  std::wstring path(32768, L'\0');
  DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
  path.resize(length);
  return path.substr(0, path.find_last_of(L"\\/") + 1);
}

namespace {

bool SameName(const std::wstring& entry, const std::wstring& variable) {
  std::size_t end = variable.find(L'=');
  return _wcsnicmp(entry.c_str(), variable.c_str(), end + 1) == 0;
}

// The parent's environment with the given variables set.
std::vector<wchar_t> EnvironmentWith(const std::vector<std::wstring>& variables) {
  std::vector<std::wstring> entries;
  wchar_t* strings = GetEnvironmentStringsW();
  for (const wchar_t* entry = strings; *entry != L'\0'; entry += wcslen(entry) + 1) {
    bool replaced = false;
    for (const std::wstring& variable : variables) replaced = replaced || SameName(entry, variable);
    if (!replaced) entries.emplace_back(entry);
  }
  FreeEnvironmentStringsW(strings);
  entries.insert(entries.end(), variables.begin(), variables.end());

  std::vector<wchar_t> block;
  for (const std::wstring& entry : entries) {
    block.insert(block.end(), entry.begin(), entry.end());
    block.push_back(L'\0');
  }
  block.push_back(L'\0');
  return block;
}

}  // namespace

ChildResult RunChild(const std::wstring& program, const std::u16string& commandLine,
                     const std::vector<std::wstring>& variables) {
  ChildResult result;
  SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE readEnd = nullptr;
  HANDLE writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inheritable, 0)) return result;
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);

  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = writeEnd;
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);

  std::wstring path = OwnFolder() + program;
  std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
  line.push_back(L'\0');
  std::vector<wchar_t> environment = EnvironmentWith(variables);

  PROCESS_INFORMATION process{};
  result.Started =
      CreateProcessW(path.c_str(), line.data(), nullptr, nullptr, TRUE, CREATE_UNICODE_ENVIRONMENT,
                     environment.data(), nullptr, &startup,
                     &process) != 0;
  CloseHandle(writeEnd);
  if (result.Started) {
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(readEnd, buffer, sizeof(buffer), &got, nullptr) && got > 0)
      result.Output.append(buffer, got);
    WaitForSingleObject(process.hProcess, INFINITE);
    GetExitCodeProcess(process.hProcess, &result.ExitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  CloseHandle(readEnd);
  return result;
}

}  // namespace WindowsTests
