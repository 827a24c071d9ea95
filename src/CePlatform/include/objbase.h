// COM initialisation of a thread. The system uses no COM object; the calls are accepted and
// counted so that their results follow the platform's rules.
#pragma once

#include <windows.h>

typedef LONG HRESULT;

#define S_OK ((HRESULT)0L)
#define S_FALSE ((HRESULT)1L)
#define E_FAIL ((HRESULT)0x80004005L)
#define E_INVALIDARG ((HRESULT)0x80070057L)
#define E_OUTOFMEMORY ((HRESULT)0x8007000EL)
#define SUCCEEDED(hr) (((HRESULT)(hr)) >= 0)
#define FAILED(hr) (((HRESULT)(hr)) < 0)

#define COINIT_MULTITHREADED 0x0
#define COINIT_APARTMENTTHREADED 0x2

extern "C" {
// S_OK for the thread's first call, S_FALSE when it was already initialised; E_INVALIDARG when
// pvReserved is not null.
CEPLATFORM_API HRESULT WINAPI CoInitializeEx(LPVOID pvReserved, DWORD dwCoInit);
// Undoes one successful CoInitializeEx.
CEPLATFORM_API void WINAPI CoUninitialize(void);
}
