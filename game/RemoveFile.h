#pragma once
// Deleting a file with the failure raised as a run-time error, its number
// taken from the Windows error code the failure stands for.

#include <QString>

namespace lumidex {

// The Windows error code an errno value stands for: ENOENT 2, ENOTDIR 3,
// EMFILE 4, EACCES, EPERM, EISDIR and EROFS 5, EBUSY and ETXTBSY 32, EIO 29,
// EINVAL 87, ENOSPC 112, EEXIST 183, ENAMETOOLONG 123. Any other errno has no
// Windows counterpart and gives 31 (a general failure), which MapDllError
// passes on unchanged.
int windowsErrorOf(int errnoValue);

// The run-time error number for a Windows error code: 2 -> 53 "File not
// found", 3 -> 76 "Path not found", 5 -> 70 "Permission denied" and so on;
// a code without a run-time error of its own is returned as it is.
int MapDllError(int windowsError);

// Deletes the file at path. A path that cannot be a file name (see
// fileNameProblem) raises 52 "Bad file name or number". Otherwise throws RuntimeError numbered
// MapDllError of the failure's Windows code; its description is the classic one, or the system's
// text for a number without one.
void RemoveFile(const QString& path);

}  // namespace lumidex
