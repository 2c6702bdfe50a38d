#include "platform/files/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

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

void appendLine(const std::string& path, std::string_view line) {
  int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) throw fileError(errno, path);
  const char* p = line.data();
  size_t left = line.size();
  while (left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      int err = errno;
      ::close(fd);
      throw fileError(err, path);
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
  if (::close(fd) != 0) throw fileError(errno, path);
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

}  // namespace korvanda
