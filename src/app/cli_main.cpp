#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "app/CliCommands.h"
#include "platform/Text.h"

#ifdef _WIN32
#include <windows.h>
int wmain(int argc, wchar_t** argv) {
  SetConsoleOutputCP(CP_UTF8);
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i)
    args.push_back(hm::text::toUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(argv[i]))));
  return hm::cli::Run(args);
}
#else
int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return hm::cli::Run(args);
}
#endif
