#include <Lorrimek/Lorrimek.h>

CLorrimek::CLorrimek() = default;

CLorrimek& CLorrimek::operator=(const CLorrimek&) { return *this; }

int fnLorrimek() { return 42; }

int nLorrimek = 0;
