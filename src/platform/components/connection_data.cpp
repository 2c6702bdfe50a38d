#include "platform/components/connection_data.h"

#include "korvanda/error.h"
#include "platform/components/crypto.h"

namespace korvanda::components {

std::vector<std::string> splitFields(std::string_view value) {
  std::vector<std::string> fields;
  for (;;) {
    size_t bar = value.find('|');
    fields.emplace_back(value.substr(0, bar));
    if (bar == std::string_view::npos) return fields;
    value.remove_prefix(bar + 1);
  }
}

std::string connectionValue(const std::string& server, const std::string& user,
                            const std::string& plainPassword, const std::string& database) {
  auto check = [](const std::string& field, const char* what) {
    if (field.find_first_of("|\r\n") != std::string::npos)
      throw errors::invalidArgument(std::string("the ") + what +
                                    " cannot hold \"|\" or a line break");
  };
  check(server, "server");
  check(user, "user");
  check(database, "database");
  // The encrypted password is base64, so it never holds "|".
  std::string secret = CCrypto().EncryptDecrypt(plainPassword, kPasswordKey, true, 1);
  return server + "|" + user + "|" + secret + "|" + database;
}

}  // namespace korvanda::components
