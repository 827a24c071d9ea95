#include <ProductLayout/Categories.h>

#include <iterator>

namespace {

// By number, from 1.
const LPCWSTR kNames[] = {u"Internet", u"System", u"Telephony", u"Sound", u"Essential Utilities"};
static_assert(std::size(kNames) == kCategoryCount);

}  // namespace

LPCWSTR CategoryName(int number) {
    return number >= 1 && number <= kCategoryCount ? kNames[number - 1] : nullptr;
}
