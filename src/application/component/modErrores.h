// The common error handler and the error log.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "korvanda/administration.h"
#include "korvanda/error.h"

namespace korvanda {

// Appends the failure to the error log and raises it again. If the log cannot be written,
// that failure is raised instead.
[[noreturn]] void ManejaError(const Error& error, std::string_view label);
// Appends one line (and CR LF) to the error log.
void GrabaLog(const std::string& line);
// The Spanish message for a known error number, else the error's own description.
std::string getDescError(const Error& error);

// The line ManejaError writes, without its ending. Its source and description pass through
// loggedText.
std::string errorLogLine(const Error& error, std::string_view label);

// A line in the error log's shape about something that is not a failure (number 0, source
// "KORVANDA"): an export that had to change values, for example.
void logNotice(std::string_view label, const std::string& text);

// A text as the logs write it: cut after kLoggedTextLimit characters with a marker saying how
// many more there were, then every control character escaped (\r, \n, \t, else \xNN; the C1
// controls as \u0080..\u009F), so that no text can break or forge a line.
inline constexpr size_t kLoggedTextLimit = 1000;
std::string loggedText(std::string_view text);

// Where both logs live: logDirectory() and errorLogPath() (<dir>/logFile.log) are public.
std::string duplicatesLogPath(); // <dir>/Errores.log

}  // namespace korvanda
