#include "odbc/connection_string.h"

#include <algorithm>

#include "korvanda/error.h"
#include "odbc/diagnostics.h"
#include "core/ascii.h"

namespace korvanda::odbc {
namespace {

using ascii::equalsIgnoreCase;
using ascii::containsIgnoreCase;

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

void append(std::string& cs, std::string_view key, std::string_view value) {
  if (!cs.empty() && cs.back() != ';') cs += ';';
  cs += key;
  cs += '=';
  cs += quoteValue(value);
}

// UID, PWD and DATABASE from the fields, each when given and not in the string already.
void appendFields(std::string& cs, const std::string& user, const std::string& password,
                  const std::string& database) {
  auto has = [&](std::initializer_list<std::string_view> keys) {
    return std::any_of(keys.begin(), keys.end(),
                       [&](std::string_view k) { return keywordValue(cs, k).has_value(); });
  };
  if (!user.empty() && !has({"UID", "User", "User ID"})) append(cs, "UID", user);
  if (!password.empty() && !has({"PWD", "Password"})) append(cs, "PWD", password);
  if (!database.empty() && !has({"DATABASE", "Initial Catalog"})) append(cs, "DATABASE", database);
}

// The data source's driver as the catalog lists it.
std::optional<std::string> dataSourceDriver(const OdbcCatalog& catalog, std::string_view dsn) {
  for (size_t i = 0; i < catalog.dataSources.size() && i < catalog.dataSourceDrivers.size(); ++i)
    if (equalsIgnoreCase(catalog.dataSources[i], dsn)) return catalog.dataSourceDrivers[i];
  return std::nullopt;
}

// SQLite's driver creates a missing database file unless told not to.
void appendNoCreate(std::string& cs, const std::optional<std::string>& driver) {
  if (driver && containsIgnoreCase(*driver, "sqlite") && !keywordValue(cs, "NoCreat")) append(cs, "NoCreat", "1");
}

}  // namespace

Keywords parseConnectionString(std::string_view cs) {
  Keywords out;
  size_t i = 0;
  while (i < cs.size()) {
    size_t eq = cs.find('=', i);
    size_t semi = cs.find(';', i);
    if (eq == std::string_view::npos || (semi != std::string_view::npos && semi < eq)) {
      // A piece without "=": skipped.
      if (semi == std::string_view::npos) break;
      i = semi + 1;
      continue;
    }
    std::string key(trim(cs.substr(i, eq - i)));
    size_t v = eq + 1;
    while (v < cs.size() && cs[v] == ' ') ++v;
    std::string value;
    if (v < cs.size() && cs[v] == '{') {
      size_t j = v + 1;
      for (; j < cs.size(); ++j) {
        if (cs[j] == '}') {
          if (j + 1 < cs.size() && cs[j + 1] == '}') {
            value += '}';
            ++j;
            continue;
          }
          break;
        }
        value += cs[j];
      }
      size_t end = cs.find(';', j);
      i = end == std::string_view::npos ? cs.size() : end + 1;
    } else {
      size_t end = cs.find(';', v);
      value = std::string(trim(cs.substr(v, end == std::string_view::npos ? cs.npos : end - v)));
      i = end == std::string_view::npos ? cs.size() : end + 1;
    }
    if (!key.empty()) out.emplace_back(std::move(key), std::move(value));
  }
  return out;
}

std::optional<std::string> keywordValue(std::string_view cs, std::string_view key) {
  for (auto& [k, v] : parseConnectionString(cs))
    if (equalsIgnoreCase(k, key)) return v;
  return std::nullopt;
}

std::string quoteValue(std::string_view value) {
  bool plain = value.find_first_of(";{}") == std::string_view::npos &&
               trim(value).size() == value.size();
  if (plain) return std::string(value);
  std::string out = "{";
  for (char c : value) {
    out += c;
    if (c == '}') out += '}';
  }
  return out + "}";
}

std::string redacted(std::string_view cs) {
  std::string out;
  for (auto& [k, v] : parseConnectionString(cs)) {
    bool secret = equalsIgnoreCase(k, "PWD") || equalsIgnoreCase(k, "Password");
    append(out, k, secret ? "***" : v);
  }
  return out;
}

std::string buildConnectionString(const std::string& server, const std::string& user,
                                  const std::string& password, const std::string& database,
                                  const OdbcCatalog& catalog) {
  if (server.find('=') != std::string::npos) {
    std::string cs = server;
    appendFields(cs, user, password, database);
    auto driver = keywordValue(cs, "DRIVER");
    if (!driver)
      if (auto dsn = keywordValue(cs, "DSN")) driver = dataSourceDriver(catalog, *dsn);
    appendNoCreate(cs, driver);
    if (driver && containsIgnoreCase(*driver, "tds") && !keywordValue(cs, "ClientCharset"))
      append(cs, "ClientCharset", "UTF-8");
    return cs;
  }
  std::string name(trim(server));
  auto dsn = std::find_if(catalog.dataSources.begin(), catalog.dataSources.end(),
                          [&](const std::string& d) { return equalsIgnoreCase(d, name); });
  std::string cs;
  if (dsn != catalog.dataSources.end()) {
    append(cs, "DSN", *dsn);
    appendFields(cs, user, password, database);
    appendNoCreate(cs, dataSourceDriver(catalog, *dsn));
    return cs;
  }
  std::string driver;
  for (const char* preferred : kPreferredDrivers) {
    auto it = std::find_if(catalog.drivers.begin(), catalog.drivers.end(),
                           [&](const std::string& d) { return equalsIgnoreCase(d, preferred); });
    if (it != catalog.drivers.end()) {
      driver = *it;
      break;
    }
  }
  if (driver.empty())
    throw Error(kProviderNotFound, kOdbcSource,
                "No SQL Server ODBC driver is installed (looked for ODBC Driver 18 for SQL Server, "
                "ODBC Driver 17 for SQL Server and FreeTDS) and \"" + name +
                    "\" is not a data source name");
  cs = "DRIVER={" + driver + "}";
  append(cs, "SERVER", name);
  appendFields(cs, user, password, database);
  if (equalsIgnoreCase(driver, "FreeTDS")) {
    append(cs, "TDS_Version", "7.4");
    append(cs, "ClientCharset", "UTF-8");
  }
  return cs;
}

}  // namespace korvanda::odbc
