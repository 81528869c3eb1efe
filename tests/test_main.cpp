// The main of every test program: GoogleTest's own, except that on Windows the
// standard output is switched to binary mode, so that the test list that
// CMake's test discovery reads line by line has the same LF line ends there.
#include <gtest/gtest.h>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#endif

int main(int argc, char** argv) {
#ifdef _WIN32
  ::_setmode(::_fileno(stdout), _O_BINARY);
#endif
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
