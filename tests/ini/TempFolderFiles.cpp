#include "ini/TempFolderFiles.h"

#include <atomic>
#include <fstream>
#include <random>
#include <sstream>

#include "platform/Text.h"

namespace hm::testing {
namespace fs = std::filesystem;

namespace {
fs::path fromUtf8(std::string_view s) { return fs::path(text::toUtf16(s)); }
}  // namespace

TempFolderFiles::TempFolderFiles() {
  static std::atomic<int> counter{0};
  std::random_device random;
  root_ =
      fs::temp_directory_path() / ("hm-files-" + std::to_string(random()) + "-" + std::to_string(counter.fetch_add(1)));
  fs::create_directories(root_);
}

TempFolderFiles::~TempFolderFiles() {
  std::error_code ec;
  fs::remove_all(root_, ec);
}

fs::path TempFolderFiles::hostPath(std::string_view windowsPath) const {
  std::string p(windowsPath);
  fs::path out = root_;
  std::size_t at = 0;
  if (p.size() >= 2 && p[1] == ':') {
    out /= std::string(1, static_cast<char>(p[0] & ~0x20));
    at = 2;
  } else if (p.starts_with("\\\\")) {
    out /= "UNC";
    at = 2;
  }
  std::size_t start = at;
  while (start <= p.size()) {
    std::size_t end = p.find_first_of("\\/", start);
    if (end == std::string::npos) end = p.size();
    if (end > start) out /= fromUtf8(std::string_view(p).substr(start, end - start));
    start = end + 1;
  }
  return out;
}

void TempFolderFiles::put(std::string_view windowsPath, std::string_view bytes) {
  const fs::path host = hostPath(windowsPath);
  fs::create_directories(host.parent_path());
  std::ofstream(host, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string TempFolderFiles::get(std::string_view windowsPath) const {
  std::ifstream in(hostPath(windowsPath), std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

bool TempFolderFiles::exists(std::string_view windowsPath) const { return fs::exists(hostPath(windowsPath)); }

platform::FindResult TempFolderFiles::findFirst(std::string_view path, bool includeFolders) {
  std::error_code ec;
  const auto status = fs::status(hostPath(path), ec);
  if (ec || !fs::exists(status)) return platform::FindResult::NotFound;
  if (fs::is_directory(status) && !includeFolders) return platform::FindResult::NotFound;
  return platform::FindResult::Found;
}

std::optional<std::uint32_t> TempFolderFiles::attributes(std::string_view path) {
  std::error_code ec;
  const auto status = fs::status(hostPath(path), ec);
  if (ec || !fs::exists(status)) return std::nullopt;
  return fs::is_directory(status) ? platform::kAttrDirectory : platform::kAttrArchive;
}

bool TempFolderFiles::listFolder(std::string_view folder, std::vector<platform::DirEntry>& entries) {
  std::error_code ec;
  entries.clear();
  for (const auto& e : fs::directory_iterator(hostPath(folder), ec)) {
    const std::u16string name = e.path().filename().u16string();
    entries.push_back({text::toUtf8(name), e.is_directory() ? platform::kAttrDirectory : platform::kAttrArchive});
  }
  return !ec;
}

bool TempFolderFiles::deleteFile(std::string_view path) {
  std::error_code ec;
  const fs::path host = hostPath(path);
  return fs::is_regular_file(host, ec) && fs::remove(host, ec);
}

bool TempFolderFiles::createFolder(std::string_view path) {
  std::error_code ec;
  const fs::path host = hostPath(path);
  return fs::exists(host.parent_path(), ec) && fs::create_directory(host, ec);
}

std::optional<std::string> TempFolderFiles::readFile(std::string_view path) {
  const fs::path host = hostPath(path);
  std::error_code ec;
  if (!fs::is_regular_file(host, ec)) return std::nullopt;
  std::ifstream in(host, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

bool TempFolderFiles::appendFile(std::string_view path, std::string_view bytes) {
  ++appends;
  const fs::path host = hostPath(path);
  std::error_code ec;
  if (!fs::is_directory(host.parent_path(), ec)) return false;
  std::ofstream out(host, std::ios::binary | std::ios::app);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out.flush());
}

bool TempFolderFiles::writeFileAtomic(std::string_view path, std::string_view bytes) {
  ++atomicWrites;
  const fs::path host = hostPath(path);
  std::error_code ec;
  if (!fs::is_directory(host.parent_path(), ec) || fs::is_directory(host, ec)) return false;
  fs::path temporary = host;
  temporary += ".tmp-write";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) return false;
  }
  fs::rename(temporary, host, ec);
  return !ec;
}

}  // namespace hm::testing
