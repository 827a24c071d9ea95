// Symbols of the CeWindow shared library (the window system) that programs link against.
#pragma once

#define CEWINDOW_API __attribute__((visibility("default")))
