// What the Explorer shows of the programs: their icon, and the version resource's product,
// version and licence (the file's Properties, Details).
#include <gtest/gtest.h>
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// The built programs lie beside the test programs (build-windows/bin).
std::wstring BesideThisProgram(const std::wstring& name) {
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  const std::wstring path(self);
  return path.substr(0, path.find_last_of(L"\\/") + 1) + name;
}

class ProgramResources : public ::testing::TestWithParam<const wchar_t*> {
 protected:
  void SetUp() override {
    path = BesideThisProgram(GetParam());
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    ASSERT_GT(size, 0u) << "no version resource, error " << GetLastError();
    versionInfo.resize(size);
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, versionInfo.data()));
  }

  // A text of the Japanese, Unicode block the resource holds.
  std::wstring Text(const std::wstring& name) {
    void* value = nullptr;
    UINT length = 0;
    const std::wstring key = L"\\StringFileInfo\\041104B0\\" + name;
    if (!VerQueryValueW(versionInfo.data(), key.c_str(), &value, &length) || !value) return {};
    return std::wstring(static_cast<const wchar_t*>(value));
  }

  std::wstring path;
  std::vector<char> versionInfo;
};

std::wstring Widened(const char* text) {
  return std::wstring(text, text + strlen(text));
}

}  // namespace

TEST_P(ProgramResources, NameTheProductItsVersionAndTheMitLicence) {
  EXPECT_EQ(Text(L"ProductName"), L"simplescope");
  EXPECT_EQ(Text(L"ProductVersion"), Widened(SIMPLESCOPE_VERSION));
  EXPECT_EQ(Text(L"OriginalFilename"), GetParam());
  EXPECT_NE(Text(L"LegalCopyright").find(L"MIT License"), std::wstring::npos);
  EXPECT_FALSE(Text(L"FileDescription").empty());
  // The numbers the Explorer sorts and compares by, which installers check.
  void* value = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(versionInfo.data(), L"\\", &value, &length));
  ASSERT_EQ(length, sizeof(VS_FIXEDFILEINFO));
  const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
  EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
  const std::wstring numbers = std::to_wstring(HIWORD(fixed->dwProductVersionMS)) + L"." +
                               std::to_wstring(LOWORD(fixed->dwProductVersionMS));
  EXPECT_EQ(Widened(SIMPLESCOPE_VERSION).rfind(numbers, 0), 0u)
      << "the product version's numbers don't begin " << SIMPLESCOPE_VERSION;
}

// The icon loads as Windows loads it for the Explorer and the taskbar, at the sizes asked
// for there (the image inside is a PNG, which the system scales).
TEST_P(ProgramResources, CarryAnIconTheSystemLoads) {
  EXPECT_EQ(ExtractIconExW(path.c_str(), -1, nullptr, nullptr, 0), 1u);
  HICON large = nullptr;
  HICON small = nullptr;
  ASSERT_EQ(ExtractIconExW(path.c_str(), 0, &large, &small, 1), 2u);
  ICONINFO info{};
  EXPECT_TRUE(GetIconInfo(large, &info));
  BITMAP colour{};
  if (info.hbmColor) {
    GetObjectW(info.hbmColor, sizeof colour, &colour);
    EXPECT_EQ(colour.bmWidth, GetSystemMetrics(SM_CXICON));
  }
  if (info.hbmColor) DeleteObject(info.hbmColor);
  if (info.hbmMask) DeleteObject(info.hbmMask);
  DestroyIcon(large);
  DestroyIcon(small);
}

INSTANTIATE_TEST_SUITE_P(WindowsPrograms, ProgramResources,
                         ::testing::Values(L"simplescope.exe", L"simplescope-record.exe"));
