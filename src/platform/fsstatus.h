// Outcome of a platform operation: 0 for success, otherwise an error number in the classic
// numbering the program's error traps store (53 file not found, 76 path not found, ...).
#pragma once

#include <QString>

namespace vu {

namespace err {
constexpr int None = 0;
constexpr int OutOfMemory = 7;
constexpr int BadFileName = 52;
constexpr int FileNotFound = 53;
constexpr int DeviceIO = 57;
constexpr int FileExists = 58;
constexpr int DiskFull = 61;
constexpr int DeviceUnavailable = 68;
constexpr int PermissionDenied = 70;
constexpr int PathFileAccess = 75;
constexpr int PathNotFound = 76;
constexpr int InvalidPicture = 481;
constexpr int Cancel = 32755;  // the file dialog's cancel error

// Maps a POSIX errno value onto the numbering above.
int fromErrno(int e);
// A short Japanese description of an error number, for logs and message boxes.
QString describe(int error);
}  // namespace err

struct FsStatus {
    int error = err::None;
    QString detail;  // what failed, for diagnostics (path and system message)

    bool ok() const { return error == err::None; }
    static FsStatus success() { return {}; }
    static FsStatus failure(int error, QString detail = {}) { return {error, std::move(detail)}; }
    // Builds a failure from errno, naming the path it concerns.
    static FsStatus fromErrno(int e, const QString& path);
};

}  // namespace vu
