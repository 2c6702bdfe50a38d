#include "export/export_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "component/ModGlobal.h"
#include "component/modErrores.h"
#include "export/cp1252.h"

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

ExportFile ExportFile::create(const std::string& path, std::string_view label) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) == 0) {
    if (!S_ISREG(st.st_mode)) throw notRegularFile(path, st.st_mode);
    if (ExisteArchivo(path)) {
      if (readOnly(path)) throw fileError(EACCES, path);
      if (::unlink(path.c_str()) != 0) throw fileError(errno, path);
    }
    // A hidden file that the existence check does not see is replaced by the rename.
  } else if (errno != ENOENT) {
    throw fileError(errno, path);
  }
  return ExportFile(ReplacementFile::create(path), label);
}

ExportFile::ExportFile(ReplacementFile file, std::string_view label)
    : file_(std::move(file)), label_(label) {
  buffer_.reserve(kFlushAt + 4096);
}

void ExportFile::writeLine(std::string_view line, bool replaceEnie) {
  appendCp1252(buffer_, line, replaceEnie);
  buffer_ += "\r\n";
  if (buffer_.size() >= kFlushAt) flush();
}

void ExportFile::flush() {
  writeAll(file_.fd(), buffer_, file_.destination());
  buffer_.clear();
}

void ExportFile::close() {
  flush();
  if (blanked_ > 0)
    logNotice(label_, std::to_string(blanked_) +
                          " separadores (|, CR o LF) dentro de valores se escribieron como blancos en " +
                          path());
  file_.commit();
}

}  // namespace korvanda
