// korvanda crypt encrypt|decrypt [TEXT]: the password encryption of the registry value.
#include <iostream>
#include <memory>

#include "commands.h"
#include "korvanda/administration.h"

namespace korvanda::cli {

Command cryptCommand() {
  Command crypt{"crypt",
                "Encrypt or decrypt a text as the connection password is (AES-256-GCM, base64)"};
  crypt.requireSubcommand = true;
  crypt.footer =
      "The key is the installation's key file: --key-file, else KORVANDA_KEY_FILE, else\n"
      "registry.key beside the registry file (/etc/korvanda/registry.key).";
  for (bool encrypt : {true, false}) {
    struct Options {
      std::string text, keyFile;
      bool textGiven = false;
    };
    auto opt = std::make_shared<Options>();
    Command& cmd = crypt.subcommand(encrypt ? "encrypt" : "decrypt",
                                   encrypt ? "Print the encrypted form of a text"
                                           : "Print the plain text of an encrypted text");
    cmd.footer = (encrypt
                    ? "Without TEXT the text is asked for without echo on a terminal, or read\n"
                      "from standard input. Each run gives a different text (a fresh nonce);\n"
                      "all decrypt the same.\n\n"
                      "Examples:\n  korvanda crypt encrypt\n"
                      "  printf '%s' \"$PASSWORD\" | korvanda crypt encrypt"
                    : "Without TEXT it is read from standard input.\n\n"
                      "Example:\n  korvanda crypt decrypt 'q3JwZ...'");
    cmd.option("TEXT", &opt->text,
               encrypt ? "The text (shows in the process list: prefer the prompt or stdin)"
                       : "The encrypted text")
        .reportGiven(&opt->textGiven);
    cmd.option("--key-file", &opt->keyFile, "Key file (default: the installation's)");
    cmd.run = [opt, encrypt] {
      runReporting([&] {
        std::string text = opt->text;
        if (!opt->textGiven)
          text = readSecret(encrypt ? "Text to encrypt: " : "Text to decrypt: ");
        else if (encrypt)
          warnSecretArgument("the text", "leave TEXT out to type it or pipe it on standard input");
        const std::string keyFile =
            opt->keyFile.empty() ? keyFilePath(registryFilePath()) : opt->keyFile;
        std::cout << (encrypt ? encryptWithKeyFile(text, keyFile) : decryptWithKeyFile(text, keyFile))
                  << "\n";
      });
    };
  }
  return crypt;
}

}  // namespace korvanda::cli
