// printf-style formatting into a std::string, for the console texts, run-log
// entries and statement texts whose formats the system fixes. The result has
// no length limit, so no caller can overrun a buffer with a long value.
#ifndef HV_COMMON_FORMAT_H
#define HV_COMMON_FORMAT_H

#include <cstdarg>
#include <cstdio>
#include <string>

// The format check follows the printf that formatText calls. On MinGW plain
// "printf" means Microsoft's rules, while the C99 printf (with %zu, %lld) is in
// use whenever __USE_MINGW_ANSI_STDIO is set; __MINGW_PRINTF_FORMAT names the
// one in use.
#if defined(__MINGW32__) && defined(__MINGW_PRINTF_FORMAT)
#define HV_PRINTF_LIKE(fmt_index, first_arg) \
  __attribute__((format(__MINGW_PRINTF_FORMAT, fmt_index, first_arg)))
#elif defined(__GNUC__)
#define HV_PRINTF_LIKE(fmt_index, first_arg) __attribute__((format(printf, fmt_index, first_arg)))
#else
#define HV_PRINTF_LIKE(fmt_index, first_arg)
#endif

std::string formatText(const char* fmt, ...) HV_PRINTF_LIKE(1, 2);
std::string formatTextV(const char* fmt, va_list args);

#endif  // HV_COMMON_FORMAT_H
