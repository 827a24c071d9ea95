# Precompiled headers. Most of a source's compile time here goes to the standard library's headers
# (<filesystem>, <functional>, <map>, ...), which every library's public headers pull in; each
# target compiles them once and its sources start from that. Turn the option off to check that a
# source includes what it uses.
option(QUENVALE_PRECOMPILED_HEADERS "Precompile the headers that most sources include" ON)

set(QUENVALE_STANDARD_HEADERS
  <algorithm> <atomic> <chrono> <cstdint> <cstdio> <cstdlib> <cstring> <filesystem> <functional>
  <map> <memory> <mutex> <optional> <set> <string> <string_view> <thread> <unordered_map> <vector>)

# quenvale_precompile(target [header...]): the standard headers and the given ones, precompiled
# for `target`'s own sources.
function(quenvale_precompile target)
  if(QUENVALE_PRECOMPILED_HEADERS)
    target_precompile_headers(${target} PRIVATE ${QUENVALE_STANDARD_HEADERS} ${ARGN})
  endif()
endfunction()
