#include "core/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <random>

namespace korvanda {

Error fileError(int err, const std::string& path) {
  int number;
  const char* text;
  switch (err) {
    case ENOENT: number = 76; text = "Path not found"; break;
    case ENOTDIR: number = 76; text = "Path not found"; break;
    case EACCES: case EPERM: case EROFS: number = 70; text = "Permission denied"; break;
    case ENOSPC: case EDQUOT: number = 61; text = "Disk full"; break;
    case EMFILE: case ENFILE: number = 67; text = "Too many files"; break;
    case EISDIR: case ENAMETOOLONG: case EINVAL: number = 75; text = "Path/File access error"; break;
    case EIO: number = 57; text = "Device I/O error"; break;
    default: number = 75; text = "Path/File access error"; break;
  }
  return Error(number, errors::kRuntimeSource,
               std::string(text) + ": " + path + " (" + std::strerror(err) + ")", err);
}

Error notRegularFile(const std::string& path, mode_t mode) {
  const char* what = S_ISLNK(mode)    ? "a symbolic link (not followed)"
                     : S_ISFIFO(mode) ? "a named pipe"
                     : S_ISDIR(mode)  ? "a directory"
                     : S_ISCHR(mode) || S_ISBLK(mode) ? "a device"
                     : S_ISSOCK(mode) ? "a socket"
                                      : "not a regular file";
  return Error(75, errors::kRuntimeSource,
               "Path/File access error: " + path + " is " + what + ", not a regular file");
}

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = other.release();
  }
  return *this;
}

FileDescriptor::~FileDescriptor() {
  if (fd_ >= 0) ::close(fd_);
}

void FileDescriptor::close(const std::string& path) {
  if (::close(release()) != 0) throw fileError(errno, path);
}

FileDescriptor openRegularFile(const std::string& path, int flags, Links links, mode_t mode) {
  flags |= O_NONBLOCK | O_CLOEXEC | (links == Links::Refuse ? O_NOFOLLOW : 0);
  FileDescriptor fd(::open(path.c_str(), flags, mode));
  if (!fd) {
    const int err = errno;
    // A pipe without a reader (ENXIO) or a link not followed (ELOOP): say what is there.
    struct stat st {};
    if ((err == ENXIO || err == ELOOP) && ::lstat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
      throw notRegularFile(path, st.st_mode);
    throw fileError(err, path);
  }
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) throw fileError(errno, path);
  if (!S_ISREG(st.st_mode)) throw notRegularFile(path, st.st_mode);
  // Regular files ignore the flag; cleared so that nothing downstream meets EAGAIN.
  ::fcntl(fd.get(), F_SETFL, ::fcntl(fd.get(), F_GETFL) & ~O_NONBLOCK);
  return fd;
}

void writeAll(int fd, std::string_view data, const std::string& path) {
  while (!data.empty()) {
    ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      throw fileError(errno, path);
    }
    data.remove_prefix(static_cast<size_t>(n));
  }
}

void appendLine(const std::string& path, std::string_view line) {
  FileDescriptor fd = openRegularFile(path, O_WRONLY | O_APPEND | O_CREAT, Links::Refuse);
  writeAll(fd.get(), line, path);
  fd.close(path);
}

bool isOrdinaryFile(const std::string& path) {
  if (path.empty()) return false;
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  auto slash = path.find_last_of('/');
  std::string_view name = slash == std::string::npos ? std::string_view(path)
                                                     : std::string_view(path).substr(slash + 1);
  return !name.empty() && name.front() != '.';
}

ReplacementFile ReplacementFile::create(const std::string& destination,
                                        std::optional<mode_t> mode) {
  // A hidden name in the destination's directory: ".<name>.<random>".
  const auto slash = destination.find_last_of('/');
  const std::string dir = slash == std::string::npos ? "" : destination.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? destination : destination.substr(slash + 1);
  thread_local std::mt19937_64 random{std::random_device{}()};
  static constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  for (int attempt = 0;; ++attempt) {
    std::string temporary = dir + "." + name + ".";
    uint64_t r = random();
    for (int i = 0; i < 8; ++i, r /= 36) temporary.push_back(kDigits[r % 36]);
    // O_EXCL: never an existing file, never through a link; the mode follows the umask.
    int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd >= 0) {
      ReplacementFile file(destination, std::move(temporary), FileDescriptor(fd));
      if (mode && ::fchmod(fd, *mode) != 0) throw fileError(errno, destination);
      return file;
    }
    if (errno != EEXIST || attempt == 100) throw fileError(errno, destination);
  }
}

ReplacementFile::~ReplacementFile() { discard(); }

void ReplacementFile::discard() noexcept {
  if (temporary_.empty()) return;
  fd_ = FileDescriptor();
  ::unlink(temporary_.c_str());
  temporary_.clear();
}

void ReplacementFile::sync() {
  try {
    if (::fsync(fd_.get()) != 0) throw fileError(errno, destination_);
    fd_.close(destination_);
  } catch (...) {
    discard();
    throw;
  }
}

void ReplacementFile::commit() {
  sync();
  if (::rename(temporary_.c_str(), destination_.c_str()) != 0) {
    const int err = errno;
    discard();
    throw fileError(err, destination_);
  }
  temporary_.clear();
}

bool ReplacementFile::commitIfAbsent() {
  sync();
  // link() never replaces: a file that appeared meanwhile stays as it is.
  const bool linked = ::link(temporary_.c_str(), destination_.c_str()) == 0;
  const int err = errno;
  discard();
  if (!linked && err != EEXIST) throw fileError(err, destination_);
  return linked;
}

}  // namespace korvanda
