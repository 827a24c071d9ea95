// The library's remaining exports, kept for the interface that the application was built
// against; none of them is used.
#pragma once

#include <Lorrimek/Api.h>

class LORRIMEK_API CLorrimek {
public:
    CLorrimek();
    CLorrimek& operator=(const CLorrimek&);
};

// Returns 42.
LORRIMEK_API int fnLorrimek();

// Starts at 0.
extern LORRIMEK_API int nLorrimek;
