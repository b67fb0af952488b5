// What the built program carries: its manifest and its version record.

#include <gtest/gtest.h>

#include <string>

#include "platform/windows/Win32.h"

namespace {

// VELKOR_EXE is the build tree's path to the program; Wine shows the Unix
// root as drive Z:.
std::wstring ProgramPath() {
  std::string path = VELKOR_EXE;
  std::wstring wide(path.begin(), path.end());
  if (!wide.empty() && wide.front() == L'/') wide = L"Z:" + wide;
  for (wchar_t& c : wide)
    if (c == L'/') c = L'\\';
  return wide;
}

std::string Manifest() {
  HMODULE program = LoadLibraryExW(ProgramPath().c_str(), nullptr,
                                   LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  if (program == nullptr) return {};
  std::string text;
  if (HRSRC found = FindResourceW(program, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24))) {
    const char* bytes = static_cast<const char*>(LockResource(LoadResource(program, found)));
    text.assign(bytes, SizeofResource(program, found));
  }
  FreeLibrary(program);
  return text;
}

TEST(ProgramManifest, AsksForPerMonitorAwarenessWithFallback) {
  std::string manifest = Manifest();
  ASSERT_FALSE(manifest.empty()) << "no manifest in " << VELKOR_EXE;
  EXPECT_NE(manifest.find(">PerMonitorV2"), std::string::npos);
  EXPECT_NE(manifest.find(">true/pm</dpiAware>"), std::string::npos);
}

TEST(ProgramManifest, DependsOnCommonControlsSixAndNamesSupportedSystems) {
  std::string manifest = Manifest();
  EXPECT_NE(manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""),
            std::string::npos);
  // Windows 10 and 11 share one id.
  EXPECT_NE(manifest.find("<supportedOS Id=\"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}\"/>"),
            std::string::npos);
}

std::wstring VersionString(const std::wstring& name) {
  std::wstring path = ProgramPath();
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
  if (size == 0) return L"<no version record>";
  std::string data(size, '\0');
  if (!GetFileVersionInfoW(path.c_str(), 0, size, data.data())) return L"<unreadable>";
  void* value = nullptr;
  UINT length = 0;
  std::wstring key = L"\\StringFileInfo\\040904B0\\" + name;
  if (!VerQueryValueW(data.data(), key.c_str(), &value, &length)) return L"<missing>";
  return static_cast<const wchar_t*>(value);
}

TEST(ProgramVersion, IsOnePointZeroOne) {
  EXPECT_EQ(VersionString(L"ProductName"), L"Velkor");
  EXPECT_EQ(VersionString(L"ProductVersion"), L"1.01");
  EXPECT_EQ(VersionString(L"FileVersion"), L"1.01");
}

}  // namespace
