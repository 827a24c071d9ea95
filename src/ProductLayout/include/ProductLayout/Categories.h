// The names of the catalogue's categories.
#pragma once

#include <windows.h>

// Categories are numbered 1 to kCategoryCount (a tweak's GetCategory()); the tweak manager's
// picker adds them in that order.
inline constexpr int kCategoryCount = 5;

// The name of category `number`: "Internet", "System", "Telephony", "Sound", "Essential
// Utilities"; null for a number that is no category.
LPCWSTR CategoryName(int number);
