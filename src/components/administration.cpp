// The registry file, the key file and the password encryption, for the public administration
// functions.
#include "korvanda/administration.h"
#include "components/connection_data.h"
#include "components/connector.h"
#include "components/crypto.h"
#include "components/registry.h"

namespace korvanda {
namespace {
std::string withKeyFile(const std::string& text, const std::string& keyFile, bool encrypt) {
  return components::CCrypto().EncryptDecrypt(text, components::installationKey(keyFile),
                                              encrypt, 1);
}
}  // namespace

std::string registryFilePath() { return components::registryFilePath(); }

std::string keyFilePath(const std::string& registryFile) {
  return components::keyFilePath(registryFile);
}

bool createKeyFile(const std::string& keyFile) { return components::createKeyFile(keyFile); }

bool isEmbeddedServer(std::string_view server) {
  return components::isEmbeddedServer(std::string(server));
}

void writeConnectionData(const std::string& registryFile, const std::string& server,
                         const std::string& user, const std::string& password,
                         const std::string& database, const std::string& keyFile) {
  components::setRegistryValue(
      registryFile, components::kConnectionRoot, components::kConnectionKey,
      components::kConnectionValueName,
      components::connectionValue(server, user, password, database,
                                  components::installationKey(keyFile)));
}

std::vector<std::string> readConnectionData(const std::string& registryFile) {
  return components::splitFields(components::cls_Registry(registryFile).GetRegValue(
      components::kConnectionRoot, components::kConnectionKey, components::kConnectionValueName));
}

std::string encryptWithKeyFile(const std::string& text, const std::string& keyFile) {
  return withKeyFile(text, keyFile, true);
}

std::string decryptWithKeyFile(const std::string& text, const std::string& keyFile) {
  return withKeyFile(text, keyFile, false);
}

}  // namespace korvanda
