// ScopedEnv: sets (or, with no value, unsets) an environment variable for a
// scope and restores the earlier state afterwards. Not copyable.
#ifndef HV_TESTS_SUPPORT_SCOPED_ENV_H
#define HV_TESTS_SUPPORT_SCOPED_ENV_H

#include <optional>
#include <string>

class ScopedEnv {
 public:
  ScopedEnv(std::string name, std::optional<std::string> value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_;
  std::optional<std::string> previous_;
};

// Sets or (with no value) unsets a variable of this process's environment.
void setEnvironment(const std::string& name, const std::optional<std::string>& value);

#endif  // HV_TESTS_SUPPORT_SCOPED_ENV_H
