// The built Hoverdeck.exe: its version record and the libraries it needs at run time.
#include "ui/win32/Win32Api.h"
// After the Win32 headers, so that the port's MessageBox keeps its name.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/win32/WideText.h"

namespace hoverdeck {
namespace {

const wchar_t* ExePath() {
  static const std::wstring path = win32::Widen(HOVERDECK_EXE_PATH);
  return path.c_str();
}

TEST(ExecutableTest, TheVersionRecordHoldsTheProgramsValues) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(ExePath(), &ignored);
  ASSERT_GT(size, 0u);
  std::vector<char> data(size);
  ASSERT_TRUE(GetFileVersionInfoW(ExePath(), 0, size, data.data()));

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(1, 1));
  EXPECT_EQ(fixed->dwFileVersionLS, MAKELONG(8, 0));
  EXPECT_EQ(fixed->dwProductVersionMS, MAKELONG(1, 1));
  EXPECT_EQ(fixed->dwProductVersionLS, MAKELONG(8, 0));

  const std::pair<const wchar_t*, const char*> strings[] = {
      {L"FileVersion", "1.01.0008"},
      {L"ProductVersion", "1.01.0008"},
      {L"FileDescription", "Hoverdeck"},
      {L"ProductName", "Hoverdeck"},
      {L"InternalName", "Hoverdeck"},
      {L"OriginalFilename", "Hoverdeck.exe"},
      {L"Comments", "automatically set topmost windows and disable X close button"},
      {L"CompanyName", "The Hoverdeck developers"},
      {L"LegalCopyright", "The Hoverdeck developers"},
  };
  for (const auto& [key, expected] : strings) {
    const std::wstring query = std::wstring(L"\\StringFileInfo\\040904b0\\") + key;
    wchar_t* value = nullptr;
    ASSERT_TRUE(VerQueryValueW(data.data(), query.c_str(), reinterpret_cast<void**>(&value), &length))
        << expected;
    EXPECT_EQ(win32::Narrow(value), expected);
  }
}

// The names of the libraries in a PE image's import table.
std::vector<std::string> ImportedLibraries(const std::vector<char>& image) {
  std::vector<std::string> names;
  const auto at = [&](std::size_t offset, std::size_t size) {
    if (offset + size > image.size()) throw std::runtime_error("truncated image");
    return image.data() + offset;
  };
  IMAGE_DOS_HEADER dos;
  std::memcpy(&dos, at(0, sizeof(dos)), sizeof(dos));
  IMAGE_NT_HEADERS64 nt;
  std::memcpy(&nt, at(static_cast<std::size_t>(dos.e_lfanew), sizeof(nt)), sizeof(nt));
  if (nt.Signature != IMAGE_NT_SIGNATURE) throw std::runtime_error("not a PE image");
  const std::size_t sections = static_cast<std::size_t>(dos.e_lfanew) +
                               offsetof(IMAGE_NT_HEADERS64, OptionalHeader) +
                               nt.FileHeader.SizeOfOptionalHeader;
  const auto file_offset = [&](DWORD rva) -> std::size_t {
    for (WORD i = 0; i < nt.FileHeader.NumberOfSections; ++i) {
      IMAGE_SECTION_HEADER section;
      std::memcpy(&section, at(sections + i * sizeof(section), sizeof(section)), sizeof(section));
      if (rva >= section.VirtualAddress && rva < section.VirtualAddress + section.Misc.VirtualSize) {
        return rva - section.VirtualAddress + section.PointerToRawData;
      }
    }
    throw std::runtime_error("address outside every section");
  };
  const IMAGE_DATA_DIRECTORY imports = nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  for (std::size_t offset = file_offset(imports.VirtualAddress);; offset += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
    IMAGE_IMPORT_DESCRIPTOR entry;
    std::memcpy(&entry, at(offset, sizeof(entry)), sizeof(entry));
    if (entry.Name == 0) break;
    std::string name(at(file_offset(entry.Name), 1));
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    names.push_back(name);
  }
  return names;
}

TEST(ExecutableTest, ImportsOnlySystemLibraries) {
  std::ifstream file(win32::Widen(HOVERDECK_EXE_PATH).c_str(), std::ios::binary);
  ASSERT_TRUE(file);
  const std::vector<char> image{std::istreambuf_iterator<char>(file), {}};
  const std::vector<std::string> libraries = ImportedLibraries(image);
  EXPECT_NE(std::find(libraries.begin(), libraries.end(), "user32.dll"), libraries.end());
  const std::vector<std::string> system = {"kernel32.dll", "user32.dll",   "gdi32.dll",
                                           "shell32.dll",  "comctl32.dll", "psapi.dll",
                                           "advapi32.dll", "msvcrt.dll"};
  for (const std::string& library : libraries) {
    EXPECT_NE(std::find(system.begin(), system.end(), library), system.end())
        << library << " is not part of the system";
  }
}

}  // namespace
}  // namespace hoverdeck
