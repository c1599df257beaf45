// Entry point of the DLL. The library keeps no state, so loading and unloading need no work;
// thread notifications are switched off because nothing listens to them.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
  if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
  return TRUE;
}
