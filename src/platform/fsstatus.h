// Outcome of a platform operation: 0 for success, otherwise an error number in the classic
// numbering the program's error traps store (53 file not found, 76 path not found, ...), or one
// of the program's own numbers above 1000 for what that numbering cannot tell apart.
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
constexpr int ReadOnlyFile = 1001;  // its permissions forbid changing the file (読取専用)
constexpr int ReadOnlyVolume = 1002;  // the file system is mounted read-only
constexpr int Immutable = 1003;  // the file (or its folder) is marked unchangeable or append-only
constexpr int NameTooLong = 1004;  // a name longer than the file system allows
constexpr int PathTooLong = 1005;  // a path longer than the system allows
constexpr int NotRegularFile = 1006;  // a pipe, device, socket or folder where a file was expected
constexpr int SameFile = 1007;  // the target is, or leads to, the source itself
constexpr int SourceChanged = 1008;  // the source changed after it was read for a copy
constexpr int CopyMissing = 1009;  // a move's copy is no longer where it was made
constexpr int NoTrash = 1010;  // the file's volume has no trash folder that can take it
constexpr int CrossDevice = 1011;  // a rename from one file system to another
constexpr int Cancel = 32755;  // the file dialog's cancel error

// Maps a POSIX errno value onto the numbering above.
int fromErrno(int e);
// A short Japanese description of an error number, for logs and message boxes.
QString describe(int error);
}  // namespace err

// Whether the file system marks the entry at `path` (a file or folder) unchangeable: immutable
// or append-only, which even the superuser cannot delete or rename. Links are followed only
// when asked. For the platform's own services.
bool markedUnchangeable(const QString& path, bool followLinks);

struct FsStatus {
    int error = err::None;
    QString detail;  // what failed, for diagnostics (path and system message)

    bool ok() const { return error == err::None; }
    static FsStatus success() { return {}; }
    static FsStatus failure(int error, QString detail = {}) { return {error, std::move(detail)}; }
    // Builds a failure from errno, naming the path it concerns. The path tells apart what one
    // errno value leaves open: an unchangeable file from a denied access, a long name from a
    // long path.
    static FsStatus fromErrno(int e, const QString& path);
};

}  // namespace vu
