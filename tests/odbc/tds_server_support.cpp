#include "odbc/tds_server_support.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <iconv.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <stdexcept>

#include "support/fixture.h"

namespace korvanda::testing {
namespace {

using Bytes = std::vector<uint8_t>;

std::string converted(const std::string& in, const char* to, const char* from) {
  iconv_t cd = ::iconv_open(to, from);
  std::string out(4 * in.size() + 4, '\0');
  char* src = const_cast<char*>(in.data());
  char* dst = out.data();
  size_t left = in.size(), room = out.size();
  ::iconv(cd, &src, &left, &dst, &room);
  ::iconv_close(cd);
  out.resize(out.size() - room);
  return out;
}

// Little-endian, n bytes.
void put(Bytes& b, uint64_t v, int n) {
  for (int i = 0; i < n; ++i) b.push_back((v >> (8 * i)) & 0xFF);
}
void putText(Bytes& b, const std::string& s) { b.insert(b.end(), s.begin(), s.end()); }
uint16_t get16(const Bytes& b, size_t at) { return static_cast<uint16_t>(b.at(at) | (b.at(at + 1) << 8)); }

std::string utf16(const std::string& s) { return converted(s, "UTF-16LE", "UTF-8"); }
std::string fromUtf16(const Bytes& b, size_t at, size_t chars) {
  return converted(std::string(b.begin() + static_cast<long>(at), b.begin() + static_cast<long>(at + 2 * chars)),
                   "UTF-8", "UTF-16LE");
}

// A text with its length in characters, in one byte (B_VARCHAR) or two (US_VARCHAR).
void varchar(Bytes& b, const std::string& s, bool wide = false) {
  std::string u = utf16(s);
  if (wide) put(b, u.size() / 2, 2);
  else b.push_back(static_cast<uint8_t>(u.size() / 2));
  putText(b, u);
}

// A token of type `type` with a two-byte length.
void token(Bytes& b, uint8_t type, const Bytes& body) {
  b.push_back(type);
  put(b, body.size(), 2);
  b.insert(b.end(), body.begin(), body.end());
}

const uint8_t kCollation[5] = {0x09, 0x04, 0xD0, 0x00, 0x34};  // SQL_Latin1_General_CP1_CI_AS

void done(Bytes& b, uint16_t status, uint64_t count, uint16_t command = 0xC1) {
  b.push_back(0xFD);
  put(b, status, 2);
  put(b, command, 2);
  put(b, count, 8);
}

void errorToken(Bytes& b, int32_t number, const std::string& message) {
  Bytes body;
  put(body, static_cast<uint32_t>(number), 4);
  body.push_back(1);  // state
  body.push_back(16);  // severity
  varchar(body, message, true);
  varchar(body, "FAKESQL");
  varchar(body, "");
  put(body, 1, 4);
  token(b, 0xAA, body);
}

using T = FakeTdsServer::Type;

// Bytes of the fixed-size integer types; 0 for the others.
int intBytes(T t) { return t == T::TinyInt ? 1 : t == T::SmallInt ? 2 : t == T::Int ? 4 : t == T::BigInt ? 8 : 0; }

// Scaled integer of a decimal text ("-123.4" with scale 2 is -12340).
int64_t scaled(const std::string& text, int scale) {
  size_t dot = text.find('.');
  std::string digits = text.substr(0, dot) + (dot == std::string::npos ? "" : text.substr(dot + 1));
  int decimals = dot == std::string::npos ? 0 : static_cast<int>(text.size() - dot - 1);
  return std::stoll(digits + std::string(static_cast<size_t>(scale - decimals), '0'));
}

void columnMetadata(Bytes& b, const std::vector<FakeTdsServer::Column>& columns) {
  b.push_back(0x81);
  put(b, columns.size(), 2);
  for (const auto& c : columns) {
    put(b, 0, 4);       // user type
    put(b, 0x0009, 2);  // nullable
    if (int n = intBytes(c.type)) b.insert(b.end(), {0x26, static_cast<uint8_t>(n)});
    else if (c.type == T::Bit) b.insert(b.end(), {0x68, 1});
    else if (c.type == T::Float) b.insert(b.end(), {0x6D, 8});
    else if (c.type == T::Money) b.insert(b.end(), {0x6E, 8});
    else if (c.type == T::DateTime) b.insert(b.end(), {0x6F, 8});
    else if (c.type == T::Decimal) b.insert(b.end(), {0x6A, 9, 18, c.scale});  // precision 18
    else {
      b.push_back(c.type == T::VarChar ? 0xA7 : c.type == T::Char ? 0xAF : 0xE7);
      put(b, c.type == T::NVarChar ? 2 * c.length : c.length, 2);
      b.insert(b.end(), kCollation, kCollation + 5);
    }
    varchar(b, c.name);
  }
}

void rowToken(Bytes& b, const std::vector<FakeTdsServer::Column>& columns, const FakeTdsServer::Row& row) {
  using namespace std::chrono;
  b.push_back(0xD1);
  for (size_t i = 0; i < columns.size(); ++i) {
    const auto& c = columns[i];
    const auto& v = row.at(i);
    bool text = c.type == T::VarChar || c.type == T::Char || c.type == T::NVarChar;
    if (!v) {
      put(b, text ? 0xFFFF : 0, text ? 2 : 1);
    } else if (int n = intBytes(c.type)) {
      b.push_back(static_cast<uint8_t>(n));
      put(b, static_cast<uint64_t>(std::stoll(*v)), n);
    } else if (c.type == T::Bit) {
      b.insert(b.end(), {1, static_cast<uint8_t>(*v == "1")});
    } else if (c.type == T::Float) {
      double d = std::stod(*v);
      uint64_t bits;
      std::memcpy(&bits, &d, 8);
      b.push_back(8);
      put(b, bits, 8);
    } else if (c.type == T::Money) {  // the high half first
      auto m = static_cast<uint64_t>(scaled(*v, 4));
      b.push_back(8);
      put(b, m >> 32, 4);
      put(b, m & 0xFFFFFFFF, 4);
    } else if (c.type == T::Decimal) {
      int64_t m = scaled(*v, c.scale);
      b.insert(b.end(), {9, static_cast<uint8_t>(m >= 0)});
      put(b, static_cast<uint64_t>(m < 0 ? -m : m), 8);
    } else if (c.type == T::DateTime) {  // days since 1900 and 300ths of a second
      int y, mo, d, h = 0, mi = 0, s = 0;
      std::sscanf(v->c_str(), "%d-%d-%d %d:%d:%d", &y, &mo, &d, &h, &mi, &s);
      auto days = sys_days{year{y} / mo / d} - sys_days{year{1900} / 1 / 1};
      b.push_back(8);
      put(b, static_cast<uint32_t>(days.count()), 4);
      put(b, static_cast<uint32_t>((h * 3600 + mi * 60 + s) * 300), 4);
    } else {
      std::string data = c.type == T::NVarChar ? utf16(*v) : converted(*v, "CP1252", "UTF-8");
      if (c.type == T::Char) data.resize(c.length, ' ');
      put(b, data.size(), 2);
      putText(b, data);
    }
  }
}

// One client message, its packets joined; false when the client went away.
bool readMessage(int fd, uint8_t& type, Bytes& payload) {
  payload.clear();
  for (uint8_t header[8] = {};;) {
    if (::recv(fd, header, 8, MSG_WAITALL) != 8) return false;
    size_t at = payload.size(), length = ((header[2] << 8) | header[3]) - 8u;
    payload.resize(at + length);
    if (length && ::recv(fd, payload.data() + at, length, MSG_WAITALL) != static_cast<ssize_t>(length)) return false;
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

}  // namespace

FakeTdsServer::FakeTdsServer(bool silent) : silent_(silent) {
  listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&addr), len) != 0 ||
      ::listen(listener_, 8) != 0)
    throw std::runtime_error("the fake server cannot listen");
  ::getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len);
  port_ = ntohs(addr.sin_port);
  acceptor_ = std::thread([this] {
    while (!stopping_) {
      pollfd p{listener_, POLLIN, 0};
      if (::poll(&p, 1, 50) <= 0) continue;
      int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
      if (fd < 0) continue;
      std::lock_guard lock(mutex_);
      clients_.push_back(fd);
      threads_.emplace_back([this, fd] { serve(fd); });
    }
  });
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

void FakeTdsServer::serve(int fd) {
  uint8_t type = 0;
  Bytes in;
  while (readMessage(fd, type, in)) {
    if (silent_) continue;
    Bytes out;
    auto record = [&](std::string batch) {
      std::lock_guard lock(mutex_);
      batches_.push_back(std::move(batch));
      auto a = answers_.find(batches_.back());
      return a == answers_.end() ? Answer{} : a->second;
    };
    if (type == 0x12) {  // PRELOGIN: version, and no encryption
      out = {0x00, 0, 11, 0, 6, 0x01, 0, 17, 0, 1, 0xFF, 0x0F, 0x00, 0x07, 0xD0, 0x00, 0x00, 0x02};
    } else if (type == 0x10) {  // LOGIN7
      ++logins_;
      Bytes ack = {1, 0x74, 0x00, 0x00, 0x04};
      varchar(ack, "Microsoft SQL Server");
      ack.insert(ack.end(), {0x0F, 0x00, 0x07, 0xD0});
      token(out, 0xAD, ack);
      done(out, 0, 0, 0);
    } else if (type == 0x01) {  // SQL batch after its headers
      size_t headers = get16(in, 0);
      Answer a = record(fromUtf16(in, headers, (in.size() - headers) / 2));
      if (a.dropLink) break;
      if (a.hang) continue;
      if (a.parts.empty()) done(out, 0, 0, 0);
      for (size_t i = 0; i < a.parts.size(); ++i) {
        uint16_t more = i + 1 < a.parts.size() ? 0x0001 : 0;
        if (auto rs = std::get_if<ResultSet>(&a.parts[i])) {
          columnMetadata(out, rs->columns);
          for (const auto& row : rs->rows) rowToken(out, rs->columns, row);
          done(out, 0x0010 | more, rs->rows.size());
        } else if (auto rc = std::get_if<RowCount>(&a.parts[i])) {
          done(out, 0x0010 | more, static_cast<uint64_t>(rc->count), 0xC3);
        } else if (auto err = std::get_if<ServerError>(&a.parts[i])) {
          errorToken(out, err->number, err->message);
          done(out, 0x0002 | more, 0);
        }
      }
    } else if (type == 0x0E) {  // transaction manager: begin (5), commit (7), rollback
      uint16_t request = get16(in, get16(in, 0));
      done(out, 0, 0, 0);
      record(request == 5 ? "<begin>" : request == 7 ? "<commit>" : "<rollback>");
    } else {  // attention, and anything else
      done(out, type == 0x06 ? 0x0020 : 0, 0, 0);
    }
    sendMessage(fd, 0x04, out);
  }
  ::shutdown(fd, SHUT_RDWR);
}

}  // namespace korvanda::testing
