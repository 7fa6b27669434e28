// Opening a document or a web address with the program associated with a
// file extension.
#pragma once

#include <string>

namespace hm::shell {

// Opens `document` (passed on unchanged) with the program associated with
// files of extension `extension` (no dot). Tells the user when there is none
// or the launch failed.
void OpenWith(const std::string& document, const std::string& extension);

}  // namespace hm::shell
