// The names Windows refuses outright, checked the same way on every machine
// (Wine is more lenient than Windows and would answer "not found" instead).
#pragma once

#include <string_view>

namespace hm::platform {

// True for a path with control characters, one of < > " |, a ":" anywhere
// but after the drive letter, or "*" / "?" before the last component; and for
// one longer than Windows paths can be.
bool IsRefusedPath(std::string_view path, bool wildcardsInLastComponent);

}  // namespace hm::platform
