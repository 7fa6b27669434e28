// Replacing a file so that a crash at any moment leaves either the old file or
// the new one whole: write a temporary file beside it, flush it to disk, then
// rename it over the old one. A file with several hard links cannot be
// renamed over without parting its names, so it is rewritten in place.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace hm::platform {

// On failure returns false with a message naming the file; the old file is untouched
// and the temporary file removed. A new file keeps the old one's permissions.
bool replaceFileAtomically(const std::filesystem::path& target, std::string_view content, std::string& error);

// Overwrites the file itself (its inode), `oldContent` being what it holds now:
// a copy of the old text is flushed beside it first and removed once the new
// text is on disk, so a crash midway leaves the old text recoverable; on a
// failure the old text is written back.
bool rewriteFileInPlace(const std::filesystem::path& target, std::string_view content, std::string_view oldContent,
                        std::string& error);

}  // namespace hm::platform
