// Setting up and looking after an installation from outside the three classes: objects by class
// identifier, embedded database files, the registry file with the connection data, the
// installation's key, the export layouts and the logs. The command-line host is built on these
// and the classes alone.
//
// Errors are korvanda::Error (number, source, description). Unless a function says otherwise,
// it keeps no state and may be called from any thread; two calls that write the same file at
// once are the caller's to avoid.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "korvanda/connection.h"
#include "korvanda/variant.h"
#include "korvanda/export.h"

KORVANDA_API_BEGIN
namespace korvanda {

// ---- objects

// Returns a new object of the class named by progid, letter case ignored:
// "KORVANDA.clsCatalogos", "KORVANDA.clsCatValida", "KORVANDA.clsControlFiles", or
// "ADODB.Recordset" (an empty record set to build with Fields.Append). The caller shares its
// ownership. A new clsCatValida opens a connection into the calling thread's shared slot and
// fails as that connection does.
// Errors: 429 when progid names no class.
ObjectRef createObject(std::string_view progid);

// ---- embedded databases (SQLite files that run the library's T-SQL texts)

// Creates the database file `file` with every table, index and view, and with the
// demonstration catalogs (the 32 states and their codes, municipalities, small catalogs) when
// withDemoData. The file must not exist.
// Errors: 58 when it exists; -2147467259 when it cannot be created; -2147217900 when the
// schema or demo data is refused. A failed call leaves no file behind.
void createDatabase(const std::string& file, bool withDemoData);

// Converts a database made by an earlier version (text columns compared by other rules) to the
// current schema: its outdated tables are rebuilt with their rows and indexes, and the views
// made again, in one transaction that other connections wait for. Returns the names of the
// tables rebuilt; none when the file is already current, which is left unchanged.
// Errors: -2147467259 when the file is missing or not a database; -2147217873 when rows would
// share a unique key under the new rules (the description names them); -2147217900 when a
// table holds a column the current schema lacks. A failed call changes nothing.
std::vector<std::string> upgradeDatabase(const std::string& file);

// Opens an existing database file as the library's own connections to it are opened: WAL
// mode, a busy timeout of 5 seconds, the T-SQL translation, functions and text collation.
// execute/query on it run T-SQL texts and write the statement trace. The caller owns the
// connection, which closes when its last reference goes; one thread uses it at a time.
// Errors: -2147467259 when the file is missing, is not a database, cannot be opened, or was
// made by an earlier version (convert it with upgradeDatabase first).
ConnectionRef openDatabase(const std::string& file);

// ---- the registry file and the installation's key

// The registry file the library reads its connection data from: KORVANDA_REGISTRY when set,
// else /etc/korvanda/registry.ini. Never fails.
std::string registryFilePath();

// The key file of the installation whose registry file is registryFile: KORVANDA_KEY_FILE
// when set, else registry.key in the registry file's directory. Never fails.
std::string keyFilePath(const std::string& registryFile);

// Creates keyFile with a new random key (64 hexadecimal characters and a line end), readable
// and writable by its owner only, unless a file is already there: an existing key is never
// replaced. The file appears whole or not at all. Returns true when this call created it.
// Errors: 76 when its directory cannot be made; 70, 75 and the other file errors when it
// cannot be written.
bool createKeyFile(const std::string& keyFile);

// Whether a server field names the embedded engine ("sqlite", letter case ignored): its
// database field is then a file path. Never fails.
bool isEmbeddedServer(std::string_view server);

// Writes the connection data (HKEY_LOCAL_MACHINE\Software\ZERN\DatosServerDos =
// server|user|encrypted password|database) into registryFile, the password encrypted with the
// key held in keyFile. Other lines of the file are kept; the file and its directory are
// created when missing, and the file is replaced whole.
// Errors: 5 when server, user or database holds "|" or a line break; 53, 70, 75 or 321 when
// the key file is missing, unreadable or holds no key; the file errors of writing registryFile.
void writeConnectionData(const std::string& registryFile, const std::string& server,
                         const std::string& user, const std::string& password,
                         const std::string& database, const std::string& keyFile);

// The fields of the connection data in registryFile, as stored: server, user, encrypted
// password, database (as many as the value holds; "|" separates them).
// Errors: those of reading the value (a missing file, section or value, a malformed file).
std::vector<std::string> readConnectionData(const std::string& registryFile);

// The text encrypted with the key held in keyFile, as the password of the connection data is
// (AES-256-GCM, base64 of nonce, ciphertext and tag); each call draws a fresh nonce. The empty
// text stays empty. decryptWithKeyFile undoes it.
// Errors: 53, 70, 75 or 321 for the key file as above; on decrypting, -2146893819 when the
// text is not base64 or does not authenticate with the key.
std::string encryptWithKeyFile(const std::string& text, const std::string& keyFile);
std::string decryptWithKeyFile(const std::string& text, const std::string& keyFile);

// ---- export layouts and logs

// The field names of an export layout, in the order of its line: "DatAgricola" (63),
// "DatGanadero" (28), "FormatoB1" (30), "FormatoB2" (40) or "FormatoC" (17). The record set
// given to the export names its fields so (letter case ignored).
// Errors: 5 for any other name.
std::vector<std::string> exportLayoutFields(std::string_view layout);

// The directory of the two logs: KORVANDA_LOG_DIR when set, else the directory of the
// library's own file. errorLogPath is the error log in it (logFile.log), to which every
// raised error adds a line. Never fail.
std::string logDirectory();
std::string errorLogPath();

}  // namespace korvanda
KORVANDA_API_END
