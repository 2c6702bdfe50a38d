-- The adjustments of the claims certificate tests.
-- Claims: catalogs, one coordinate, and an adjustment per certificate.
INSERT INTO CATCCULTIVO (PKCultivo, CveCultivo, NomCultivo) VALUES (10, 10, 'MAIZ');
INSERT INTO CATCTIPOCULTIVO (PKTipoCultivo, NomTipoCultivo, PKTipoPractica) VALUES (20, 'GRANO', 2);
INSERT INTO CATCTIPOPRACTICA (PKTipoPractica, PKTCultivo, CveTipoCultivo, NomTipoPractica) VALUES (2, 20, 20, 'TEMPORAL');
INSERT INTO CATCRIESGOS (PKRiesgo, cveRiesgo, NomRiesgo) VALUES (5, 5, 'SEQUIA');
INSERT INTO SUBDCOORDENADASFC (CicloIni, CicloFin, CveConstancia, CveInciso, Coordenadas) VALUES (2025, 2026, 501, 1, '20.67,-103.35');
-- 501: semester 1
INSERT INTO SOLMCONSTANCIA (PkConstancia, CveConstancia, PkPrograma, pkcotizacion) VALUES (501, 501, 1, 1);
INSERT INTO SOLDINCISO (PkInciso, PkConstancia, CveInciso, inciso, pktipoendoso, PkCedente, PkSocio, PkEstado, PkMunicipio, paterno, materno, nombre, identificacion) VALUES (501, 501, 1, 1, 0, 7, 1, 14, 1, 'P', 'M', 'N', 'ID');
INSERT INTO SINMAJUSTESIN (PkAjuste, PKInciso, PkRiesgo, SupSinPP, SupSinPT, IndemNetaPP, IndemNetaPT, fechaPago, StatusAprobado) VALUES (1, 501, 5, 1.5, 2.25, 1000, 250.5, '2026-06-30 00:00:00', 1);
-- 502: semester 1
INSERT INTO SOLMCONSTANCIA (PkConstancia, CveConstancia, PkPrograma, pkcotizacion) VALUES (502, 502, 1, 1);
INSERT INTO SOLDINCISO (PkInciso, PkConstancia, CveInciso, inciso, pktipoendoso, PkCedente, PkSocio, PkEstado, PkMunicipio, paterno, materno, nombre, identificacion) VALUES (502, 502, 1, 1, 0, 7, 1, 14, 1, 'P', 'M', 'N', 'ID');
INSERT INTO SINMAJUSTESIN (PkAjuste, PKInciso, PkRiesgo, SupSinPP, SupSinPT, IndemNetaPP, IndemNetaPT, fechaPago, StatusAprobado) VALUES (2, 502, 5, 1.5, 2.25, 1000, 250.5, '2026-01-01 00:00:00', 1);
-- 503: semester 2
INSERT INTO SOLMCONSTANCIA (PkConstancia, CveConstancia, PkPrograma, pkcotizacion) VALUES (503, 503, 1, 1);
INSERT INTO SOLDINCISO (PkInciso, PkConstancia, CveInciso, inciso, pktipoendoso, PkCedente, PkSocio, PkEstado, PkMunicipio, paterno, materno, nombre, identificacion) VALUES (503, 503, 1, 1, 0, 7, 1, 14, 1, 'P', 'M', 'N', 'ID');
INSERT INTO SINMAJUSTESIN (PkAjuste, PKInciso, PkRiesgo, SupSinPP, SupSinPT, IndemNetaPP, IndemNetaPT, fechaPago, StatusAprobado) VALUES (3, 503, 5, 1.5, 2.25, 1000, 250.5, '2026-07-01 00:00:00', 1);
-- 504: not approved
INSERT INTO SOLMCONSTANCIA (PkConstancia, CveConstancia, PkPrograma, pkcotizacion) VALUES (504, 504, 1, 1);
INSERT INTO SOLDINCISO (PkInciso, PkConstancia, CveInciso, inciso, pktipoendoso, PkCedente, PkSocio, PkEstado, PkMunicipio, paterno, materno, nombre, identificacion) VALUES (504, 504, 1, 1, 0, 7, 1, 14, 1, 'P', 'M', 'N', 'ID');
INSERT INTO SINMAJUSTESIN (PkAjuste, PKInciso, PkRiesgo, SupSinPP, SupSinPT, IndemNetaPP, IndemNetaPT, fechaPago, StatusAprobado) VALUES (4, 504, 5, 1.5, 2.25, 1000, 250.5, '2026-03-03 00:00:00', 0);
-- 505: not paid
INSERT INTO SOLMCONSTANCIA (PkConstancia, CveConstancia, PkPrograma, pkcotizacion) VALUES (505, 505, 1, 1);
INSERT INTO SOLDINCISO (PkInciso, PkConstancia, CveInciso, inciso, pktipoendoso, PkCedente, PkSocio, PkEstado, PkMunicipio, paterno, materno, nombre, identificacion) VALUES (505, 505, 1, 1, 0, 7, 1, 14, 1, 'P', 'M', 'N', 'ID');
INSERT INTO SINMAJUSTESIN (PkAjuste, PKInciso, PkRiesgo, SupSinPP, SupSinPT, IndemNetaPP, IndemNetaPT, fechaPago, StatusAprobado) VALUES (5, 505, 5, 1.5, 2.25, 1000, 250.5, NULL, 1);
-- 506: another year
INSERT INTO SOLMCONSTANCIA (PkConstancia, CveConstancia, PkPrograma, pkcotizacion) VALUES (506, 506, 1, 1);
INSERT INTO SOLDINCISO (PkInciso, PkConstancia, CveInciso, inciso, pktipoendoso, PkCedente, PkSocio, PkEstado, PkMunicipio, paterno, materno, nombre, identificacion) VALUES (506, 506, 1, 1, 0, 7, 1, 14, 1, 'P', 'M', 'N', 'ID');
INSERT INTO SINMAJUSTESIN (PkAjuste, PKInciso, PkRiesgo, SupSinPP, SupSinPT, IndemNetaPP, IndemNetaPT, fechaPago, StatusAprobado) VALUES (6, 506, 5, 1.5, 2.25, 1000, 250.5, '2025-03-03 00:00:00', 1);
-- 507: another fund
INSERT INTO SOLMCONSTANCIA (PkConstancia, CveConstancia, PkPrograma, pkcotizacion) VALUES (507, 507, 2, 1);
INSERT INTO SOLDINCISO (PkInciso, PkConstancia, CveInciso, inciso, pktipoendoso, PkCedente, PkSocio, PkEstado, PkMunicipio, paterno, materno, nombre, identificacion) VALUES (507, 507, 1, 1, 0, 8, 3, 14, 1, 'P', 'M', 'N', 'ID');
INSERT INTO SINMAJUSTESIN (PkAjuste, PKInciso, PkRiesgo, SupSinPP, SupSinPT, IndemNetaPP, IndemNetaPT, fechaPago, StatusAprobado) VALUES (7, 507, 5, 1.5, 2.25, 1000, 250.5, '2026-03-03 00:00:00', 1);
