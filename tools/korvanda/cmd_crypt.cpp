// korvanda crypt encrypt|decrypt [TEXT]: the password encryption of the registry value.
#include <iostream>

#include "commands.h"
#include "platform/components/connection_data.h"
#include "platform/components/crypto.h"

namespace korvanda::cli {

void addCryptCommand(CLI::App& app) {
  auto* crypt = app.add_subcommand(
      "crypt", "Encrypt or decrypt a text as the connection password is (AES-256-GCM, base64)");
  crypt->require_subcommand(1);
  crypt->footer(
      "The key is the installation's key file: --key-file, else KORVANDA_KEY_FILE, else\n"
      "registry.key beside the registry file (/etc/korvanda/registry.key).");
  for (bool encrypt : {true, false}) {
    struct Options {
      std::string text, keyFile;
    };
    auto opt = std::make_shared<Options>();
    auto* cmd = crypt->add_subcommand(encrypt ? "encrypt" : "decrypt",
                                      encrypt ? "Print the encrypted form of a text"
                                              : "Print the plain text of an encrypted text");
    cmd->footer(encrypt
                    ? "Without TEXT the text is asked for without echo on a terminal, or read\n"
                      "from standard input. Each run gives a different text (a fresh nonce);\n"
                      "all decrypt the same.\n\n"
                      "Examples:\n  korvanda crypt encrypt\n"
                      "  printf '%s' \"$PASSWORD\" | korvanda crypt encrypt"
                    : "Without TEXT it is read from standard input.\n\n"
                      "Example:\n  korvanda crypt decrypt 'q3JwZ...'");
    cmd->add_option("TEXT", opt->text,
                    encrypt ? "The text (shows in the process list: prefer the prompt or stdin)"
                            : "The encrypted text");
    cmd->add_option("--key-file", opt->keyFile, "Key file (default: the installation's)");
    cmd->callback([opt, cmd, encrypt] {
      runReporting([&] {
        std::string text = opt->text;
        if (cmd->count("TEXT") == 0)
          text = readSecret(encrypt ? "Text to encrypt: " : "Text to decrypt: ");
        else if (encrypt)
          warnSecretArgument("the text", "leave TEXT out to type it or pipe it on standard input");
        const std::string keyFile =
            opt->keyFile.empty() ? components::keyFilePath() : opt->keyFile;
        std::cout << components::CCrypto().EncryptDecrypt(
                         text, components::installationKey(keyFile), encrypt, 1)
                  << "\n";
      });
    });
  }
}

}  // namespace korvanda::cli
