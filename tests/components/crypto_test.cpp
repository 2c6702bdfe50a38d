#include <gtest/gtest.h>

#include <openssl/evp.h>

#include "platform/components/connection_data.h"
#include "platform/components/crypto.h"
#include "support/fixture.h"

using namespace korvanda;
using namespace korvanda::components;
using korvanda::testing::errorOf;

namespace {

constexpr int32_t kBadData = -2146893819;
const std::string kKey = kPasswordKey;
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

TEST(Crypto, RoundTripsTextsOfEveryLength) {
  for (std::string plain : std::vector<std::string>{"x", "secreta", "contraseña con ñ y | y '", std::string(1000, 'z')}) {
    std::string sealed = enc(plain);
    EXPECT_NE(sealed, plain);
    EXPECT_EQ(dec(sealed), plain);
    // base64 of nonce(12) + ciphertext + tag(16)
    EXPECT_EQ(bytesOf(sealed).size(), 12 + plain.size() + 16);
    EXPECT_EQ(sealed.find('|'), std::string::npos);
  }
}

TEST(Crypto, EachEncryptionDrawsAFreshNonce) {
  std::string a = enc("same"), b = enc("same");
  EXPECT_NE(a, b);
  EXPECT_EQ(dec(a), dec(b));
}

TEST(Crypto, EmptyTextMapsToEmptyTextBothWays) {
  EXPECT_EQ(enc(""), "");
  EXPECT_EQ(dec(""), "");
}

TEST(Crypto, WrongKeyDoesNotAuthenticate) {
  Error e = errorOf([&] { dec(enc("secreta"), kOtherKey); });
  EXPECT_EQ(e.number(), kBadData);
  EXPECT_EQ(e.source(), "SEGURIDAD.CCrypto");
}

TEST(Crypto, TamperedTextDoesNotAuthenticate) {
  std::string sealed = enc("secreta");
  // Flip one bit in the nonce, the ciphertext and the tag in turn.
  std::vector<unsigned char> raw = bytesOf(sealed);
  for (size_t at : {size_t{0}, size_t{12}, raw.size() - 1}) {
    std::vector<unsigned char> bad = raw;
    bad[at] ^= 0x01;
    std::string b64(4 * ((bad.size() + 2) / 3), '\0');
    EVP_EncodeBlock(reinterpret_cast<unsigned char*>(b64.data()), bad.data(),
                    static_cast<int>(bad.size()));
    EXPECT_EQ(errorOf([&] { dec(b64); }).number(), kBadData) << "byte " << at;
  }
  // Cut short, or not base64 at all.
  EXPECT_EQ(errorOf([&] { dec(sealed.substr(0, 20)); }).number(), kBadData);
  EXPECT_EQ(errorOf([&] { dec("AAAA"); }).number(), kBadData);
  EXPECT_EQ(errorOf([&] { dec("plain password"); }).number(), kBadData);
  EXPECT_EQ(errorOf([&] { dec(sealed + "A"); }).number(), kBadData);
}

TEST(Crypto, BadKeyOrModeIsAnArgumentError) {
  EXPECT_EQ(errorOf([&] { enc("x", kKey.substr(2)); }).number(), 5);
  EXPECT_EQ(errorOf([&] { enc("x", std::string(63, 'a') + "g"); }).number(), 5);
  EXPECT_EQ(errorOf([&] { CCrypto().EncryptDecrypt("x", kKey, true, 2); }).number(), 5);
}

TEST(Crypto, LateBoundCallTakesTheFourArguments) {
  auto crypto = CCrypto::create();
  std::string sealed = enc("pw");
  std::vector<Variant> args{sealed, kKey, false, int16_t{1}};
  EXPECT_EQ(crypto->invoke("EncryptDecrypt", kMethod, args), Variant("pw"));
}

TEST(ConnectionData, SplitsAtEveryBar) {
  EXPECT_EQ(splitFields("a|b|c|d"), (std::vector<std::string>{"a", "b", "c", "d"}));
  EXPECT_EQ(splitFields("a||c|"), (std::vector<std::string>{"a", "", "c", ""}));
  EXPECT_EQ(splitFields(""), (std::vector<std::string>{""}));
  EXPECT_EQ(splitFields("1|2|3|4|5").size(), 5u);
}

TEST(ConnectionData, ValueHoldsTheEncryptedPassword) {
  auto fields = splitFields(connectionValue("sqlite", "usr", "secreta", "/tmp/x.db"));
  ASSERT_EQ(fields.size(), 4u);
  EXPECT_EQ(fields[0], "sqlite");
  EXPECT_EQ(fields[1], "usr");
  EXPECT_EQ(dec(fields[2]), "secreta");
  EXPECT_EQ(fields[3], "/tmp/x.db");
  EXPECT_EQ(splitFields(connectionValue("sqlite", "", "", "/tmp/x.db"))[2], "");
  EXPECT_EQ(errorOf([] { connectionValue("sqlite", "a|b", "", "/tmp/x.db"); }).number(), 5);
  EXPECT_EQ(errorOf([] { connectionValue("sqlite", "", "", "/tmp/x\n.db"); }).number(), 5);
}

}  // namespace
