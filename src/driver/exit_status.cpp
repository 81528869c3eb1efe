#include "driver/exit_status.h"

int posixExitStatusFor(int32_t result) {
  if (result >= 0 && result <= 255) return static_cast<int>(result);
  if (result == -1) return kStatusMinusOne;
  return kStatusOutOfRange;
}

int exitStatusFor(int32_t result) {
#ifdef _WIN32
  return static_cast<int>(result);
#else
  return posixExitStatusFor(result);
#endif
}
