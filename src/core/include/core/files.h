// File-system errors in the automation runtime's numbers, and the one way the library opens,
// appends to and replaces files.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "korvanda/error.h"

namespace korvanda {

// 53 file not found, 61 disk full, 70 permission denied, 75 path/file access, 76 path not
// found, 57 device I/O error; the operating-system code travels as the last system error.
Error fileError(int err, const std::string& path);

// Something other than a regular file at the path (mode as lstat or fstat gave it): 75, naming
// what it is ("a named pipe", "a symbolic link", ...).
Error notRegularFile(const std::string& path, mode_t mode);

// An open descriptor, closed when it goes out of scope.
class FileDescriptor {
 public:
  FileDescriptor() = default;
  explicit FileDescriptor(int fd) : fd_(fd) {}
  FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.release()) {}
  FileDescriptor& operator=(FileDescriptor&& other) noexcept;
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  ~FileDescriptor();

  int get() const { return fd_; }
  explicit operator bool() const { return fd_ >= 0; }
  int release() {
    int fd = fd_;
    fd_ = -1;
    return fd;
  }
  // Closes now; a failure is a file error naming the path.
  void close(const std::string& path);

 private:
  int fd_ = -1;
};

enum class Links { Follow, Refuse };

// Opens a file the library reads or writes. The open never waits (a named pipe at the path
// is refused, not waited on) and anything but a regular file is refused before a byte moves;
// with Links::Refuse a symbolic link at the path is refused, never followed (nor is a dangling
// one used to create a file elsewhere). flags: O_RDONLY, O_WRONLY | O_APPEND | O_CREAT, ...
FileDescriptor openRegularFile(const std::string& path, int flags, Links links,
                               mode_t mode = 0644);

// Writes all of data (interrupted writes go on); a failure is a file error naming the path.
void writeAll(int fd, std::string_view data, const std::string& path);

// Appends one line with a single write on a file opened for appending (created when missing),
// so lines of concurrent writers never mix. A symbolic link at the path is refused, never
// followed. Throws a file error on failure.
void appendLine(const std::string& path, std::string_view lineWithEnding);

// An ordinary, visible file exists at the path (not a directory, not a dot-file).
bool isOrdinaryFile(const std::string& path);

// A file written under a temporary name beside its destination (same directory, so the rename
// is atomic) and renamed into place by commit(), after its data reached the disk: the
// destination never holds a partial file. Without commit() the temporary file is removed.
// Errors name the destination.
class ReplacementFile {
 public:
  // mode: the new file's permissions; without it they follow the umask.
  static ReplacementFile create(const std::string& destination,
                                std::optional<mode_t> mode = std::nullopt);
  ReplacementFile(ReplacementFile&& other) noexcept
      : destination_(std::move(other.destination_)),
        temporary_(std::exchange(other.temporary_, {})),
        fd_(std::move(other.fd_)) {}
  ReplacementFile& operator=(ReplacementFile&&) = delete;
  ~ReplacementFile();

  int fd() const { return fd_.get(); }
  const std::string& destination() const { return destination_; }
  // fsync, close, rename over the destination.
  void commit();
  // fsync, close, and link to the destination only if nothing is there: false, and the
  // temporary file removed, when another writer put a file there first.
  bool commitIfAbsent();

 private:
  ReplacementFile(std::string destination, std::string temporary, FileDescriptor fd)
      : destination_(std::move(destination)), temporary_(std::move(temporary)), fd_(std::move(fd)) {}
  void discard() noexcept;
  void sync();

  std::string destination_;
  std::string temporary_;  // empty once committed or discarded
  FileDescriptor fd_;
};

}  // namespace korvanda
