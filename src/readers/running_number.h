// RunningNumber: the number the 40p, 50p and dta readers give each booking they
// insert, 1 to 999 per file, starting again at 1 after 999.
#ifndef HV_READERS_RUNNING_NUMBER_H
#define HV_READERS_RUNNING_NUMBER_H

#include "common/decimal.h"
#include "common/fixed_text.h"

class RunningNumber {
 public:
  // Writes the current number into `field` (decimal, at most 3 characters)
  // and advances; the number is used up even when the insert then fails.
  void take(FixedText<4>& field) {
    field = DecimalText(next_).view();
    next_ = next_ >= 999 ? 1 : next_ + 1;
  }

 private:
  int next_ = 1;
};

#endif  // HV_READERS_RUNNING_NUMBER_H
