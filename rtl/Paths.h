// File-name helpers of the class library. Names are GBK, as everywhere; the
// path delimiter is "/".
#pragma once

#include <string>

// The full path of a file name: relative names are taken against the current
// directory; "." and ".." parts and doubled delimiters are resolved as text,
// without following links. An empty name stays empty.
std::string ExpandFileName(const std::string& fileName);

// The full path of a file name as the file system sees it: every symbolic link
// of the part that exists is followed and ".." steps are taken from where the
// links lead; the part that does not exist yet follows as text. Empty when the
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
// further folder of baseName becomes a "../" step. When one name is absolute
// and the other is not, destName stays whole.
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
