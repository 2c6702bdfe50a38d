// "SEGURIDAD.CCrypto": text encryption with AES-256-GCM.
//
// The key is 64 hexadecimal characters (32 bytes). Mode 1 writes the encrypted text as base64
// of nonce (12 bytes) + ciphertext + tag (16 bytes); each encryption draws a fresh nonce.
// The empty text maps to the empty text both ways.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "korvanda/dispatch.h"

namespace korvanda::components {

inline constexpr const char* kCryptoProgId = "SEGURIDAD.CCrypto";
// NTE_BAD_DATA: what the platform's crypto answers for data that does not decrypt.
inline constexpr int32_t kCryptoBadData = -2146893819;

class CCrypto : public Dispatchable {
 public:
  static std::shared_ptr<CCrypto> create() { return std::make_shared<CCrypto>(); }
  const DispatchTable& dispatchTable() const override;

  // encrypt true: plain text -> encrypted text; false: encrypted text -> plain text.
  // Errors: a bad key or mode (5), a text that is not base64 or does not authenticate with
  // the key (bad data).
  std::string EncryptDecrypt(const std::string& text, const std::string& key, bool encrypt,
                             int16_t mode) const;
};

}  // namespace korvanda::components
