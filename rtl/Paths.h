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
// taken against the current directory, "." and ".." parts and doubled
// delimiters are resolved as text, without following links. An empty name
// stays empty.
std::string ExpandFileName(const std::string& fileName);

// The full path of a file name as the file system sees it: every link of the
// part that exists is followed (symbolic links, and junctions on Windows);
// the part that does not exist yet follows as text. On POSIX ".." steps are
// taken from where the links lead; Windows takes them as text. Empty when the
// name cannot be resolved (a link that leads nowhere or loops, a name too
// long, a folder that may not be looked into).
std::string ResolveFileName(const std::string& fileName);

// True when the file system cannot hold the name: a part longer than it allows
// for one name, or the whole longer than a path may be.
bool FileNameTooLong(const std::string& fileName);

// Everything up to and including the last path delimiter ("" when none).
std::string ExtractFilePath(const std::string& fileName);

// Everything after the last path delimiter.
std::string ExtractFileName(const std::string& fileName);

// destName relative to the folder of baseName: the leading folders that both
// share (compared without case for ASCII letters) are dropped, and each
// further folder of baseName becomes a step up to the parent. When the two
// names start differently (one absolute and the other not, or on two drives),
// destName stays whole.
std::string ExtractRelativePath(const std::string& baseName, const std::string& destName);

// True when the name is an existing file (not a directory).
bool FileExists(const std::string& fileName);

// True when the name is an existing directory.
bool DirectoryExists(const std::string& dir);

// Creates the directory and every missing parent; true when it exists after.
// An empty name raises EInOutError "Unable to create directory".
bool ForceDirectories(const std::string& dir);

// The name with one path delimiter at its end.
std::string IncludeTrailingPathDelimiter(const std::string& path);

// The name without the path delimiter at its end, if it has one.
std::string ExcludeTrailingPathDelimiter(const std::string& path);

// The full file name of a module; nil is the program.
std::string GetModuleName(HMODULE module);
