#include "export/export_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "component/ModGlobal.h"
#include "export/cp1252.h"
#include "platform/files/files.h"

namespace korvanda {
namespace {
constexpr size_t kFlushAt = 64 * 1024;

// A file nobody may write to (no write bit, or not writable by us) counts as read-only.
bool readOnly(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return false;
  return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(path.c_str(), W_OK) != 0;
}
}  // namespace

ExportFile ExportFile::create(const std::string& path) {
  if (ExisteArchivo(path)) {
    if (readOnly(path)) throw fileError(EACCES, path);
    if (::unlink(path.c_str()) != 0) throw fileError(errno, path);
  }
  // O_TRUNC empties a hidden file that the existence check does not see.
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) throw fileError(errno, path);
  return ExportFile(path, fd);
}

ExportFile::ExportFile(std::string path, int fd) : path_(std::move(path)), fd_(fd) {
  buffer_.reserve(kFlushAt + 4096);
}

ExportFile::ExportFile(ExportFile&& other) noexcept
    : path_(std::move(other.path_)), fd_(other.fd_), buffer_(std::move(other.buffer_)) {
  other.fd_ = -1;
}

ExportFile::~ExportFile() {
  if (fd_ < 0) return;
  try {
    flush();
  } catch (...) {
  }
  ::close(fd_);
}

void ExportFile::writeLine(std::string_view line, bool replaceEnie) {
  appendCp1252(buffer_, line, replaceEnie);
  buffer_ += "\r\n";
  if (buffer_.size() >= kFlushAt) flush();
}

void ExportFile::flush() {
  size_t done = 0;
  while (done < buffer_.size()) {
    ssize_t n = ::write(fd_, buffer_.data() + done, buffer_.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      int err = errno;
      buffer_.erase(0, done);
      throw fileError(err, path_);
    }
    done += static_cast<size_t>(n);
  }
  buffer_.clear();
}

void ExportFile::close() {
  flush();
  int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0) throw fileError(errno, path_);
}

}  // namespace korvanda
