// The fixed places of the suite's files, relative to the working directory,
// which lies two levels below the suite's root.
#ifndef HV_DRIVER_PATHS_H
#define HV_DRIVER_PATHS_H

#ifdef _WIN32
constexpr const char* kIniPath = "..\\..\\Files\\Horavelle.Ini";
constexpr const char* kRunLogPath = "..\\..\\Horavelle_php\\log\\StempZugLog.txt";
constexpr const char* kRunLogBackupPath = "..\\..\\Horavelle_php\\log\\StempZugLog.bak";
#else
constexpr const char* kIniPath = "../../Files/Horavelle.Ini";
constexpr const char* kRunLogPath = "../../Horavelle_php/log/StempZugLog.txt";
constexpr const char* kRunLogBackupPath = "../../Horavelle_php/log/StempZugLog.bak";
#endif

#endif  // HV_DRIVER_PATHS_H
