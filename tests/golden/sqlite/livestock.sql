-- Rows of the livestock layout with the declared types the capture tables use, written to
-- the database file directly (no translation); then queries whose forward-only exports must
-- match the exports of their rows read into memory, each followed by the progress values
-- that the count of its rows gives (computed columns have no declared type: their values
-- decide).
CREATE TABLE gan (Poliza VARCHAR(20), Endoso VARCHAR(5), CveTipoEndoso INT, Inciso INT, ApPaterno VARCHAR(50), ApMaterno VARCHAR(50), Nombres VARCHAR(50), Identificacion VARCHAR(20), CveEstado SMALLINT, CveMunicipio SMALLINT, cveespecie TINYINT, cvefuncion SMALLINT, Aniocontrata SMALLINT, VigenciaAsegIni DATETIME, VigenciaAsegFin DATETIME, CabezasAseg INT, UnidadesAseg FLOAT, SumaAsegurada MONEY, PrimaEaseg MONEY, PrimaEgobFed DECIMAL(18,2), totalemitido MONEY, PrimaCaseg MONEY, PrimaCGobFed MONEY, totalcobrado MONEY, NumPagoIni SMALLINT, NumPagoFin BIGINT, FecPago DATETIME, TipoCambio FLOAT)
INSERT INTO gan VALUES ('GAN-1', '0', 1, 1, 'NUÑEZ', NULL, 'María', 'ID-55', 14, 39, 2, 4, 2026, '2026-01-01 00:00:00', '2026-12-31 12:30:00', 120, 3.25, 960000, 100.5, '200.25', 300.75, 50, 75.25, 125.25, 1, 3000000000, '2026-02-28 00:00:00', 17)
INSERT INTO gan VALUES ('GAN-2', 'E''1', 2, 3, 'O''BRIEN', '', 'Ángel', NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL)
INSERT INTO gan (Poliza, CabezasAseg, TipoCambio) VALUES ('GAN-3', 7, 0.1)
INSERT INTO gan (Poliza, ApPaterno, CabezasAseg, TipoCambio) VALUES ('GAN-4', 'Peña', -2, 1e-7)
SELECT * FROM gan ORDER BY Poliza
-- progress 1 25 50 75 100
SELECT Poliza, Endoso, CveTipoEndoso, Inciso, ApPaterno, ApMaterno, Nombres, Identificacion, CveEstado, CveMunicipio, cveespecie, cvefuncion, Aniocontrata, VigenciaAsegIni, VigenciaAsegFin, CabezasAseg + 0 AS CabezasAseg, UnidadesAseg, SumaAsegurada, PrimaEaseg, PrimaEgobFed, totalemitido, PrimaCaseg, PrimaCGobFed, totalcobrado, NumPagoIni, NumPagoFin, FecPago, TipoCambio * 2 AS TipoCambio FROM gan ORDER BY Poliza
-- progress 1 25 50 75 100
SELECT * FROM gan ORDER BY Poliza DESC LIMIT 2
-- progress 1 50 100
SELECT * FROM gan ORDER BY Poliza LIMIT 1 OFFSET 3
-- progress 1 100
SELECT * FROM gan WHERE Poliza <> 'order by' /* ORDER */ ORDER BY Poliza;
-- progress 1 25 50 75 100
SELECT * FROM (SELECT * FROM gan ORDER BY Poliza LIMIT 3) AS t ORDER BY Poliza
-- progress 1 33 67 100
SELECT g.* FROM gan g JOIN gan h ON h.Poliza >= g.Poliza ORDER BY g.Poliza
-- progress 1 10 20 30 40 50 60 70 80 90 100
