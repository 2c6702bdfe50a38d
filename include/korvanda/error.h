// The one error type: number, source and description, as the application reads them.
//
// Every C++ function of the library that fails throws korvanda::Error (std::bad_alloc aside);
// the C ABI turns it into kv_error. An Error is a value that owns its texts, and is safe to
// copy and read from any thread.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include "korvanda/export.h"

KORVANDA_API_BEGIN
namespace korvanda {

class Error : public std::runtime_error {
 public:
  Error(int32_t number, std::string source, std::string description, int32_t lastSystemError = 0)
      : std::runtime_error(description),
        number_(number),
        source_(std::move(source)),
        description_(std::move(description)),
        lastSystemError_(lastSystemError) {}

  int32_t number() const { return number_; }
  // What raised it: an engine or component ("SQLite", "ADODB.Fields"), the runtime
  // ("KORVANDA"), or one of the library's routines.
  const std::string& source() const { return source_; }
  const std::string& description() const { return description_; }
  // The operating system's error (errno) behind a failed file operation, else 0; logged.
  int32_t lastSystemError() const { return lastSystemError_; }

 private:
  int32_t number_;
  std::string source_;
  std::string description_;
  int32_t lastSystemError_;
};

// Application error numbers: the automation error base 0x80040000 plus 1001 and 1002.
inline constexpr int32_t kAppError1001 = -2147220503;
inline constexpr int32_t kAppError1002 = -2147220502;

// The library's own runtime errors, with the source the automation runtime gives them.
namespace errors {
inline constexpr const char* kRuntimeSource = "KORVANDA";
Error invalidArgument(std::string detail = {});         // 5
Error overflow();                                       // 6
Error outOfMemory();                                    // 7
Error subscriptOutOfRange();                            // 9
Error typeMismatch(std::string detail = {});            // 13
Error invalidUseOfNull();                               // 94
Error objectRequired();                                 // 424
Error cannotCreateObject(const std::string& progid);    // 429
Error memberNotFound(const std::string& member);        // 438
Error wrongArgumentCount(const std::string& member);    // 450
Error notImplemented(const std::string& routine);       // 445
// Data-access errors.
Error noCurrentRecord();                                // 3021
Error notAllowedInContext(std::string detail = {});     // 3219
Error notUpdatable();                                   // 3251
Error fieldNotFound(const std::string& name);           // 3265
Error alreadyInCollection(const std::string& name);     // 3367
Error closedObject();                                   // 3704
Error openObject();                                     // 3705
// The same raised by a connection: its source is the connection, not a record set.
Error closedConnection();                               // 3704
Error openConnection();                                 // 3705
Error multipleStep(std::string detail = {});            // -2147217887
// A forward-only record set asked to move back (-2147217884) or to its first row once past it
// (-2147217896).
Error cannotFetchBackward();
Error cannotRestart();
}  // namespace errors

}  // namespace korvanda
KORVANDA_API_END
