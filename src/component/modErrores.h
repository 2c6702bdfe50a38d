// The common error handler and the error log.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "korvanda/error.h"

namespace korvanda {

// Appends the failure to the error log and raises it again. If the log cannot be written,
// that failure is raised instead.
[[noreturn]] void ManejaError(const Error& error, std::string_view label);
// Appends one line (and CR LF) to the error log.
void GrabaLog(const std::string& line);
// The Spanish message for a known error number, else the error's own description.
std::string getDescError(const Error& error);

// The line ManejaError writes, without its ending.
std::string errorLogLine(const Error& error, std::string_view label);

// Where both logs live: KORVANDA_LOG_DIR, else the directory of the library's own file.
std::string logDirectory();
std::string errorLogPath();      // <dir>/logFile.log
std::string duplicatesLogPath(); // <dir>/Errores.log

}  // namespace korvanda
