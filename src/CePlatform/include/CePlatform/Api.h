// Symbols of the CePlatform shared library that programs and libraries link against. The library
// is built with hidden symbols: only what is marked CEPLATFORM_API is exported, and a member that
// an exported class keeps to itself (its implementation) is marked CEPLATFORM_LOCAL.
#pragma once

#define CEPLATFORM_API __attribute__((visibility("default")))
#define CEPLATFORM_LOCAL __attribute__((visibility("hidden")))
