#include "support/temp_dir.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <system_error>

namespace fs = std::filesystem;

ScopedTempDir::ScopedTempDir() {
  // create_directory fails for a name that exists, so a fresh random name is
  // tried until one is new: no two scopes (nor processes) share a folder.
  static std::mt19937_64 names{std::random_device{}()};
  const fs::path base = fs::temp_directory_path();
  constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = "hvtest-";
    for (int i = 0; i < 10; ++i) name += kDigits[names() % (sizeof kDigits - 1)];
    std::error_code ec;
    if (fs::create_directory(base / name, ec)) {
      path_ = (base / name).string();
      return;
    }
    if (ec) break;
  }
  throw std::runtime_error("cannot create a temporary folder in " + base.string());
}

ScopedTempDir::~ScopedTempDir() {
  std::error_code ec;
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(path_, ec);
}

std::string ScopedTempDir::file(std::string_view name) const { return path_ + "/" + std::string(name); }

void writeFileBytes(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string readFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool fileExists(const std::string& path) {
  std::error_code ec;
  return fs::exists(path, ec);
}
