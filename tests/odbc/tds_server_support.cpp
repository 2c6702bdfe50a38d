#include "odbc/tds_server_support.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>

namespace korvanda::testing {
namespace {

using Bytes = std::vector<uint8_t>;

void put16(Bytes& b, uint16_t v) { b.push_back(v & 0xFF); b.push_back(v >> 8); }
void put32(Bytes& b, uint32_t v) { for (int i = 0; i < 4; ++i) b.push_back((v >> (8 * i)) & 0xFF); }
void put64(Bytes& b, uint64_t v) { for (int i = 0; i < 8; ++i) b.push_back((v >> (8 * i)) & 0xFF); }
uint16_t get16(const Bytes& b, size_t at) { return static_cast<uint16_t>(b.at(at) | (b.at(at + 1) << 8)); }
uint32_t get32(const Bytes& b, size_t at) { return get16(b, at) | (static_cast<uint32_t>(get16(b, at + 2)) << 16); }

std::u32string decodeUtf8(const std::string& s) {
  std::u32string out;
  for (size_t i = 0; i < s.size();) {
    auto c = static_cast<unsigned char>(s[i]);
    int n = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    char32_t cp = n == 1 ? c : n == 2 ? c & 0x1F : n == 3 ? c & 0x0F : c & 0x07;
    for (int k = 1; k < n && i + k < s.size(); ++k) cp = (cp << 6) | (s[i + k] & 0x3F);
    out += cp;
    i += n;
  }
  return out;
}

std::string encodeUtf8(const std::u32string& s) {
  std::string out;
  for (char32_t cp : s) {
    if (cp < 0x80) out += static_cast<char>(cp);
    else if (cp < 0x800) { out += static_cast<char>(0xC0 | (cp >> 6)); out += static_cast<char>(0x80 | (cp & 0x3F)); }
    else if (cp < 0x10000) { out += static_cast<char>(0xE0 | (cp >> 12)); out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F)); out += static_cast<char>(0x80 | (cp & 0x3F)); }
    else { out += static_cast<char>(0xF0 | (cp >> 18)); out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F)); out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F)); out += static_cast<char>(0x80 | (cp & 0x3F)); }
  }
  return out;
}

Bytes utf16(const std::string& s) {
  Bytes b;
  for (char32_t cp : decodeUtf8(s)) {
    if (cp >= 0x10000) {
      cp -= 0x10000;
      put16(b, static_cast<uint16_t>(0xD800 + (cp >> 10)));
      put16(b, static_cast<uint16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      put16(b, static_cast<uint16_t>(cp));
    }
  }
  return b;
}

std::string fromUtf16(const Bytes& b, size_t at, size_t chars) {
  std::u32string s;
  for (size_t i = 0; i < chars; ++i) {
    char32_t u = get16(b, at + 2 * i);
    if (u >= 0xD800 && u < 0xDC00 && i + 1 < chars) {
      char32_t lo = get16(b, at + 2 * ++i);
      u = 0x10000 + ((u - 0xD800) << 10) + (lo - 0xDC00);
    }
    s += u;
  }
  return encodeUtf8(s);
}

// Latin-1 letters are CP1252's bytes; the server's collation is CP1252.
Bytes cp1252(const std::string& s) {
  Bytes b;
  for (char32_t cp : decodeUtf8(s)) b.push_back(cp < 0x100 ? static_cast<uint8_t>(cp) : '?');
  return b;
}

void bVarchar(Bytes& b, const std::string& s) {
  Bytes u = utf16(s);
  b.push_back(static_cast<uint8_t>(u.size() / 2));
  b.insert(b.end(), u.begin(), u.end());
}
void usVarchar(Bytes& b, const std::string& s) {
  Bytes u = utf16(s);
  put16(b, static_cast<uint16_t>(u.size() / 2));
  b.insert(b.end(), u.begin(), u.end());
}

const uint8_t kCollation[5] = {0x09, 0x04, 0xD0, 0x00, 0x34};  // SQL_Latin1_General_CP1_CI_AS

void done(Bytes& b, uint16_t status, uint64_t count, uint16_t command = 0xC1) {
  b.push_back(0xFD);
  put16(b, status);
  put16(b, command);
  put64(b, count);
}

void errorToken(Bytes& b, int32_t number, const std::string& message, uint8_t severity) {
  Bytes body;
  put32(body, static_cast<uint32_t>(number));
  body.push_back(1);  // state
  body.push_back(severity);
  usVarchar(body, message);
  bVarchar(body, "FAKESQL");
  bVarchar(body, "");
  put32(body, 1);
  b.push_back(0xAA);
  put16(b, static_cast<uint16_t>(body.size()));
  b.insert(b.end(), body.begin(), body.end());
}

// Scaled integer of a decimal text ("-123.4" with scale 2 is -12340).
__int128 scaled(const std::string& text, int scale) {
  bool negative = !text.empty() && text[0] == '-';
  __int128 v = 0;
  int decimals = -1;
  for (char c : text) {
    if (c == '.') { decimals = 0; continue; }
    if (c < '0' || c > '9') continue;
    if (decimals >= scale) break;
    v = v * 10 + (c - '0');
    if (decimals >= 0) ++decimals;
  }
  for (int d = decimals < 0 ? 0 : decimals; d < scale; ++d) v *= 10;
  return negative ? -v : v;
}

int64_t daysFromCivil(int y, int m, int d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

uint8_t decimalBytes(uint8_t precision) {
  return precision <= 9 ? 5 : precision <= 19 ? 9 : precision <= 28 ? 13 : 17;
}

void columnMetadata(Bytes& b, const std::vector<FakeTdsServer::Column>& columns) {
  using T = FakeTdsServer::Type;
  b.push_back(0x81);
  put16(b, static_cast<uint16_t>(columns.size()));
  for (const auto& c : columns) {
    put32(b, 0);       // user type
    put16(b, 0x0009);  // nullable, updatable unknown
    switch (c.type) {
      case T::TinyInt: b.push_back(0x26); b.push_back(1); break;
      case T::SmallInt: b.push_back(0x26); b.push_back(2); break;
      case T::Int: b.push_back(0x26); b.push_back(4); break;
      case T::BigInt: b.push_back(0x26); b.push_back(8); break;
      case T::Bit: b.push_back(0x68); b.push_back(1); break;
      case T::Float: b.push_back(0x6D); b.push_back(8); break;
      case T::Money: b.push_back(0x6E); b.push_back(8); break;
      case T::Decimal:
        b.push_back(0x6A);
        b.push_back(decimalBytes(c.precision));
        b.push_back(c.precision);
        b.push_back(c.scale);
        break;
      case T::DateTime: b.push_back(0x6F); b.push_back(8); break;
      case T::VarChar: case T::Char: case T::NVarChar:
        b.push_back(c.type == T::VarChar ? 0xA7 : c.type == T::Char ? 0xAF : 0xE7);
        put16(b, static_cast<uint16_t>(c.type == T::NVarChar ? 2 * c.length : c.length));
        b.insert(b.end(), kCollation, kCollation + 5);
        break;
    }
    bVarchar(b, c.name);
  }
}

void rowToken(Bytes& b, const std::vector<FakeTdsServer::Column>& columns,
              const FakeTdsServer::Row& row) {
  using T = FakeTdsServer::Type;
  b.push_back(0xD1);
  for (size_t i = 0; i < columns.size(); ++i) {
    const auto& c = columns[i];
    const auto& v = row.at(i);
    bool text = c.type == T::VarChar || c.type == T::Char || c.type == T::NVarChar;
    if (!v) {
      if (text) put16(b, 0xFFFF); else b.push_back(0);
      continue;
    }
    switch (c.type) {
      case T::TinyInt: b.push_back(1); b.push_back(static_cast<uint8_t>(std::stoi(*v))); break;
      case T::SmallInt: b.push_back(2); put16(b, static_cast<uint16_t>(std::stoi(*v))); break;
      case T::Int: b.push_back(4); put32(b, static_cast<uint32_t>(std::stol(*v))); break;
      case T::BigInt: b.push_back(8); put64(b, static_cast<uint64_t>(std::stoll(*v))); break;
      case T::Bit: b.push_back(1); b.push_back(*v == "1" ? 1 : 0); break;
      case T::Float: {
        double d = std::stod(*v);
        uint64_t bits;
        std::memcpy(&bits, &d, 8);
        b.push_back(8);
        put64(b, bits);
        break;
      }
      case T::Money: {
        auto m = static_cast<int64_t>(scaled(*v, 4));
        b.push_back(8);
        put32(b, static_cast<uint32_t>(static_cast<uint64_t>(m) >> 32));
        put32(b, static_cast<uint32_t>(static_cast<uint64_t>(m) & 0xFFFFFFFF));
        break;
      }
      case T::Decimal: {
        __int128 m = scaled(*v, c.scale);
        uint8_t len = decimalBytes(c.precision);
        b.push_back(len);
        b.push_back(m < 0 ? 0 : 1);
        unsigned __int128 mag = static_cast<unsigned __int128>(m < 0 ? -m : m);
        for (int k = 0; k < len - 1; ++k) b.push_back(static_cast<uint8_t>(mag >> (8 * k)));
        break;
      }
      case T::DateTime: {
        int y, mo, d, h = 0, mi = 0, s = 0;
        std::sscanf(v->c_str(), "%d-%d-%d %d:%d:%d", &y, &mo, &d, &h, &mi, &s);
        b.push_back(8);
        put32(b, static_cast<uint32_t>(daysFromCivil(y, mo, d) - daysFromCivil(1900, 1, 1)));
        put32(b, static_cast<uint32_t>((h * 3600 + mi * 60 + s) * 300));
        break;
      }
      case T::VarChar: case T::Char: {
        Bytes data = cp1252(*v);
        if (c.type == T::Char) data.resize(c.length, ' ');
        put16(b, static_cast<uint16_t>(data.size()));
        b.insert(b.end(), data.begin(), data.end());
        break;
      }
      case T::NVarChar: {
        Bytes data = utf16(*v);
        put16(b, static_cast<uint16_t>(data.size()));
        b.insert(b.end(), data.begin(), data.end());
        break;
      }
    }
  }
}

bool readAll(int fd, uint8_t* p, size_t n) {
  while (n > 0) {
    ssize_t got = ::recv(fd, p, n, 0);
    if (got <= 0) return false;
    p += got;
    n -= static_cast<size_t>(got);
  }
  return true;
}

// One client message (its packets joined); false when the client went away.
bool readMessage(int fd, uint8_t& type, Bytes& payload) {
  payload.clear();
  for (;;) {
    uint8_t header[8];
    if (!readAll(fd, header, 8)) return false;
    size_t length = (header[2] << 8) | header[3];
    if (length < 8) return false;
    size_t at = payload.size();
    payload.resize(at + length - 8);
    if (!readAll(fd, payload.data() + at, length - 8)) return false;
    type = header[0];
    if (header[1] & 0x01) return true;
  }
}

void sendMessage(int fd, uint8_t type, const Bytes& payload) {
  const size_t kMax = 4096 - 8;
  uint8_t id = 1;
  size_t at = 0;
  do {
    size_t n = std::min(kMax, payload.size() - at);
    Bytes packet = {type, static_cast<uint8_t>(at + n == payload.size() ? 1 : 0),
                    static_cast<uint8_t>((n + 8) >> 8), static_cast<uint8_t>((n + 8) & 0xFF),
                    0, 0, id++, 0};
    packet.insert(packet.end(), payload.begin() + static_cast<long>(at),
                  payload.begin() + static_cast<long>(at + n));
    ::send(fd, packet.data(), packet.size(), MSG_NOSIGNAL);
    at += n;
  } while (at < payload.size());
}

std::string loginString(const Bytes& p, size_t offsetAt) {
  return fromUtf16(p, get16(p, offsetAt), get16(p, offsetAt + 2));
}

}  // namespace

FakeTdsServer::FakeTdsServer(std::string user, std::string password, bool silent)
    : user_(std::move(user)), password_(std::move(password)), silent_(silent) {
  listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      ::listen(listener_, 8) != 0)
    throw std::runtime_error("the fake server cannot listen");
  socklen_t len = sizeof addr;
  ::getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len);
  port_ = ntohs(addr.sin_port);
  acceptor_ = std::thread([this] { acceptLoop(); });
}

FakeTdsServer::~FakeTdsServer() {
  stopping_ = true;
  acceptor_.join();
  {
    std::lock_guard lock(mutex_);
    for (int fd : clients_) ::shutdown(fd, SHUT_RDWR);
  }
  for (auto& t : threads_) t.join();
  for (int fd : clients_) ::close(fd);
  ::close(listener_);
}

void FakeTdsServer::answer(const std::string& sql, Answer a) {
  std::lock_guard lock(mutex_);
  answers_[sql] = std::move(a);
}

std::vector<std::string> FakeTdsServer::batches() const {
  std::lock_guard lock(mutex_);
  return batches_;
}

std::optional<FakeTdsServer::Answer> FakeTdsServer::answerFor(const std::string& sql) const {
  std::lock_guard lock(mutex_);
  auto it = answers_.find(sql);
  if (it == answers_.end()) return std::nullopt;
  return it->second;
}

void FakeTdsServer::acceptLoop() {
  while (!stopping_) {
    pollfd p{listener_, POLLIN, 0};
    if (::poll(&p, 1, 50) <= 0) continue;
    int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    std::lock_guard lock(mutex_);
    clients_.push_back(fd);
    threads_.emplace_back([this, fd] { serve(fd); });
  }
}

void FakeTdsServer::serve(int fd) {
  uint8_t type = 0;
  Bytes in;
  bool loggedIn = false;
  while (readMessage(fd, type, in)) {
    if (silent_) continue;
    Bytes out;
    if (type == 0x12) {  // PRELOGIN: version, and no encryption
      out = {0x00, 0, 11, 0, 6, 0x01, 0, 17, 0, 1, 0xFF, 0x0F, 0x00, 0x07, 0xD0, 0x00, 0x00, 0x02};
    } else if (type == 0x10) {  // LOGIN7
      std::string user = loginString(in, 40);
      Bytes pw(in.begin() + get16(in, 44), in.begin() + get16(in, 44) + 2 * get16(in, 46));
      for (auto& byte : pw) {
        byte ^= 0xA5;
        byte = static_cast<uint8_t>((byte << 4) | (byte >> 4));
      }
      std::string password = fromUtf16(pw, 0, pw.size() / 2);
      std::string database = loginString(in, 68);
      if (user != user_ || password != password_) {
        errorToken(out, 18456, "Login failed for user '" + user + "'.", 14);
        done(out, 0x0002, 0, 0);
        sendMessage(fd, 0x04, out);
        break;
      }
      ++logins_;
      loggedIn = true;
      Bytes env;
      env.push_back(1);
      bVarchar(env, database.empty() ? "master" : database);
      bVarchar(env, "master");
      out.push_back(0xE3);
      put16(out, static_cast<uint16_t>(env.size()));
      out.insert(out.end(), env.begin(), env.end());
      Bytes ack = {1, 0x74, 0x00, 0x00, 0x04};
      bVarchar(ack, "Microsoft SQL Server");
      ack.insert(ack.end(), {0x0F, 0x00, 0x07, 0xD0});
      out.push_back(0xAD);
      put16(out, static_cast<uint16_t>(ack.size()));
      out.insert(out.end(), ack.begin(), ack.end());
      done(out, 0, 0, 0);
    } else if (!loggedIn) {
      break;
    } else if (type == 0x01) {  // SQL batch after its headers
      uint32_t headers = get32(in, 0);
      std::string sql = fromUtf16(in, headers, (in.size() - headers) / 2);
      {
        std::lock_guard lock(mutex_);
        batches_.push_back(sql);
      }
      auto a = answerFor(sql);
      if (a && a->dropLink) break;
      if (a && a->hang) continue;
      if (!a || a->parts.empty()) done(out, 0, 0, 0);
      for (size_t i = 0; a && i < a->parts.size(); ++i) {
        uint16_t more = i + 1 < a->parts.size() ? 0x0001 : 0;
        const auto& part = a->parts[i];
        if (auto rs = std::get_if<ResultSet>(&part)) {
          columnMetadata(out, rs->columns);
          for (const auto& row : rs->rows) rowToken(out, rs->columns, row);
          done(out, 0x0010 | more, rs->rows.size());
        } else if (auto rc = std::get_if<RowCount>(&part)) {
          done(out, 0x0010 | more, static_cast<uint64_t>(rc->count), 0xC3);
        } else if (auto err = std::get_if<ServerError>(&part)) {
          errorToken(out, err->number, err->message, err->severity);
          done(out, 0x0002 | more, 0);
        }
      }
    } else if (type == 0x0E) {  // transaction manager: begin, commit, rollback
      uint32_t headers = get32(in, 0);
      uint16_t request = get16(in, headers);
      Bytes env;
      const Bytes descriptor = {1, 0, 0, 0, 0, 0, 0, 0};
      if (request == 5) {
        env = {8, 8};
        env.insert(env.end(), descriptor.begin(), descriptor.end());
        env.push_back(0);
      } else {
        env = {static_cast<uint8_t>(request == 7 ? 9 : 10), 0, 8};
        env.insert(env.end(), descriptor.begin(), descriptor.end());
      }
      out.push_back(0xE3);
      put16(out, static_cast<uint16_t>(env.size()));
      out.insert(out.end(), env.begin(), env.end());
      done(out, 0, 0, 0);
      std::lock_guard lock(mutex_);
      batches_.push_back(request == 5 ? "<begin>" : request == 7 ? "<commit>" : "<rollback>");
    } else if (type == 0x06) {  // attention
      done(out, 0x0020, 0, 0);
    } else {
      done(out, 0, 0, 0);
    }
    sendMessage(fd, 0x04, out);
  }
  ::shutdown(fd, SHUT_RDWR);
}

}  // namespace korvanda::testing
