// A host as the viewer is one: loads viewersettings.dll at run time, resolves every settings
// function by its plain name and calls each once on a fresh directory, checking the results.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "ViewerSettings.h"

namespace {

HMODULE g_library = nullptr;
int g_failures = 0;

// The function's own type, taken from the header, so a wrong signature would not compile.
template <class Function>
Function Resolve(const char* name) {
  auto* address = GetProcAddress(g_library, name);
  if (!address) {
    std::printf("not exported: %s\n", name);
    ++g_failures;
    std::exit(1);
  }
  return reinterpret_cast<Function>(reinterpret_cast<void*>(address));
}

#define RESOLVE(name) const auto name = Resolve<decltype(&::name)>(#name)

void Expect(const char* call, long long actual, long long expected) {
  if (actual == expected) return;
  std::printf("%s returned %lld, expected %lld\n", call, actual, expected);
  ++g_failures;
}

#define EXPECT_CODE(call, expected) Expect(#call, (call), (expected))

std::u16string MakeTemporaryDirectory() {
  wchar_t base[MAX_PATH];
  GetTempPathW(MAX_PATH, base);
  std::wstring dir = std::wstring(base) + L"viewersettings-host-" +
                     std::to_wstring(GetCurrentProcessId()) + L"-" +
                     std::to_wstring(GetTickCount());
  CreateDirectoryW(dir.c_str(), nullptr);
  return std::u16string(dir.begin(), dir.end());
}

}  // namespace

int main() {
  g_library = LoadLibraryW(L"viewersettings.dll");
  if (!g_library) {
    std::printf("cannot load viewersettings.dll (error %lu)\n", GetLastError());
    return 1;
  }
  RESOLVE(SetExeRootPathOverride);
  RESOLVE(XMLGetMinDiskSpace);
  RESOLVE(XMLSetMinDiskSpace);
  RESOLVE(XMLGetPatListHeaderInfo);
  RESOLVE(XMLSetPatListHeaderInfo);
  RESOLVE(XMLGetLocalInfo);
  RESOLVE(XMLSetLocalInfo);
  RESOLVE(XMLIsRealData);
  RESOLVE(XMLSetRealData);
  RESOLVE(XMLIsAutoLoopPlay);
  RESOLVE(XMLSetAutoLoopPlay);
  RESOLVE(XMLGetDUZOProcessName);
  RESOLVE(XMLSetDUZOProcessName);
  RESOLVE(XMLGetLastPos);
  RESOLVE(XMLSetLastPos);
  RESOLVE(XMLGetDICOMLocalInfo);
  RESOLVE(XMLSetDICOMLocalInfo);
  RESOLVE(XMLGetDICOMImagePath);
  RESOLVE(XMLGetDicomPartZoomIn);
  RESOLVE(XMLSetDicomPartZoomIn);
  RESOLVE(XMLGetDICOMImageWinInfo);
  RESOLVE(XMLSetDICOMImageWinInfo);
  RESOLVE(XMLGetDICOMAddedModality);
  RESOLVE(XMLSetDICOMAddedModality);
  RESOLVE(XMLGetDICOMLabelInfo);
  RESOLVE(XMLSetDICOMLabelInfo);
  RESOLVE(XMLGetDICOMModalityPatientInfo);
  RESOLVE(XMLSetDICOMModalityPatientInfo);
  RESOLVE(XMLGetDICOMDisplayKINImage);
  RESOLVE(XMLSetDICOMDisplayKINImage);
  RESOLVE(XMLGetDICOMModalityInfo);
  RESOLVE(XMLSetDICOMModalityInfo);
  RESOLVE(XMLGetECGSettingInfo);
  RESOLVE(XMLSetECGSettingInfo);

  const std::u16string dir = MakeTemporaryDirectory();
  SetExeRootPathOverride(dir);

  // The first call finds no file and creates it with the first-run defaults.
  int32_t minDisk = 0;
  EXPECT_CODE(XMLGetMinDiskSpace(&minDisk), XMLR_GET_OK);
  Expect("first-run MinDiskSpace", minDisk, 1000);
  EXPECT_CODE(XMLSetMinDiskSpace(2000), XMLR_SET_OK);

  std::vector<PatListColumn> columns(1);
  columns[0].ColumnNo = 0;
  columns[0].ColumnName = u"Name";
  columns[0].ColumnWidth = 120;
  EXPECT_CODE(XMLSetPatListHeaderInfo(&columns), XMLR_GET_OK);
  EXPECT_CODE(XMLGetPatListHeaderInfo(&columns), XMLR_GET_NOT_FOUND);  // columns 1 to 6 missing

  LocalInfo local{5, 200, 30, 2000};
  EXPECT_CODE(XMLSetLocalInfo(&local), XMLR_SET_OK);
  EXPECT_CODE(XMLGetLocalInfo(&local), XMLR_GET_OK);

  Expect("XMLIsRealData()", XMLIsRealData(), 1);
  EXPECT_CODE(XMLSetRealData(0), XMLR_SET_OK);
  Expect("XMLIsAutoLoopPlay()", XMLIsAutoLoopPlay(), 1);
  EXPECT_CODE(XMLSetAutoLoopPlay(0), XMLR_SET_OK);
  Expect("XMLGetDUZOProcessName() == DUZO.exe", XMLGetDUZOProcessName() == u"DUZO.exe", 1);
  const std::u16string process = u"Companion <2>.exe";
  EXPECT_CODE(XMLSetDUZOProcessName(&process), XMLR_SET_OK);

  WindowRect rect{10, 20, 810, 620};
  EXPECT_CODE(XMLSetLastPos(&rect), XMLR_SET_OK);
  EXPECT_CODE(XMLGetLastPos(&rect), XMLR_GET_OK);

  DICOMLocalInfo node;
  EXPECT_CODE(XMLGetDICOMLocalInfo(&node), XMLR_GET_OK);
  EXPECT_CODE(XMLSetDICOMLocalInfo(&node), XMLR_SET_OK);
  std::u16string imagePath;
  EXPECT_CODE(XMLGetDICOMImagePath(&imagePath), XMLR_GET_OK);
  Expect("image path ends in Data\\", imagePath.size() > 5 && imagePath.substr(imagePath.size() - 5) == u"Data\\", 1);

  PartZoomInfo zoom{2, 300, 200};
  EXPECT_CODE(XMLSetDicomPartZoomIn(&zoom), XMLR_SET_OK);
  EXPECT_CODE(XMLGetDicomPartZoomIn(&zoom), XMLR_GET_OK);
  DICOMImageWinInfo window{0, 1, 0};
  EXPECT_CODE(XMLSetDICOMImageWinInfo(&window), XMLR_SET_OK);
  EXPECT_CODE(XMLGetDICOMImageWinInfo(&window), XMLR_GET_OK);

  std::vector<std::u16string> modalities;
  EXPECT_CODE(XMLGetDICOMAddedModality(&modalities), XMLR_GET_OK);
  modalities.push_back(u"CT");
  EXPECT_CODE(XMLSetDICOMAddedModality(&modalities), XMLR_SET_OK);

  DICOMModalityInfo general;
  EXPECT_CODE(XMLGetDICOMModalityInfo(u"General", &general), XMLR_GET_OK);
  EXPECT_CODE(XMLSetDICOMModalityInfo(u"CT", &general), XMLR_SET_OK);
  EXPECT_CODE(XMLGetDICOMLabelInfo(u"CT", &general.Label), XMLR_GET_OK);
  EXPECT_CODE(XMLSetDICOMLabelInfo(u"CT", &general.Label), XMLR_SET_OK);
  EXPECT_CODE(XMLGetDICOMModalityPatientInfo(u"CT", &general.PatientInfo), XMLR_GET_OK);
  EXPECT_CODE(XMLSetDICOMModalityPatientInfo(u"CT", &general.PatientInfo), XMLR_SET_OK);
  int32_t keyImages = 0;
  EXPECT_CODE(XMLGetDICOMDisplayKINImage(u"CT", &keyImages), XMLR_GET_OK);
  EXPECT_CODE(XMLSetDICOMDisplayKINImage(u"CT/><x", 1), XMLR_SET_FAILED);  // refused name

  ECGSettingInfo ecg{};
  EXPECT_CODE(XMLGetECGSettingInfo(&ecg), XMLR_GET_NOT_FOUND);  // not stored on first run
  ecg.Colors = {{ECGColorWave, 0, 255, 0}};
  EXPECT_CODE(XMLSetECGSettingInfo(&ecg), XMLR_SET_OK);

  const std::wstring file = std::wstring(dir.begin(), dir.end()) + L"\\VorelViewerSysSetting.xml";
  DeleteFileW(file.c_str());
  RemoveDirectoryW(std::wstring(dir.begin(), dir.end()).c_str());
  FreeLibrary(g_library);
  std::printf("%s: 34 functions resolved and called\n", g_failures ? "FAILED" : "ok");
  return g_failures ? 1 : 0;
}
