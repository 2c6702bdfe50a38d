// "openDbCap.clsOpenDbCap": opens capture database files, the local files that the capture
// application keeps its catalogs in. They are SQLite files; their dialect is the file-database
// one the catalog replication speaks:
//   SELECT t.* INTO t FROM t IN 'file'   creates t with the columns and declared types of t in
//                                        the other file and copies all its rows (one step:
//                                        on failure nothing of t is left behind)
//   DROP TABLE t, SELECT ... and any other SQLite statement, as they are
//   [bracketed names] as SQLite "quoted" names, "]]" standing for "]"
// and the schema listing gives TABLE_NAME and TABLE_TYPE: "TABLE", "VIEW", and "SYSTEM TABLE"
// for SQLite's own tables.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "korvanda/connection.h"
#include "korvanda/dispatch.h"

namespace korvanda::components {

inline constexpr const char* kCaptureProgId = "openDbCap.clsOpenDbCap";
// The password of the capture databases.
inline constexpr const char* kCapturePassword = "tollgrane";

// Error numbers of the capture dialect, as the data-access provider gives them.
inline constexpr int32_t kCaptureCannotOpen = -2147467259;      // file missing or not a database
inline constexpr int32_t kCaptureStatementError = -2147217900;  // statement rejected
inline constexpr int32_t kCaptureNoSuchTable = -2147217865;     // table not found

class clsOpenDbCap : public Dispatchable {
 public:
  static std::shared_ptr<clsOpenDbCap> create() { return std::make_shared<clsOpenDbCap>(); }
  const DispatchTable& dispatchTable() const override;

  // An open connection on an existing capture file (a missing file is a failure, never a new
  // empty database). The first argument and the password are accepted and not used.
  ConnectionRef conectar(const std::string& server, const std::string& password,
                         const std::string& file) const;
};

}  // namespace korvanda::components
