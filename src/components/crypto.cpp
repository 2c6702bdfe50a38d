#include "components/crypto.h"

#include <openssl/evp.h>
#include <openssl/rand.h>

#include <array>
#include <memory>
#include <vector>

#include "korvanda/error.h"
#include "core/binder.h"

namespace korvanda::components {
namespace {

constexpr const char* kSource = kCryptoProgId;
constexpr int32_t kBadData = kCryptoBadData;
constexpr size_t kNonce = 12, kTag = 16, kKey = 32;

using Key = std::array<unsigned char, kKey>;
struct CtxFree {
  void operator()(EVP_CIPHER_CTX* c) const { EVP_CIPHER_CTX_free(c); }
};
using Ctx = std::unique_ptr<EVP_CIPHER_CTX, CtxFree>;

Error badArgument(const std::string& why) {
  return Error(5, kSource, "Invalid procedure call or argument: " + why);
}
Error badData(const std::string& why) { return Error(kBadData, kSource, "Bad Data: " + why); }
Error cryptoFailure() {
  return Error(kBadData, kSource, "The encryption library failed (OpenSSL)");
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

Key parseKey(const std::string& hex) {
  Key key{};
  if (hex.size() != 2 * kKey)
    throw badArgument("the key must be 64 hexadecimal characters, not " +
                      std::to_string(hex.size()));
  for (size_t i = 0; i < kKey; ++i) {
    int hi = hexDigit(hex[2 * i]), lo = hexDigit(hex[2 * i + 1]);
    if (hi < 0 || lo < 0) throw badArgument("the key must be hexadecimal");
    key[i] = static_cast<unsigned char>(hi * 16 + lo);
  }
  return key;
}

std::string base64(const std::vector<unsigned char>& bytes) {
  std::string out(4 * ((bytes.size() + 2) / 3) + 1, '\0');
  int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()), bytes.data(),
                          static_cast<int>(bytes.size()));
  out.resize(static_cast<size_t>(n));
  return out;
}

// Strict base64: the alphabet, length a multiple of 4, padding only at the end.
std::vector<unsigned char> unbase64(const std::string& text) {
  auto isAlpha = [](char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
           c == '+' || c == '/';
  };
  if (text.size() % 4 != 0) throw badData("the encrypted text is not base64");
  size_t pad = 0;
  while (pad < 2 && pad < text.size() && text[text.size() - 1 - pad] == '=') ++pad;
  for (size_t i = 0; i < text.size() - pad; ++i)
    if (!isAlpha(text[i])) throw badData("the encrypted text is not base64");
  std::vector<unsigned char> out(3 * (text.size() / 4));
  int n = EVP_DecodeBlock(out.data(), reinterpret_cast<const unsigned char*>(text.data()),
                          static_cast<int>(text.size()));
  if (n < 0) throw badData("the encrypted text is not base64");
  out.resize(static_cast<size_t>(n) - pad);
  return out;
}

std::string seal(const std::string& plain, const Key& key) {
  std::vector<unsigned char> out(kNonce + plain.size() + kTag);
  if (RAND_bytes(out.data(), static_cast<int>(kNonce)) != 1) throw cryptoFailure();
  Ctx ctx(EVP_CIPHER_CTX_new());
  int len = 0;
  if (!ctx || EVP_EncryptInit_ex(ctx.get(), EVP_aes_256_gcm(), nullptr, key.data(), out.data()) != 1 ||
      EVP_EncryptUpdate(ctx.get(), out.data() + kNonce, &len,
                        reinterpret_cast<const unsigned char*>(plain.data()),
                        static_cast<int>(plain.size())) != 1 ||
      EVP_EncryptFinal_ex(ctx.get(), out.data() + kNonce + len, &len) != 1 ||
      EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_GET_TAG, static_cast<int>(kTag),
                          out.data() + kNonce + plain.size()) != 1)
    throw cryptoFailure();
  return base64(out);
}

std::string unseal(const std::string& text, const Key& key) {
  std::vector<unsigned char> in = unbase64(text);
  if (in.size() < kNonce + kTag) throw badData("the encrypted text is too short");
  const size_t n = in.size() - kNonce - kTag;
  std::string plain(n, '\0');
  auto* out = reinterpret_cast<unsigned char*>(plain.data());
  Ctx ctx(EVP_CIPHER_CTX_new());
  int len = 0;
  if (!ctx || EVP_DecryptInit_ex(ctx.get(), EVP_aes_256_gcm(), nullptr, key.data(), in.data()) != 1 ||
      EVP_DecryptUpdate(ctx.get(), out, &len, in.data() + kNonce, static_cast<int>(n)) != 1 ||
      EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_SET_TAG, static_cast<int>(kTag),
                          in.data() + kNonce + n) != 1)
    throw cryptoFailure();
  if (EVP_DecryptFinal_ex(ctx.get(), out + len, &len) != 1)
    throw badData("the encrypted text does not authenticate with this key");
  return plain;
}

}  // namespace

std::string CCrypto::EncryptDecrypt(const std::string& text, const std::string& key,
                                    bool encrypt, int16_t mode) const {
  if (mode != 1) throw badArgument("unknown mode " + std::to_string(mode) + " (only 1)");
  Key k = parseKey(key);
  if (text.empty()) return {};
  return encrypt ? seal(text, k) : unseal(text, k);
}

const DispatchTable& CCrypto::dispatchTable() const {
  static const DispatchTable table(kCryptoProgId,
                                   {binder::method("EncryptDecrypt", &CCrypto::EncryptDecrypt)});
  return table;
}

}  // namespace korvanda::components
