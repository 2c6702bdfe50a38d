// Where the connection data live and how they are written: the registry value
// HKEY_LOCAL_MACHINE\Software\ZERN\DatosServerDos = server|user|encrypted password|database.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace korvanda::components {

inline constexpr const char* kConnectionRoot = "&H80000002";
inline constexpr const char* kConnectionKey = "Software\\ZERN";
inline constexpr const char* kConnectionValueName = "DatosServerDos";
// The key the password field is encrypted with.
inline constexpr const char* kPasswordKey =
    "5e1f0c9a7b3d2e4f6a8c0b1d3e5f7a9c2b4d6e8f0a1c3e5b7d9f1a3c5e7b9d2f";

// Splits at every "|", with no limit on the count ("a||b" gives three fields).
std::vector<std::string> splitFields(std::string_view value);

// The value for the four fields, with the password encrypted. A field holding "|" or a line
// break cannot be stored and is refused (error 5).
std::string connectionValue(const std::string& server, const std::string& user,
                            const std::string& plainPassword, const std::string& database);

}  // namespace korvanda::components
