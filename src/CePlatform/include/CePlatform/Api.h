// Symbols of the CePlatform shared library that programs and libraries link against.
#pragma once

#define CEPLATFORM_API __attribute__((visibility("default")))
