// What the Lorrimek shared library exports; everything else in it is hidden.
#pragma once

#define LORRIMEK_API __attribute__((visibility("default")))
