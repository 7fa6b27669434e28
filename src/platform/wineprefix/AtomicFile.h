// Replacing a file so that a crash at any moment leaves either the old file or
// the new one whole: write a temporary file beside it, flush it to disk, then
// rename it over the old one.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace hm::platform {

// On failure returns false with a message naming the file; the old file is untouched
// and the temporary file removed. A new file keeps the old one's permissions.
bool replaceFileAtomically(const std::filesystem::path& target, std::string_view content, std::string& error);

}  // namespace hm::platform
