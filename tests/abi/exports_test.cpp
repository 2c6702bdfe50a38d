// What libkorvanda.so exports of the record set: the members its callers use and the bulk
// building of readers, not the cell through which the library's engines fill and read it.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

TEST(Exports, RecordsetStoreMembersStayInsideTheLibrary) {
  const std::string path = std::string(KORVANDA_BINARY_DIR) + "/lib/libkorvanda.so";
  if (!std::filesystem::exists(path)) GTEST_SKIP() << path << " is not built";
  std::unique_ptr<void, int (*)(void*)> lib(dlopen(path.c_str(), RTLD_LAZY | RTLD_LOCAL),
                                            dlclose);
  ASSERT_NE(lib, nullptr) << dlerror();
  const struct {
    const char* symbol;
    bool exported;
  } cases[] = {
      {"_ZN8korvanda9Recordset8moveNextEv", true},
      {"_ZNK8korvanda9Recordset5valueEm", true},
      {"_ZNK8korvanda9Recordset7valueAtEmm", true},
      // Bulk building is for readers outside the library too (the CLI's CSV and JSON readers).
      {"_ZN8korvanda9Recordset9appendRowEv", true},
      {"_ZN8korvanda9Recordset9storeTextEmmSt17basic_string_viewIcSt11char_traitsIcEE", true},
      // The cell stays inside.
      {"_ZN8korvanda9Recordset8storeIntEmmlNS_8CellKindE", false},
      {"_ZNK8korvanda9Recordset9toVariantERKNS_4CellE", false},
      {"_ZNK8korvanda9Recordset4textERKNS_4CellE", false},
      {"_ZN8korvanda9Recordset10storeBytesESt17basic_string_viewIcSt11char_traitsIcEES4_", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(dlsym(lib.get(), c.symbol) != nullptr, c.exported) << c.symbol;
}
