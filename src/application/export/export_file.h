// The file an export writes: made afresh under a temporary name beside the delivery path,
// filled through one buffer and renamed into place only when complete.
#pragma once

#include <string>
#include <string_view>

#include "core/files.h"

namespace korvanda {

class ExportFile {
 public:
  // Deletes an ordinary file at the path (one marked read-only is refused, not replaced), then
  // opens a temporary file beside it. Anything at the path other than a regular file (a named
  // pipe, a symbolic link, a directory, a device) is refused and left alone. Failures are file
  // errors in the automation numbers. label names the export routine in the log.
  static ExportFile create(const std::string& path, std::string_view label);

  ExportFile(ExportFile&& other) noexcept = default;
  ExportFile& operator=(ExportFile&&) = delete;
  ExportFile(const ExportFile&) = delete;
  // Without close(), the export failed: the temporary file is removed and nothing is left at
  // the path.
  ~ExportFile() = default;

  // Adds the line in CP1252 and CR LF.
  void writeLine(std::string_view utf8Line, bool replaceEnie);
  // Values whose "|", CR or LF were written as blanks, to be said in the log.
  void countBlanked(size_t n) { blanked_ += n; }
  // Writes the rest and puts the file in place at the path, reporting any failure. Blanked
  // separators are first logged (one line, under the export's label), so a log that cannot be
  // written fails the export before the file is delivered.
  void close();

  const std::string& path() const { return file_.destination(); }

 private:
  ExportFile(ReplacementFile file, std::string_view label);
  void flush();

  ReplacementFile file_;
  std::string label_;
  std::string buffer_;
  size_t blanked_ = 0;
};

}  // namespace korvanda
