// File-name helpers of the class library. Names are GBK, as everywhere.
#pragma once

#include <string>

// The full path of a file name: relative names are taken against the current
// directory; "." and ".." parts and doubled delimiters are resolved as text,
// without following links. An empty name stays empty.
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
