// UTF-8 to Windows code page 1252, the byte form of every export file.
#pragma once

#include <string>
#include <string_view>

namespace korvanda {

// Appends the CP1252 bytes of a UTF-8 text. A character the code page cannot hold, and each
// byte of a malformed sequence, becomes "?". With replaceEnie, "Ñ" becomes "N" and "ñ" "n".
void appendCp1252(std::string& out, std::string_view utf8, bool replaceEnie);

}  // namespace korvanda
