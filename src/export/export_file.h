// The file an export writes: created afresh, filled through one buffer, released on every path.
#pragma once

#include <string>
#include <string_view>

namespace korvanda {

class ExportFile {
 public:
  // Deletes an ordinary file at the path (one marked read-only is refused, not replaced), then
  // opens the path for writing, empty. Failures are file errors in the automation numbers.
  static ExportFile create(const std::string& path);

  ExportFile(ExportFile&& other) noexcept;
  ExportFile& operator=(ExportFile&&) = delete;
  ExportFile(const ExportFile&) = delete;
  // Writes what is buffered (whole lines only) and closes; errors are dropped here, so a failed
  // export keeps the lines it finished.
  ~ExportFile();

  // Adds the line in CP1252 and CR LF.
  void writeLine(std::string_view utf8Line, bool replaceEnie);
  // Writes the rest and closes, reporting any failure.
  void close();

  const std::string& path() const { return path_; }

 private:
  ExportFile(std::string path, int fd);
  void flush();

  std::string path_;
  int fd_ = -1;
  std::string buffer_;
};

}  // namespace korvanda
