// File-system errors in the automation runtime's numbers, and whole-line appends.
#pragma once

#include <string>
#include <string_view>

#include "korvanda/error.h"

namespace korvanda {

// 53 file not found, 61 disk full, 70 permission denied, 75 path/file access, 76 path not
// found, 57 device I/O error; the operating-system code travels as the last system error.
Error fileError(int err, const std::string& path);

// Appends one line with a single write on a file opened for appending (created when missing),
// so lines of concurrent writers never mix. Throws fileError on failure.
void appendLine(const std::string& path, std::string_view lineWithEnding);

// An ordinary, visible file exists at the path (not a directory, not a dot-file).
bool isOrdinaryFile(const std::string& path);

}  // namespace korvanda
