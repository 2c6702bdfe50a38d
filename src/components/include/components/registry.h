// "Funciones_ZERN.cls_Registry": registry values read from the registry file.
//
// The file is .reg-like:
//   ; comment
//   [HKEY_LOCAL_MACHINE\Software\ZERN]
//   DatosServerDos=sqlite|user|<encrypted password>|/var/lib/korvanda/subsidios.db
// Section and value names match without regard to letter case; the value is the rest of the
// line. Quoted names and values ("name"="value", with \\ and \" escapes) are accepted too.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "korvanda/dispatch.h"

namespace korvanda::components {

inline constexpr const char* kRegistryProgId = "Funciones_ZERN.cls_Registry";

// KORVANDA_REGISTRY when set, else /etc/korvanda/registry.ini.
std::string registryFilePath();

// "&H80000002", "HKEY_LOCAL_MACHINE" and "HKLM" all give "HKEY_LOCAL_MACHINE"; nullopt for a
// root that names no hive.
std::optional<std::string> registryRootName(std::string_view root);

class cls_Registry : public Dispatchable {
 public:
  // Reads the file named by registryFilePath() at each call.
  cls_Registry() = default;
  // Reads the given file instead (tools and tests).
  explicit cls_Registry(std::string file) : file_(std::move(file)) {}
  static std::shared_ptr<cls_Registry> create() { return std::make_shared<cls_Registry>(); }
  const DispatchTable& dispatchTable() const override;

  // The value `name` under root\key. A missing file, section or value, an unknown root or a
  // malformed file is an error.
  std::string GetRegValue(const std::string& root, const std::string& key,
                          const std::string& name) const;

  const std::string& file() const { return file_; }

 private:
  std::string file_;
};

// Writes (or replaces) one value in a registry file, keeping every other line. The file and
// its directory are created when missing; the file is replaced atomically.
void setRegistryValue(const std::string& file, const std::string& root, const std::string& key,
                      const std::string& name, const std::string& value);

}  // namespace korvanda::components
