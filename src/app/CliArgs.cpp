#include "app/CliArgs.h"

namespace hm::cli {

bool ParseSubcommandArgs(const std::vector<std::string>& args, AcceptedSwitches accepted, SubcommandArgs& out,
                         std::string& error) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--prefix") {
      if (++i >= args.size()) {
        error = "--prefix needs a folder";
        return false;
      }
      out.prefix = args[i];
    } else if (accepted.json && a == "--json") {
      out.json = true;
    } else if (a == "--help" || a == "-h") {
      out.help = true;
    } else if (accepted.dryRun && a == "--dry-run") {
      out.dryRun = true;
    } else if (accepted.scanKind && (a == "--deep" || a == "--quick")) {
      out.deep = a == "--deep";
    } else if (!a.empty() && a[0] == '-') {
      error = "unknown argument: " + a;
      return false;
    } else {
      out.words.push_back(a);
    }
  }
  return true;
}

}  // namespace hm::cli
