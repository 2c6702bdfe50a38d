// korvanda crypt encrypt|decrypt TEXT: the password encryption of the registry value.
#include <iostream>

#include "commands.h"
#include "platform/components/connection_data.h"
#include "platform/components/crypto.h"

namespace korvanda::cli {

void addCryptCommand(CLI::App& app) {
  auto* crypt = app.add_subcommand(
      "crypt", "Encrypt or decrypt a text as the connection password is (AES-256-GCM, base64)");
  crypt->require_subcommand(1);
  for (bool encrypt : {true, false}) {
    auto text = std::make_shared<std::string>();
    auto key = std::make_shared<std::string>(components::kPasswordKey);
    auto* cmd = crypt->add_subcommand(encrypt ? "encrypt" : "decrypt",
                                      encrypt ? "Print the encrypted form of TEXT"
                                              : "Print the plain text of an encrypted TEXT");
    cmd->footer(encrypt ? "Each run gives a different text (a fresh nonce); all decrypt the same.\n\n"
                          "Example:\n  korvanda crypt encrypt 'my password'"
                        : "Example:\n  korvanda crypt decrypt 'q3JwZ...'");
    cmd->add_option("TEXT", *text, "The text")->required();
    cmd->add_option("--key", *key, "64 hexadecimal characters (default: the library's key)");
    cmd->callback([text, key, encrypt] {
      runReporting([&] {
        std::cout << components::CCrypto().EncryptDecrypt(*text, *key, encrypt, 1) << "\n";
      });
    });
  }
}

}  // namespace korvanda::cli
