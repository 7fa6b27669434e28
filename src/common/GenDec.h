// Path and folder helpers shared by the checks and the windows: folder
// queries, the trimming of command lines and registry texts to file paths,
// extensions, the folder tokens, and the one existence test.
#pragma once

#include <string>
#include <string_view>

namespace hm {

std::string GetPathWithSlash(std::string_view text);
std::string GetSystemDirectory();
std::string GetWindowsDirectory();
std::string GetFileExtension(std::string_view text);
// The same extension as written, without a change of case.
std::string_view FileExtensionView(std::string_view text);
std::string RemoveEnter(std::string_view text);
// The part of `text` RemoveEnter keeps, as a view into it.
std::string_view RemoveEnterView(std::string_view text);
// The same, trimming a text the caller gives up in place (no copy).
std::string RemoveEnter(std::string&& text);
inline std::string RemoveEnter(const char* text) { return RemoveEnter(std::string_view(text)); }
std::string RemoveBackSlashandComma(std::string_view text);
std::string GetProgramFilesPath();
std::string GetCommonProgramFilesPath();
std::string CheckSystemRootDirectory(std::string_view text);
std::string CheckCommonProgramFilesPath(std::string_view text);

// True when neither a file (of any attributes) nor a folder exists at the
// path; wildcards in the last component match as the platform's do. An empty
// path, and one the machine cannot look at (an unreachable network path), is
// not missing. A name the platform refuses raises a Failure for the calling
// check's trap.
bool PathMissing(std::string_view path);
// The path PathMissing looks up for `path`: a folder's closing "\" taken off
// (a drive root keeps it).
std::string_view ExistenceLookupPath(std::string_view path);

// Text helpers with the program's 1-based, character-counting rules.
namespace str {
// 1-based character position of the first `needle` at or after character
// position `start`, or 0. Positions count code points.
std::size_t InStr(std::string_view hay, std::string_view needle, std::size_t start = 1);
std::size_t InStrNoCase(std::string_view hay, std::string_view needle, std::size_t start = 1);
std::string Left(std::string_view s, std::size_t chars);
std::string Mid(std::string_view s, std::size_t start, std::size_t chars = std::string_view::npos);
std::size_t Len(std::string_view s);
std::string Trim(std::string_view s);
bool Contains(std::string_view hay, std::string_view needle);
}  // namespace str

}  // namespace hm
