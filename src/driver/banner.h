// The banner and the usage text printed after an argument error.
#ifndef HV_DRIVER_BANNER_H
#define HV_DRIVER_BANNER_H

#include <string>

#include "common/console.h"

void printBanner(Console& console);
void printUsage(Console& console);

// The texts as they are printed, for comparison.
std::string bannerText();
std::string usageText();

#endif  // HV_DRIVER_BANNER_H
