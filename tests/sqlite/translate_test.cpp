#include "sqlite/translate.h"
#include "translate/tokens.h"
#include "translate/types.h"

#include <gtest/gtest.h>

#include "support/fixture.h"

namespace korvanda::sqlite {
namespace {

SchemaSnapshot sampleSchema() {
  SchemaSnapshot s;
  s.add({"Pagos", {{"id", "INTEGER"}, {"nombre", "VARCHAR(20)"}, {"fecha", "DATETIME"}, {"monto", "MONEY"},
                   {"activo", "BIT"}, {"cuenta", "INT"}, {"clave", "SMALLINT GENERATED", true}}, false});
  s.add({"Socios", {{"id", "INT"}, {"pago", "INT"}, {"calle", "VARCHAR(30)"}, {"numero", "VARCHAR(10)"},
                    {"alta", "DATETIME"}}, false});
  s.add({"VistaPagos", {{"id", "INTEGER"}, {"fecha", "DATETIME"}}, true});
  return s;
}

// The one SQLite statement a T-SQL text becomes.
std::string tr(std::string_view tsql) {
  Translation t = translate(tsql, sampleSchema());
  EXPECT_EQ(t.steps.size(), 1u) << tsql;
  if (t.steps.empty()) return "";
  auto* step = std::get_if<SqlStep>(&t.steps[0]);
  EXPECT_TRUE(step) << tsql;
  return step ? step->sql : "";
}

std::string failure(std::string_view tsql) {
  try {
    translate(tsql, sampleSchema());
  } catch (const TranslationError& e) {
    return e.what();
  }
  ADD_FAILURE() << "translated: " << tsql;
  return "";
}

TEST(Tokens, LiteralsIdentifiersAndCommentsAreRespected) {
  // A keyword or a date inside a string, an identifier or a comment is never rewritten.
  EXPECT_EQ(tr("SELECT 'dbo.x + SET DATEFORMAT DMY 01/02/2026' FROM Pagos"),
            "SELECT 'dbo.x + SET DATEFORMAT DMY 01/02/2026' AS \"\" FROM Pagos");
  EXPECT_EQ(tr("SELECT [dbo] , [a b] FROM [Pagos] -- dbo.Pagos WHERE\n/* TOP 5 */"),
            "SELECT \"dbo\", \"a b\" FROM \"Pagos\"");
  EXPECT_EQ(tr("SELECT N'It''s' AS [x]]y] FROM Pagos"), "SELECT 'It''s' AS \"x]y\" FROM Pagos");
  EXPECT_EQ(tr("SELECT \"a\"\"b\" FROM Pagos /* nested /* comment */ still */"), "SELECT \"a\"\"b\" FROM Pagos");
}

TEST(Tokens, OperatorsWordsAndNumbers) {
  std::vector<std::string> ops, words;
  for (const tsql::Token& t : tsql::tokenize("a<>b!=c<=d>=e!<f!>g||h+=i|=j^=k<l>m=n-o\t\v\f\r\n#t x$y é1 .5e3 'it''s'")) {
    if (t.kind == tsql::Tk::Op) ops.push_back(t.text);
    else words.push_back(t.text);
  }
  EXPECT_EQ(ops, (std::vector<std::string>{"<>", "!=", "<=", ">=", "!<", "!>", "||", "+=", "|=", "^=", "<", ">",
                                           "=", "-"}));
  EXPECT_EQ(words, (std::vector<std::string>{"a", "b", "c", "d", "e", "f", "g", "h", "i", "j", "k", "l", "m", "n",
                                             "o", "#t", "x$y", "é1", ".5e3", "it's"}));
}

TEST(Tokens, CommentsAnywhere) {
  for (const char* text : {"/* a */x", "x-- a", "x/**/", "/* /* */ */x -- /*"}) {
    std::vector<tsql::Token> toks = tsql::tokenize(text);
    ASSERT_EQ(toks.size(), 1u) << text;
    EXPECT_EQ(toks[0].text, "x") << text;
  }
}

// The types the translation reads from declared types.
TEST(Types, FromDeclaredTypes) {
  const std::pair<const char*, tsql::Cat> cases[] = {
      {"FLOAT", tsql::Cat::Float}, {"REAL", tsql::Cat::Float}, {"DOUBLE PRECISION", tsql::Cat::Float},
      {"MONEY", tsql::Cat::Decimal}, {"DECIMAL(10,2)", tsql::Cat::Decimal}, {"NUMERIC", tsql::Cat::Decimal},
      {"BIT", tsql::Cat::Bool}, {"SMALLINT", tsql::Cat::Int}, {"BIGINT", tsql::Cat::Int},
      {"DATETIME", tsql::Cat::Date}, {"TIME", tsql::Cat::Date}, {"VARCHAR(3)", tsql::Cat::Text},
      {"NTEXT", tsql::Cat::Text}, {"CLOB", tsql::Cat::Text}, {"", tsql::Cat::Unknown}, {"BLOB", tsql::Cat::Unknown}};
  for (auto [decl, cat] : cases) EXPECT_EQ(tsql::typeFromDecl(decl).cat, cat) << decl;
  EXPECT_EQ(tsql::textLength(tsql::typeFromDecl("VARCHAR(30)")), 30);
  EXPECT_EQ(tsql::textLength(tsql::typeFromDecl("TEXT")), 0);
  EXPECT_EQ(tsql::textType(9000).decl, "VARCHAR(8000)");
}

TEST(Tokens, MalformedTextFailsClearly) {
  // Each names where the fault is, counting characters from 1.
  EXPECT_EQ(failure("SELECT 'open FROM Pagos"), "unterminated string literal at character 8");
  EXPECT_EQ(failure("SELECT 'a', N'open"), "unterminated string literal at character 13");
  EXPECT_EQ(failure("SELECT [open FROM Pagos"), "unterminated quoted identifier at character 8");
  EXPECT_EQ(failure("SELECT (1, (2) FROM Pagos"), "unbalanced parenthesis: '(' without ')' at character 8");
  EXPECT_EQ(failure("SELECT ((1), (2 FROM Pagos"), "unbalanced parenthesis: '(' without ')' at character 14");
  EXPECT_EQ(failure("SELECT 1) FROM Pagos"), "unbalanced parenthesis: ')' without '(' at character 9");
  EXPECT_EQ(failure("SELECT 1 /* a /* b */ open"), "unterminated comment at character 10");
  EXPECT_EQ(failure("SELECT 12ab FROM Pagos"), "malformed number '12a' at character 8");
}

TEST(Rewrites, SetDateFormatInFrontOfAStatement) {
  Translation t = translate("SET DATEFORMAT DMY INSERT INTO Pagos (fecha) values('31/12/2026')", sampleSchema());
  ASSERT_EQ(t.steps.size(), 1u);
  EXPECT_EQ(std::get<SqlStep>(t.steps[0]).sql, "INSERT INTO Pagos(fecha) VALUES ('2026-12-31 00:00:00')");
  // The order applies to the rest of the batch; MDY reads month first.
  EXPECT_EQ(tr("SET DATEFORMAT MDY; UPDATE Pagos SET fecha = '12/31/2026 13:05:00'"),
            "UPDATE Pagos SET \"fecha\" = '2026-12-31 13:05:00'");
  EXPECT_EQ(tr("SET NOCOUNT ON SELECT id FROM Pagos"), "SELECT id FROM Pagos");
  EXPECT_EQ(failure("SET DATEFORMAT DYM SELECT 1"), "SET DATEFORMAT DYM is not supported");
  EXPECT_EQ(failure("SET ANSI_NULLS OFF SELECT 1"), "SET ANSI_NULLS OFF is not supported");
}

TEST(Rewrites, DboPrefixesAndFunctions) {
  EXPECT_EQ(tr("SELECT dbo.ObtenFechaFinMes( 3, 2026) AS f FROM dbo.Pagos"),
            "SELECT ObtenFechaFinMes(3, 2026) AS \"f\" FROM Pagos");
  EXPECT_EQ(tr("SELECT LEN(nombre), YEAR(fecha), MONTH(GETDATE()) FROM Pagos"),
            "SELECT LEN(nombre) AS \"\", YEAR(fecha) AS \"\", MONTH(GETDATE()) AS \"\" FROM Pagos");
  EXPECT_EQ(tr("SELECT ISNULL(nombre, '') AS n, CURRENT_TIMESTAMP AS t FROM Pagos"),
            "SELECT IFNULL(nombre, '') AS \"n\", GETDATE() AS \"t\" FROM Pagos");
  EXPECT_EQ(tr("SELECT LEFT(nombre, 2) AS a, RIGHT(nombre, 3) AS b FROM Pagos"),
            "SELECT SUBSTR(nombre, 1, 2) AS \"a\", SUBSTR(nombre, - (3)) AS \"b\" FROM Pagos");
}

TEST(Rewrites, PlusBetweenTextsConcatenates) {
  EXPECT_EQ(tr("SELECT calle + ' ' + numero AS d FROM Socios"), "SELECT calle || ' ' || numero AS \"d\" FROM Socios");
  // Numbers still add; texts meeting numbers are decided on the values, as SQL Server converts them.
  EXPECT_EQ(tr("SELECT id + pago AS s FROM Socios"), "SELECT id + pago AS \"s\" FROM Socios");
  EXPECT_EQ(tr("SELECT numero + 1 AS s FROM Socios"), "SELECT TSQL_ADD(numero, 1) AS \"s\" FROM Socios");
  EXPECT_EQ(tr("SELECT desconocida + 'x' AS s FROM Socios"), "SELECT TSQL_ADD(desconocida, 'x') AS \"s\" FROM Socios");
  // A subquery's type is that of its column; multiplications stay inside their operand.
  EXPECT_EQ(tr("SELECT (SELECT nombre FROM Pagos P WHERE P.id = S.pago) + '-' + S.calle AS x FROM Socios S"),
            "SELECT (SELECT nombre FROM Pagos P WHERE P.id = S.pago) || '-' || (S.calle) AS \"x\" FROM Socios S");
  EXPECT_EQ(tr("SELECT monto * 2 + cuenta AS x FROM Pagos"), "SELECT monto * 2 + cuenta AS \"x\" FROM Pagos");
  EXPECT_EQ(failure("SELECT fecha + 1 FROM Pagos"), "adding to a date with '+' is not supported");
}

TEST(Rewrites, CollateAndCast) {
  EXPECT_EQ(tr("SELECT S.calle COLLATE DATABASE_DEFAULT + ' ' + S.numero COLLATE DATABASE_DEFAULT AS d FROM Socios S"),
            "SELECT (S.calle) || ' ' || (S.numero) AS \"d\" FROM Socios S");
  EXPECT_EQ(tr("SELECT nombre COLLATE SQL_Latin1_General_CP1_CI_AS AS n FROM Pagos"),
            "SELECT nombre COLLATE KV_CI_AS AS \"n\" FROM Pagos");
  EXPECT_EQ(failure("SELECT nombre COLLATE Latin1_General_CI_AI FROM Pagos"),
            "the accent-insensitive collation Latin1_General_CI_AI is not supported");
  EXPECT_EQ(tr("SELECT CAST(id AS varchar) + '/' + CAST(cuenta AS varchar(4)) AS c FROM Pagos"),
            "SELECT (SUBSTR(CAST(id AS TEXT), 1, 30)) || '/' || (SUBSTR(CAST(cuenta AS TEXT), 1, 4)) AS \"c\" FROM Pagos");
  EXPECT_EQ(tr("SELECT CAST(nombre AS int) AS a, CAST(nombre AS datetime) AS b, CAST(monto AS decimal(10,2)) AS c FROM Pagos"),
            "SELECT CAST(nombre AS INTEGER) AS \"a\", TSQL_DATETIME(nombre, 'dmy') AS \"b\", "
            "ROUND(CAST(monto AS NUMERIC), 2) AS \"c\" FROM Pagos");
  EXPECT_EQ(tr("SELECT CAST(nombre AS date) AS a, CAST(nombre AS smalldatetime) AS b, "
               "CAST(nombre AS datetime2) AS c FROM Pagos"),
            "SELECT TSQL_DATETIME(nombre, 'dmy') AS \"a\", TSQL_DATETIME(nombre, 'dmy') AS \"b\", "
            "TSQL_DATETIME(nombre, 'dmy') AS \"c\" FROM Pagos");
  EXPECT_EQ(failure("SELECT CAST(id AS xml) FROM Pagos"), "CAST to xml is not supported");
  EXPECT_EQ(failure("SELECT CAST(id AS) FROM Pagos"), "CAST without a target type");
  EXPECT_EQ(failure("SELECT nombre COLLATE Klingon FROM Pagos"), "the collation Klingon is not supported");
}

// Where SQLite would compare bytes (no column on either side), the text takes KV_CI_AS, as
// every text takes the database's collation on SQL Server.
TEST(Rewrites, TextComparisonsTakeSqlServerRules) {
  const std::pair<const char*, const char*> cases[] = {
      {"SELECT id FROM Pagos WHERE 'abc' = 'ABC'", "SELECT id FROM Pagos WHERE 'abc' COLLATE KV_CI_AS = 'ABC'"},
      {"SELECT id FROM Pagos WHERE UPPER(nombre) <> N'X'", "SELECT id FROM Pagos WHERE UPPER(nombre) COLLATE KV_CI_AS <> 'X'"},
      {"SELECT id FROM Socios WHERE calle + numero >= 'x'", "SELECT id FROM Socios WHERE (calle || numero) COLLATE KV_CI_AS >= 'x'"},
      {"SELECT id FROM Pagos WHERE 'b' NOT BETWEEN 'a' AND 'c'", "SELECT id FROM Pagos WHERE 'b' COLLATE KV_CI_AS NOT BETWEEN 'a' AND 'c'"},
      {"SELECT id FROM Pagos WHERE 'a' NOT IN ('A', 'b')", "SELECT id FROM Pagos WHERE 'a' COLLATE KV_CI_AS NOT IN ('A', 'b')"},
      {"SELECT COUNT(DISTINCT LTRIM(nombre)) AS c FROM Pagos", "SELECT COUNT(DISTINCT LTRIM(nombre) COLLATE KV_CI_AS) AS \"c\" FROM Pagos"},
      {"SELECT DISTINCT LTRIM(nombre) AS n, nombre, id FROM Pagos", "SELECT DISTINCT LTRIM(nombre) COLLATE KV_CI_AS AS \"n\", nombre, id FROM Pagos"},
      {"SELECT nombre + 'x' AS n FROM Pagos UNION ALL SELECT 'y' FROM Socios",
       "SELECT (nombre || 'x') COLLATE KV_CI_AS AS \"n\" FROM Pagos UNION ALL SELECT 'y' COLLATE KV_CI_AS AS \"\" FROM Socios"},
      {"SELECT LOWER(nombre) AS n FROM Pagos GROUP BY LOWER(nombre) ORDER BY n DESC, id",
       "SELECT LOWER(nombre) AS \"n\" FROM Pagos GROUP BY LOWER(nombre) COLLATE KV_CI_AS ORDER BY n COLLATE KV_CI_AS DESC, id"},
      {"SELECT id FROM Pagos WHERE id = 1 AND LTRIM('b') BETWEEN 'a' AND 'c' OR id = 2 AND 'x' NOT IN ('y')",
       "SELECT id FROM Pagos WHERE id = 1 AND LTRIM('b') COLLATE KV_CI_AS BETWEEN 'a' AND 'c' OR id = 2 AND "
       "'x' COLLATE KV_CI_AS NOT IN ('y')"},
      {"SELECT MAX(UPPER(nombre)) AS a, MIN(nombre) AS b, MAX(id) AS c FROM Pagos",
       "SELECT MAX(UPPER(nombre) COLLATE KV_CI_AS) AS \"a\", MIN(nombre) AS \"b\", MAX(id) AS \"c\" FROM Pagos"},
      {"SELECT CASE LTRIM(nombre) WHEN 'a' THEN 1 END AS a, CASE WHEN nombre = 'b' THEN 2 END AS b FROM Pagos",
       "SELECT CASE LTRIM(nombre) COLLATE KV_CI_AS WHEN 'a' THEN 1 END AS \"a\", CASE WHEN nombre = 'b' THEN 2 END AS \"b\" FROM Pagos"},
      // A column brings its own collation; numbers, dates and explicit collations stay.
      {"SELECT id FROM Pagos WHERE nombre = 'x' OR 'x' = nombre OR nombre IN ('a') ORDER BY nombre",
       "SELECT id FROM Pagos WHERE nombre = 'x' OR 'x' = nombre OR nombre IN ('a') ORDER BY nombre"},
      {"SELECT id FROM Pagos WHERE LEN(nombre) = 1 AND cuenta IN (1, 2) AND fecha = '01/02/2026' ORDER BY 1",
       "SELECT id FROM Pagos WHERE LEN(nombre) = 1 AND cuenta IN (1, 2) AND fecha = '2026-02-01 00:00:00' ORDER BY 1"},
      {"SELECT id FROM Pagos WHERE 'a' COLLATE Latin1_General_CS_AS = 'A'",
       "SELECT id FROM Pagos WHERE 'a' COLLATE BINARY = 'A'"},
  };
  for (auto [tsql, sqlite] : cases) EXPECT_EQ(tr(tsql), sqlite) << tsql;
}

TEST(Rewrites, TopBecomesLimit) {
  EXPECT_EQ(tr("SELECT TOP 5 id FROM Pagos ORDER BY id"), "SELECT id FROM Pagos ORDER BY id LIMIT 5");
  EXPECT_EQ(tr("SELECT DISTINCT TOP (2) id FROM Pagos"), "SELECT DISTINCT id FROM Pagos LIMIT (2)");
  EXPECT_EQ(tr("SELECT id FROM Pagos WHERE id IN (SELECT TOP 1 id FROM Socios ORDER BY alta)"),
            "SELECT id FROM Pagos WHERE id IN (SELECT id FROM Socios ORDER BY alta LIMIT 1)");
  EXPECT_EQ(failure("SELECT TOP 10 PERCENT id FROM Pagos"), "TOP .. PERCENT is not supported");
  EXPECT_EQ(failure("SELECT TOP 1 id FROM Pagos UNION SELECT id FROM Socios"), "TOP inside UNION is not supported");
}

TEST(Rewrites, NullComparisonsKeepTheirMeaning) {
  // Under ANSI_NULLS both are unknown in SQL Server, as they are in SQLite: nothing to change.
  EXPECT_EQ(tr("SELECT CASE WHEN (SELECT fecha FROM Pagos) <> NULL THEN 1 ELSE 2 END AS x FROM Socios"),
            "SELECT CASE WHEN (SELECT fecha FROM Pagos) <> NULL THEN 1 ELSE 2 END AS \"x\" FROM Socios");
  EXPECT_EQ(tr("DELETE FROM Pagos WHERE nombre = NULL"), "DELETE FROM Pagos WHERE nombre = NULL");
}

TEST(Rewrites, DateTextsReachingDateColumns) {
  EXPECT_EQ(tr("SELECT id FROM Pagos WHERE fecha BETWEEN '01/01/2019' AND '31/12/2019 23:59:59'"),
            "SELECT id FROM Pagos WHERE fecha BETWEEN '2019-01-01 00:00:00' AND '2019-12-31 23:59:59'");
  EXPECT_EQ(tr("SELECT id FROM Pagos P WHERE '15/03/2026' >= P.fecha AND P.fecha NOT IN ('01/02/2026', '2026-02-03')"),
            "SELECT id FROM Pagos P WHERE '2026-03-15 00:00:00' >= P.fecha AND P.fecha NOT IN ('2026-02-01 00:00:00', '2026-02-03 00:00:00')");
  // A text expression compared with a date is read as a date on the values.
  EXPECT_EQ(tr("SELECT S.id FROM Socios S WHERE S.alta <= (SELECT nombre FROM Pagos)"),
            "SELECT S.id FROM Socios S WHERE S.alta <= TSQL_DATETIME((SELECT nombre FROM Pagos), 'dmy')");
  // Texts compared with text columns stay texts.
  EXPECT_EQ(tr("SELECT id FROM Pagos WHERE nombre = '01/02/2026'"), "SELECT id FROM Pagos WHERE nombre = '01/02/2026'");
  EXPECT_EQ(failure("SELECT id FROM Pagos WHERE fecha = '31/02/2026'"),
            "Conversion failed when converting date and/or time from character string '31/02/2026'");
}

TEST(Rewrites, InsertValuesAreTypedByPosition) {
  // Without a column list the table's columns are the targets (a computed column is not one).
  EXPECT_EQ(tr("INSERT INTO Pagos  values( 1, 'Ana', '15/03/2026 08:30:00', 12.5, 'True', '' )"),
            "INSERT INTO Pagos VALUES (1, 'Ana', '2026-03-15 08:30:00', 12.5, 1, 0)");
  EXPECT_EQ(tr("INSERT Pagos (cuenta, monto) VALUES (' -12 ', '3.25'), ('7', '-1')"),
            "INSERT INTO Pagos(cuenta, monto) VALUES (-12, 3.25), (7, -1)");
  EXPECT_EQ(failure("INSERT INTO Pagos (cuenta) VALUES ('abc')"),
            "Conversion failed when converting the value 'abc' to INT for column cuenta of Pagos");
  EXPECT_EQ(failure("INSERT INTO Pagos (id, fecha) VALUES (1, 'mañana')"),
            "Conversion failed when converting date and/or time from character string 'mañana' for column fecha of Pagos");
  EXPECT_EQ(failure("INSERT INTO Pagos (id, nombre) VALUES (1)"), "INSERT into Pagos gives 1 values for 2 columns");
}

TEST(Rewrites, UpdateFromUpdatesOnlyTheRowsTheJoinFinds) {
  // The target named again in the joins: its rows that the join finds, never a cross product.
  EXPECT_EQ(tr("UPDATE Pagos SET activo = 1, nombre = '01/01/2020' FROM Socios INNER JOIN Pagos ON Socios.pago = Pagos.id WHERE Socios.alta > '01/01/2020'"),
            "UPDATE \"Pagos\" AS \"korvanda_target\" SET \"activo\" = 1, \"nombre\" = '01/01/2020' WHERE \"korvanda_target\".rowid IN "
            "(SELECT \"Pagos\".rowid FROM Socios INNER JOIN Pagos ON Socios.pago = Pagos.id WHERE Socios.alta > '2020-01-01 00:00:00')");
  // By alias, with a value read from the joined rows.
  EXPECT_EQ(tr("UPDATE P SET P.nombre = S.calle FROM Pagos P JOIN Socios S ON S.pago = P.id"),
            "UPDATE \"Pagos\" AS \"korvanda_target\" SET \"nombre\" = (SELECT S.calle FROM Pagos P JOIN Socios S ON S.pago = P.id "
            "WHERE \"P\".rowid = \"korvanda_target\".rowid LIMIT 1) WHERE \"korvanda_target\".rowid IN "
            "(SELECT \"P\".rowid FROM Pagos P JOIN Socios S ON S.pago = P.id)");
  // The target not among the joins: SQLite's own UPDATE .. FROM has T-SQL's meaning.
  EXPECT_EQ(tr("UPDATE Pagos SET cuenta = S.id FROM Socios S WHERE S.pago = Pagos.id"),
            "UPDATE Pagos SET \"cuenta\" = S.id FROM Socios S WHERE S.pago = Pagos.id");
  EXPECT_EQ(tr("UPDATE Pagos SET fecha = '02/03/2026' WHERE id = 1"),
            "UPDATE Pagos SET \"fecha\" = '2026-03-02 00:00:00' WHERE id = 1");
  EXPECT_EQ(failure("UPDATE VistaPagos SET fecha = NULL FROM Socios JOIN VistaPagos ON Socios.id = VistaPagos.id"),
            "UPDATE of VistaPagos, which is not a table, is not supported");
  EXPECT_EQ(failure("UPDATE Pagos SET x = 1 FROM Pagos A JOIN Pagos B ON A.id = B.cuenta"),
            "the target Pagos is joined more than once; name it by its alias");
}

TEST(Rewrites, DeleteFrom) {
  EXPECT_EQ(tr("DELETE Pagos WHERE id = 1"), "DELETE FROM Pagos WHERE id = 1");
  EXPECT_EQ(tr("DELETE P FROM Pagos P JOIN Socios S ON S.pago = P.id WHERE S.alta < '01/01/2020'"),
            "DELETE FROM \"Pagos\" WHERE rowid IN (SELECT \"P\".rowid FROM Pagos P JOIN Socios S ON S.pago = P.id "
            "WHERE S.alta < '2020-01-01 00:00:00')");
}

TEST(Rewrites, ExecBecomesAProcedureCall) {
  Translation t = translate("EXEC dbo.EstatusEnviadoSubsidio 2026, 2027, 1001, 1, -2, 'x', NULL", sampleSchema());
  ASSERT_EQ(t.steps.size(), 1u);
  const auto& p = std::get<ProcedureStep>(t.steps[0]);
  EXPECT_EQ(p.name, "EstatusEnviadoSubsidio");
  ASSERT_EQ(p.args.size(), 7u);
  EXPECT_EQ(*p.args[0], "2026");
  EXPECT_EQ(*p.args[4], "-2");
  EXPECT_EQ(*p.args[5], "x");
  EXPECT_FALSE(p.args[6].has_value());
  EXPECT_EQ(failure("EXEC p @a = 1"), "variables are not supported (@a)");
  EXPECT_EQ(failure("EXEC p 1 + 2"), "the argument '1 + 2' of EXEC p is not a literal value");
}

TEST(Rewrites, SelectIntoCopiesAWholeTable) {
  Translation t = translate(" SELECT CATCRAMO.* INTO CATCRAMO FROM CATCRAMO IN 'C:\\cap\\origen.mdb'", sampleSchema());
  ASSERT_EQ(t.steps.size(), 1u);
  const auto& c = std::get<CopyTableStep>(t.steps[0]);
  EXPECT_EQ(c.target, "CATCRAMO");
  EXPECT_EQ(c.source, "CATCRAMO");
  EXPECT_EQ(c.file, "C:\\cap\\origen.mdb");
  EXPECT_EQ(std::get<CopyTableStep>(translate("SELECT * INTO Copia FROM Pagos", sampleSchema()).steps[0]).file, "");
  EXPECT_EQ(failure("SELECT id INTO Copia FROM Pagos"),
            "SELECT .. INTO is supported only as a copy of a whole table (SELECT t.* INTO t FROM t [IN 'file'])");
  EXPECT_EQ(failure("SELECT * FROM Pagos IN 'x.db'"),
            "FROM .. IN 'file' is supported only in SELECT t.* INTO t FROM t IN 'file'");
}

TEST(Rewrites, ResultTypesForComputedColumns) {
  Translation t = translate("SELECT id, ' ' , CAST(id AS varchar) + '/' + nombre AS c, monto + monto AS m, 1 AS uno, "
                            "LEN(nombre) AS l, (SELECT MAX(alta) FROM Socios) AS f FROM Pagos",
                            sampleSchema());
  const auto& step = std::get<SqlStep>(t.steps[0]);
  EXPECT_EQ(step.resultTypes, (std::vector<std::string>{"INTEGER", "VARCHAR(1)", "VARCHAR(51)", "MONEY", "INT", "INT", "DATETIME"}));
  // A numeric sum takes the widest type of its terms, in any order; a union takes, for a column
  // that its first member leaves untyped, the type the next member gives it.
  t = translate("SELECT cuenta + monto AS a, monto + cuenta AS b, cuenta + cuenta AS c, 1 + 1.5 AS d FROM Pagos "
                "UNION SELECT 1, 2, 3, 4 FROM Pagos", sampleSchema());
  EXPECT_EQ(std::get<SqlStep>(t.steps[0]).resultTypes, (std::vector<std::string>{"MONEY", "MONEY", "INT", "DECIMAL(38,10)"}));
  t = translate("SELECT SUBSTRING(nombre, 2, 3) AS s, LEFT(nombre, 4) AS l FROM Pagos", sampleSchema());
  EXPECT_EQ(std::get<SqlStep>(t.steps[0]).resultTypes, (std::vector<std::string>{"VARCHAR(3)", "VARCHAR(4)"}));
  t = translate("SELECT NULL AS a, 1 AS b FROM Pagos UNION ALL SELECT nombre, 2 FROM Pagos", sampleSchema());
  EXPECT_EQ(std::get<SqlStep>(t.steps[0]).resultTypes, (std::vector<std::string>{"VARCHAR(20)", "INT"}));
  // A star leaves the types to the columns themselves.
  EXPECT_TRUE(std::get<SqlStep>(translate("SELECT *, 1 AS x FROM Pagos", sampleSchema()).steps[0]).resultTypes.empty());
}

// An alias may follow its expression without AS; a name after an operator is an operand.
TEST(Rewrites, AliasesWithoutAs) {
  EXPECT_EQ(tr("SELECT nombre n, cuenta - id d, 2 - cuenta, LTRIM(nombre + 'x') t, P.id FROM Pagos P"),
            "SELECT nombre AS \"n\", cuenta - id AS \"d\", 2 - cuenta AS \"\", LTRIM(nombre || 'x') AS \"t\", "
            "P.id FROM Pagos P");
  EXPECT_EQ(tr("SELECT cuenta - -id AS d FROM Pagos"), "SELECT cuenta - - id AS \"d\" FROM Pagos");
  // An operator that ends an expression is refused where SQLite would only report a syntax error.
  EXPECT_EQ(failure("SELECT id + FROM Pagos"), "'+' without a value after it, at character 11");
  EXPECT_EQ(failure("SELECT id FROM Pagos WHERE cuenta = id -"),
            "'-' without a value after it, at character 40");
}

TEST(Rewrites, BatchesSplitIntoStatements) {
  Translation t = translate("DELETE FROM Pagos WHERE id = 1 DELETE FROM Socios; SELECT 1 AS x", sampleSchema());
  ASSERT_EQ(t.steps.size(), 3u);
  EXPECT_EQ(std::get<SqlStep>(t.steps[1]).sql, "DELETE FROM Socios");
  EXPECT_EQ(std::get<SqlStep>(translate("BEGIN TRANSACTION", sampleSchema()).steps[0]).sql, "BEGIN");
}

TEST(Untranslatable, FailsWithAClearErrorInsteadOfChangingMeaning) {
  EXPECT_EQ(failure("SELECT DATEADD(day, 1, fecha) FROM Pagos"), "the function DATEADD is not supported");
  EXPECT_EQ(failure("SELECT CONVERT(varchar, fecha, 103) FROM Pagos"), "the function CONVERT is not supported");
  EXPECT_EQ(failure("DECLARE @x int"), "variables are not supported (@x)");
  EXPECT_EQ(failure("MERGE Pagos USING Socios ON 1 = 1"), "the statement beginning with 'MERGE' is not supported");
  EXPECT_EQ(failure("SELECT id FROM Pagos CROSS APPLY Socios"), "CROSS APPLY is not supported");
  EXPECT_EQ(failure("SELECT FROM Pagos"), "SELECT without a column list");
  // Statements cut short end in a refusal, not a read past their last token.
  EXPECT_EQ(failure("INSERT INTO"), "INSERT without a table name");
  EXPECT_EQ(failure("INSERT"), "INSERT without a table name");
  EXPECT_EQ(failure("UPDATE Pagos WITH (NOLOCK)"), "UPDATE without SET");
  EXPECT_EQ(failure("UPDATE Pagos WITH (NOLOCK) WHERE"), "UPDATE without SET");
  EXPECT_EQ(failure("SELECT P.id FROM Pagos P JOIN Socios S ON"), "ON without a condition in FROM");
}

std::string repeat(std::string_view s, int n) {
  std::string r;
  for (int i = 0; i < n; ++i) r += s;
  return r;
}

// A statement whose core is wrapped in n levels, taken in turn from levels (open, close).
struct Nesting {
  const char* construct;
  std::string head;
  std::vector<std::pair<std::string, std::string>> levels;
  std::string core, tail;

  std::string text(int n) const {
    std::string open, close;
    for (int i = 0; i < n; ++i) {
      const auto& [o, c] = levels[static_cast<size_t>(i) % levels.size()];
      open += o;
      close.insert(0, c);
    }
    return head + open + core + close + tail;
  }
  // Where (from 1) level n opens: its "(" or CASE.
  size_t opening(int n) const {
    std::string before = head;
    for (int i = 0; i + 1 < n; ++i) before += levels[static_cast<size_t>(i) % levels.size()].first;
    const std::string& o = levels[static_cast<size_t>(n - 1) % levels.size()].first;
    return before.size() + std::min(o.find('('), o.find("CASE")) + 1;
  }
};

TEST(Nesting, EveryRecursiveConstructStopsAtTheLimitOnASmallStack) {
  const std::vector<Nesting> table = {
      {"parentheses", "SELECT ", {{"(", ")"}}, "1", " FROM Pagos"},
      {"parentheses in WHERE", "SELECT id FROM Pagos WHERE id = ", {{"(", ")"}}, "1", ""},
      {"unary minus of a group", "SELECT ", {{"- (", ")"}}, "1", " FROM Pagos"},
      {"calls", "SELECT ", {{"LEN(", ")"}}, "nombre", " FROM Pagos"},
      {"CAST", "SELECT ", {{"CAST(", " AS varchar)"}}, "id", " FROM Pagos"},
      {"LEFT and RIGHT", "SELECT ", {{"LEFT(", ", 2)"}, {"RIGHT(", ", 3)"}}, "nombre", " FROM Pagos"},
      {"CASE", "SELECT ", {{"CASE WHEN id = 1 THEN ", " END"}}, "1", " FROM Pagos"},
      {"CASE in its condition", "SELECT ", {{"CASE WHEN 1 = ", " THEN 1 END"}}, "1", " FROM Pagos"},
      {"subqueries", "SELECT ", {{"(SELECT ", ")"}}, "1", " FROM Pagos"},
      {"derived tables", "SELECT * FROM ", {{"(SELECT * FROM ", ") AS t"}}, "Pagos", ""},
      {"EXISTS", "SELECT id FROM Pagos WHERE ", {{"EXISTS (SELECT 1 FROM Pagos WHERE ", ")"}}, "1 = 1", ""},
      {"all of them", "SELECT ", {{"(", ")"}, {"CASE WHEN id = 1 THEN ", " END"}, {"ISNULL(", ", 0)"}, {"(SELECT ", ")"}}, "1", " FROM Pagos"},
      {"UPDATE", "UPDATE Pagos SET cuenta = ", {{"(", ")"}}, "1", " WHERE id = 1"},
      {"INSERT values", "INSERT INTO Pagos (cuenta) VALUES ", {{"(", ")"}}, "1", ""},
  };
  const std::string refusal = "the text nests parentheses, subqueries, calls and CASE deeper than " +
                              std::to_string(kMaxNesting) + " levels, at character ";
  for (const Nesting& row : table) {
    SCOPED_TRACE(row.construct);
    testing::runOnSmallStack([&] {
      EXPECT_NO_THROW(translate(row.text(kMaxNesting), sampleSchema())) << row.text(kMaxNesting);
      EXPECT_EQ(failure(row.text(kMaxNesting + 1)), refusal + std::to_string(row.opening(kMaxNesting + 1)));
      EXPECT_EQ(failure(row.text(5000)), refusal + std::to_string(row.opening(kMaxNesting + 1)));
    });
  }
  // Chains that the translation walks without recursion have no such limit here.
  testing::runOnSmallStack([&] {
    for (const std::string& text : {"SELECT " + repeat("- ", 5000) + "1 FROM Pagos",
                                    "SELECT " + repeat("~ ", 5000) + "1 FROM Pagos",
                                    "SELECT id FROM Pagos WHERE " + repeat("NOT ", 5000) + "1 = 1",
                                    "SELECT " + repeat("id + ", 5000) + "1 AS s FROM Pagos",
                                    "SELECT 1 AS x" + repeat(" UNION SELECT 1", 5000)})
      EXPECT_NO_THROW(translate(text, sampleSchema())) << text.substr(0, 40);
  });
}

TEST(Nesting, SumsDecidedOnTheValuesCountTheirNesting) {
  // Each '+' between terms of unknown type nests one more call: a+b+c is TSQL_ADD(TSQL_ADD(a, b), c).
  auto sum = [](int terms) { return "SELECT " + repeat("x + ", terms - 1) + "x AS s FROM Pagos"; };
  EXPECT_EQ(tr("SELECT x + x + x AS s FROM Pagos"), "SELECT TSQL_ADD(TSQL_ADD(x, x), x) AS \"s\" FROM Pagos");
  testing::runOnSmallStack([&] {
    EXPECT_NO_THROW(translate(sum(kMaxNesting), sampleSchema()));
    EXPECT_EQ(failure(sum(kMaxNesting + 1)), "a sum of 33 terms whose types are known only from their values nests "
                                             "deeper than 32 levels once translated, at character 8");
    EXPECT_EQ(failure("SELECT (" + sum(kMaxNesting).substr(7, 4 * kMaxNesting - 3) + ") + x AS s FROM Pagos"),
              "a sum of 2 terms whose types are known only from their values nests deeper than 32 levels once "
              "translated, at character 8");
    EXPECT_EQ(failure(sum(5000)).substr(0, 18), "a sum of 5000 term");
  });
}

TEST(CreateTableRename, ReplacesOnlyTheName) {
  EXPECT_EQ(renameCreateTable("CREATE TABLE CATCRAMO (\n  x VARCHAR(5) COLLATE NOCASE -- CATCRAMO\n)", "Nueva \"t\""),
            "CREATE TABLE \"Nueva \"\"t\"\"\" (\n  x VARCHAR(5) COLLATE NOCASE -- CATCRAMO\n)");
  EXPECT_EQ(renameCreateTable("CREATE TABLE IF NOT EXISTS main.[a b](x)", "c"), "CREATE TABLE IF NOT EXISTS \"c\"(x)");
  EXPECT_THROW(renameCreateTable("CREATE VIEW v AS SELECT 1", "c"), TranslationError);
}

}  // namespace
}  // namespace korvanda::sqlite
