// File-name helpers of the class library. Names are GBK, as everywhere.
#pragma once

#include <string>

#include "winport/Module.h"

// The platform's folder delimiter. Windows also takes '/' between folders
// and ':' after a drive letter, and so do the helpers below there.
#ifdef _WIN32
inline constexpr char PathDelim = '\\';
inline constexpr const char* PathDelimiters = "\\/:";
#else
inline constexpr char PathDelim = '/';
inline constexpr const char* PathDelimiters = "/";
#endif

// The full path of a file name, as the system expands it: relative names are
// taken against the current directory, "." and ".." parts are resolved as text.
// An empty name stays empty.
std::string ExpandFileName(const std::string& fileName);

// Everything up to and including the last path delimiter ("" when none).
std::string ExtractFilePath(const std::string& fileName);

// True when the name is an existing file (not a directory).
bool FileExists(const std::string& fileName);

// True when the name is an existing directory.
bool DirectoryExists(const std::string& dir);

// Creates the directory and every missing parent; true when it exists after.
// An empty name raises EInOutError "Unable to create directory".
bool ForceDirectories(const std::string& dir);

// The name with one path delimiter at its end.
std::string IncludeTrailingPathDelimiter(const std::string& path);

// The full file name of a module; nil is the program.
std::string GetModuleName(HMODULE module);
