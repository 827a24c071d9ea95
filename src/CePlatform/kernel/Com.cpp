// COM initialisation of a thread: accepted and counted, as the system uses no COM object.
#include <objbase.h>

namespace {

thread_local int t_comInitialised = 0;

}  // namespace

extern "C" {

HRESULT WINAPI CoInitializeEx(LPVOID pvReserved, DWORD /*dwCoInit*/) {
    if (pvReserved) return E_INVALIDARG;
    return t_comInitialised++ == 0 ? S_OK : S_FALSE;
}

void WINAPI CoUninitialize(void) {
    if (t_comInitialised > 0) --t_comInitialised;
}

}  // extern "C"
