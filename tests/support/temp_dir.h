// ScopedTempDir: a fresh folder under the system's temp folder, removed with
// everything in it when the object goes out of scope.
#ifndef HV_TESTS_SUPPORT_TEMP_DIR_H
#define HV_TESTS_SUPPORT_TEMP_DIR_H

#include <string>
#include <string_view>

class ScopedTempDir {
 public:
  ScopedTempDir();
  ~ScopedTempDir();
  ScopedTempDir(const ScopedTempDir&) = delete;
  ScopedTempDir& operator=(const ScopedTempDir&) = delete;

  const std::string& path() const { return path_; }
  // path() + "/" + name
  std::string file(std::string_view name) const;

 private:
  std::string path_;
};

// Whole-file helpers for tests (binary, byte for byte).
void writeFileBytes(const std::string& path, std::string_view bytes);
std::string readFileBytes(const std::string& path);  // empty when missing
bool fileExists(const std::string& path);

#endif  // HV_TESTS_SUPPORT_TEMP_DIR_H
