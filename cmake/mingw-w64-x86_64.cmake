# Cross-build for 64-bit Windows with mingw-w64 (Debian: g++-mingw-w64-x86-64):
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
#
# The posix thread model is used (std::thread and std::mutex work with it). The
# C and C++ runtimes are linked statically, so Stempelzug.exe and hvcrypt.exe
# import only Windows system DLLs and run from any folder. When Wine is
# installed it runs the test executables (CTest and test discovery).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(HV_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${HV_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${HV_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${HV_MINGW_TRIPLET}-windres)

# Headers and libraries of the target (sql.h, libodbc32.a) come from the
# cross root only; programs run during the build come from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${HV_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Static runtime. FindODBC links odbc32 as "-Wl,-Bstatic -lodbc32 -Wl,-Bdynamic",
# which would leave the end of the link line dynamic and pull in
# libstdc++-6.dll; the link search therefore ends static.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_LINK_SEARCH_END_STATIC ON)

find_program(HV_WINE NAMES wine wine64)
if(HV_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${HV_WINE})
endif()
