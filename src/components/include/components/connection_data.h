// Where the connection data live and how they are written: the registry value
// HKEY_LOCAL_MACHINE\Software\ZERN\DatosServerDos = server|user|encrypted password|database.
//
// The password is encrypted with the installation's own key, held in a key file: 64 hexadecimal
// characters (32 random bytes) and a line end, made by `korvanda registry set` when missing.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace korvanda::components {

inline constexpr const char* kConnectionRoot = "&H80000002";
inline constexpr const char* kConnectionKey = "Software\\ZERN";
inline constexpr const char* kConnectionValueName = "DatosServerDos";

// KORVANDA_KEY_FILE when set, else registry.key in the directory of the registry file
// (/etc/korvanda/registry.key beside the default /etc/korvanda/registry.ini).
std::string keyFilePath(const std::string& registryFile);
std::string keyFilePath();  // beside registryFilePath()

// The key text (64 hexadecimal characters) held in the key file. A missing file (53), one that
// cannot be read (70, 75) or that holds anything else (321) is an error of the encryption
// component that names the file.
std::string installationKey(const std::string& keyFile = keyFilePath());

// Creates the key file with a new random key, readable and writable by its owner only, unless
// a file is already there: an existing key is never replaced. The file appears whole or not at
// all. True when this call created it.
bool createKeyFile(const std::string& keyFile);

// Splits at every "|", with no limit on the count ("a||b" gives three fields).
std::vector<std::string> splitFields(std::string_view value);

// The value for the four fields, with the password encrypted with the key. A field holding "|"
// or a line break cannot be stored and is refused (error 5).
std::string connectionValue(const std::string& server, const std::string& user,
                            const std::string& plainPassword, const std::string& database,
                            const std::string& key = installationKey());

}  // namespace korvanda::components
