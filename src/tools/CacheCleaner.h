// The browser cache cleaner: every entry of the URL cache is deleted except
// the cookies named in the keep-list "DoNotDeleteCookie" beside the program.
// It fails closed: a keep-list that cannot be read, or that holds an item
// naming no cookie, stops the cleaning before anything is deleted; any other
// failure stops it where it happened, and the result says so.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hm::tools {

// The cookie a cache entry's URL names: "" unless the URL holds "Cookie:";
// then its characters from the 8th to the last but one, cut before the
// first "." ("Cookie:bob@www.example.com/" gives "bob@www"). A URL too short
// to hold a name gives "".
std::string CookieName(std::string_view url);

// The items of a text read as the runtime's free-format input: an item ends
// at a comma or a line end; an item in double quotes is taken without them
// and may hold commas; blanks around an unquoted item are dropped.
std::vector<std::string> FreeFormatItems(std::string_view text);

// The cookie a keep-list item names: an item holding "\" is a cookie file's
// path, whose file name less its last 7 characters ("[1].txt") is the name;
// any other item is the name itself. Nothing when the file name is too short
// to be a cookie file's.
std::optional<std::string> KeptCookieName(std::string_view item);

// The keep-list: the program folder followed by "\DoNotDeleteCookie".
std::string KeepListPath();

struct KeepList {
  bool present = false;
  std::vector<std::string> names;  // non-empty names only
};
// False with a message when the file exists but cannot be read, or holds an item naming no cookie.
bool ReadKeepList(KeepList& list, std::string& error);

// The switch "IESettings"/"Cache": only the value 1 (the default) lets the cleaning run.
bool CacheCleaningSwitchedOn();

struct CacheCleaning {
  bool switchedOff = false;          // nothing was looked at
  std::vector<std::string> deleted;  // URLs deleted (to be deleted, in a dry run)
  std::vector<std::string> kept;     // URLs of the cookies spared
  std::string error;                 // what stopped the cleaning; "" when it ran to the end
  bool ok() const { return error.empty(); }
};

// Cleans the installed machine's URL cache (with `dryRun`, only says what it
// would delete), handing control to the event pump after every entry.
// Failures are logged under "GetCacheURLList".
CacheCleaning CleanUrlCache(bool dryRun);

// The words the dialog shows for a cleaning: on success "All Cache Files have
// been cleared sucessfully." and the counts; otherwise what failed and how
// many entries were deleted before.
std::string CacheCleaningMessage(const CacheCleaning& result);

}  // namespace hm::tools
