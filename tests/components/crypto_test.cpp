#include <gtest/gtest.h>

#include <openssl/evp.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <fstream>

#include "components/connection_data.h"
#include "components/crypto.h"
#include "support/fixture.h"

using namespace korvanda;
using namespace korvanda::components;
using korvanda::testing::errorOf;
using korvanda::testing::TempDir;

namespace {

constexpr int32_t kBadData = -2146893819;
const std::string kKey = "5e1f0c9a7b3d2e4f6a8c0b1d3e5f7a9c2b4d6e8f0a1c3e5b7d9f1a3c5e7b9d2f";
const std::string kOtherKey(64, 'a');

std::string enc(const std::string& text, const std::string& key = kKey) {
  return CCrypto().EncryptDecrypt(text, key, true, 1);
}
std::string dec(const std::string& text, const std::string& key = kKey) {
  return CCrypto().EncryptDecrypt(text, key, false, 1);
}

std::vector<unsigned char> bytesOf(const std::string& b64) {
  std::vector<unsigned char> out(b64.size());
  int n = EVP_DecodeBlock(out.data(), reinterpret_cast<const unsigned char*>(b64.data()),
                          static_cast<int>(b64.size()));
  out.resize(static_cast<size_t>(n) - std::count(b64.end() - 2, b64.end(), '='));
  return out;
}

// Base64 of nonce (12 bytes), ciphertext and tag (16 bytes); the empty text stays empty.
TEST(Crypto, RoundTripsTextsOfEveryLengthWithAFreshNonceEachTime) {
  for (std::string plain : std::vector<std::string>{"x", "secreta", "contraseña con ñ y | y '",
                                                    std::string(1000, 'z')}) {
    std::string sealed = enc(plain);
    EXPECT_NE(sealed, enc(plain));
    EXPECT_EQ(dec(sealed), plain);
    EXPECT_EQ(bytesOf(sealed).size(), 12 + plain.size() + 16);
    EXPECT_EQ(sealed.find('|'), std::string::npos);
  }
  EXPECT_EQ(enc(""), "");
  EXPECT_EQ(dec(""), "");
}

// What does not authenticate is bad data; a bad key or mode is an argument error; a key file
// that is missing or holds anything but a key is an error naming the file.
TEST(Crypto, RefusesWhatDoesNotDecryptAndKeyFilesThatHoldNoKey) {
  const std::string sealed = enc("secreta");
  // One bit flipped in the nonce, the ciphertext and the tag.
  auto flipped = [&](size_t at) {
    std::vector<unsigned char> bad = bytesOf(sealed);
    bad[at == SIZE_MAX ? bad.size() - 1 : at] ^= 0x01;
    std::string b64(4 * ((bad.size() + 2) / 3), '\0');
    EVP_EncodeBlock(reinterpret_cast<unsigned char*>(b64.data()), bad.data(), static_cast<int>(bad.size()));
    return b64;
  };
  TempDir dir;
  const std::string hex(64, 'c'), file = (dir.path() / "registry.key").string();
  auto keyFile = [&](std::optional<std::string> content) {
    return [&, content] {
      std::filesystem::remove(file);
      if (content) std::ofstream(file, std::ios::binary) << *content;
      EXPECT_EQ(installationKey(file).size(), 64u);
    };
  };
  const std::vector<std::tuple<const char*, std::function<void()>, int32_t>> cases = {
      {"wrong key", [&] { dec(sealed, kOtherKey); }, kBadData},
      {"nonce", [&] { dec(flipped(0)); }, kBadData},
      {"ciphertext", [&] { dec(flipped(12)); }, kBadData},
      {"tag", [&] { dec(flipped(SIZE_MAX)); }, kBadData},
      {"cut short", [&] { dec(sealed.substr(0, 20)); }, kBadData},
      {"too short", [&] { dec("AAAA"); }, kBadData},
      {"not Base64", [&] { dec("plain password"); }, kBadData},
      {"one character more", [&] { dec(sealed + "A"); }, kBadData},
      {"short key", [&] { enc("x", kKey.substr(2)); }, 5},
      {"key not hex", [&] { enc("x", std::string(63, 'a') + "g"); }, 5},
      {"mode 2", [&] { CCrypto().EncryptDecrypt("x", kKey, true, 2); }, 5},
      {"key file missing", keyFile(std::nullopt), 53},
      {"key file empty", keyFile(""), 321},
      {"key file short", keyFile(hex.substr(1)), 321},
      {"key file long", keyFile(hex + "c"), 321},
      {"key file not hex", keyFile("g" + hex.substr(1)), 321},
      {"key file of two lines", keyFile(hex + "\n" + hex + "\n"), 321},
      {"key file blank inside", keyFile(hex.substr(2) + " c"), 321},
      {"key file a key", keyFile(hex), 0},
      {"key file a key and LF", keyFile(hex + "\n"), 0},
      {"key file a key and CR LF", keyFile(hex + "\r\n"), 0},
      {"key file upper case", keyFile(std::string(64, 'C')), 0},
      {"key file a directory",
       [&] {
         std::filesystem::remove(file);
         std::filesystem::create_directory(file);
         installationKey(file);
       },
       75},
      {"key file a pipe (refused, not waited on)",
       [&] {
         std::filesystem::remove(file);
         ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0);
         installationKey(file);
       },
       75},
  };
  for (const auto& [what, call, number] : cases) {
    SCOPED_TRACE(what);
    const Error e = korvanda::testing::raised(call);
    EXPECT_EQ(e.number(), number);
    if (number == 0) continue;
    EXPECT_EQ(e.source(), "SEGURIDAD.CCrypto");
    if (std::string_view(what).starts_with("key file")) {
      EXPECT_NE(e.description().find(file), std::string::npos) << e.description();
    }
  }
}

TEST(Crypto, LateBoundCallTakesTheFourArguments) {
  auto crypto = CCrypto::create();
  std::string sealed = enc("pw");
  std::vector<Variant> args{sealed, kKey, false, int16_t{1}};
  EXPECT_EQ(crypto->invoke("EncryptDecrypt", kMethod, args), Variant("pw"));
}

TEST(ConnectionData, ValueHoldsTheEncryptedPassword) {
  auto fields = splitFields(connectionValue("sqlite", "usr", "secreta", "/tmp/x.db", kKey));
  ASSERT_EQ(fields.size(), 4u);
  EXPECT_EQ(fields, (std::vector<std::string>{"sqlite", "usr", fields[2], "/tmp/x.db"}));
  EXPECT_EQ(dec(fields[2]), "secreta");
  EXPECT_EQ(splitFields(connectionValue("sqlite", "", "", "/tmp/x.db", kKey))[2], "");
  EXPECT_EQ(errorOf([] { connectionValue("sqlite", "a|b", "", "/tmp/x.db", kKey); }).number(), 5);
  EXPECT_EQ(errorOf([] { connectionValue("sqlite", "", "", "/tmp/x\n.db", kKey); }).number(), 5);
}

TEST(KeyFile, CreatedOnceOwnerOnlyAndNeverReplaced) {
  TempDir dir;
  const std::string a = (dir.path() / "sub" / "a.key").string(), b = (dir.path() / "b.key").string();
  ASSERT_TRUE(createKeyFile(a));
  struct stat st {};
  ASSERT_EQ(::stat(a.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0600u);
  const std::string key = installationKey(a);
  EXPECT_EQ(key.size(), 64u);
  EXPECT_EQ(key.find_first_not_of("0123456789abcdef"), std::string::npos);
  EXPECT_FALSE(createKeyFile(a));
  EXPECT_EQ(installationKey(a), key);
  ASSERT_TRUE(createKeyFile(b));
  EXPECT_NE(installationKey(b), key);  // each installation its own key
  std::ofstream(b, std::ios::trunc) << "not a key";
  EXPECT_FALSE(createKeyFile(b));  // a malformed file is reported when read, not replaced
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                          std::filesystem::directory_iterator()),
            2);  // no temporary file left
}

}  // namespace
