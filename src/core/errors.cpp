#include "korvanda/error.h"

#include <new>
#include <utility>

#include "core/as_error.h"

namespace korvanda::errors {
namespace {
constexpr const char* kDataSource = "ADODB.Recordset";
std::string with(std::string base, const std::string& detail) {
  return detail.empty() ? base : base + ": " + detail;
}
}  // namespace

Error invalidArgument(std::string detail) {
  return Error(5, kRuntimeSource, with("Invalid procedure call or argument", detail));
}
Error overflow() { return Error(6, kRuntimeSource, "Overflow"); }
Error outOfMemory() { return Error(7, kRuntimeSource, "Out of memory"); }
Error subscriptOutOfRange() { return Error(9, kRuntimeSource, "Subscript out of range"); }
Error typeMismatch(std::string detail) {
  return Error(13, kRuntimeSource, with("Type mismatch", detail));
}
Error invalidUseOfNull() { return Error(94, kRuntimeSource, "Invalid use of Null"); }
Error objectRequired() { return Error(424, kRuntimeSource, "Object required"); }
Error cannotCreateObject(const std::string& progid) {
  return Error(429, kRuntimeSource, "ActiveX component can't create object: " + progid);
}
Error memberNotFound(const std::string& member) {
  return Error(438, kRuntimeSource, "Object doesn't support this property or method: " + member);
}
Error wrongArgumentCount(const std::string& member) {
  return Error(450, kRuntimeSource,
               "Wrong number of arguments or invalid property assignment: " + member);
}
Error notImplemented(const std::string& routine) {
  return Error(445, kRuntimeSource, "Object doesn't support this action: " + routine +
                                        " is not implemented yet");
}
Error noCurrentRecord() {
  return Error(3021, kDataSource,
               "Either BOF or EOF is True, or the current record has been deleted. Requested "
               "operation requires a current record.");
}
Error notAllowedInContext(std::string detail) {
  return Error(3219, kDataSource, with("Operation is not allowed in this context.", detail));
}
Error notUpdatable() {
  return Error(3251, kDataSource,
               "Current Recordset does not support updating. This may be a limitation of the "
               "provider, or of the selected locktype.");
}
Error fieldNotFound(const std::string& name) {
  return Error(3265, "ADODB.Fields",
               "Item cannot be found in the collection corresponding to the requested name or "
               "ordinal: " + name);
}
Error alreadyInCollection(const std::string& name) {
  return Error(3367, "ADODB.Fields", "Object is already in collection. Cannot append: " + name);
}
Error closedObject() {
  return Error(3704, kDataSource, "Operation is not allowed when the object is closed.");
}
Error openObject() {
  return Error(3705, kDataSource, "Operation is not allowed when the object is open.");
}
Error closedConnection() {
  return Error(3704, "ADODB.Connection", "Operation is not allowed when the object is closed.");
}
Error openConnection() {
  return Error(3705, "ADODB.Connection", "Operation is not allowed when the object is open.");
}
Error multipleStep(std::string detail) {
  return Error(-2147217887, "Microsoft Cursor Engine",
               with("Multiple-step operation generated errors. Check each status value.", detail));
}

// The provider's errors for a rowset that only fetches forward, as the data-access layer passes
// them on.
Error cannotFetchBackward() {
  return Error(-2147217884, kDataSource, "Rowset does not support fetching backward.");
}
Error cannotRestart() {
  return Error(-2147217896, kDataSource, "Rowset position cannot be restarted.");
}

}  // namespace korvanda::errors

namespace korvanda {

Error asError(std::exception_ptr e) {
  try {
    std::rethrow_exception(std::move(e));
  } catch (const Error& err) {
    return err;
  } catch (const std::bad_alloc&) {
    return errors::outOfMemory();
  } catch (const std::exception& ex) {
    return errors::invalidArgument(ex.what());
  } catch (...) {
    return errors::invalidArgument("unknown failure");
  }
}

}  // namespace korvanda
