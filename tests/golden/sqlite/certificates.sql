-- A small data set for the certificate members, one statement a line; ${Y} is the current year.
-- Certificate 1001 (fund 1, cycle Y/Y) with item 1: an initial movement and endorsements of
-- type 1 numbered 5 and 6, all paid in March; certificate 1002 of the same fund with its initial
-- movement paid; certificate 2001 of fund 2.
INSERT INTO FONMPROGRAMAS VALUES (10, 1, ${Y}, ${Y}, 1, 1, 1), (20, 2, ${Y}, ${Y}, 1, 1, 1)
INSERT INTO COTCCOTIZAGRL VALUES (1, 'BASICO', ${Y}, ${Y}, 1, 1)
INSERT INTO SOLMCONSTANCIA VALUES (1, 1001, 10, 1), (2, 1002, 10, 1), (3, 2001, 20, 1)
INSERT INTO SICICSOCIOS (PkCedente, PkSocio, PkTipoSocio, Paterno, Materno, Nombre, CURP, RFC, NoExt, NoExtAlf, NoInt, NoIntAlf, TipoVialidad1, NomVialidad1, TipoVialidad2, NomVialidad2, TipoVialidadPosterior) VALUES (1, 1, 1, 'PEREZ', 'LOPEZ', 'JUAN', 'PELJ800101HJCRPN01', 'PELJ800101AB1', '12', 'B', '3', '', 'AV', 'Juárez', 'CALL', 'Hidalgo', '')
INSERT INTO SICICSOCIOS (PkCedente, PkSocio, PkTipoSocio, Paterno) VALUES (2, 1, 2, 'RUIZ')
INSERT INTO SOLDINCISO (PkInciso, PkConstancia, CveInciso, PkCedente, PkSocio, PkEstado, PkMunicipio) VALUES (1, 1, 1, 1, 1, 14, 53), (2, 2, 1, 1, 1, 14, 53), (3, 3, 1, 2, 1, 14, 53)
SET DATEFORMAT DMY INSERT INTO SOLDENDOSO (PkEndoso, pkconstancia, PkInciso, CveEndoso, PkTipoEndoso, PkCedente, PkEstado, PkMunicipio, PkCotizacion, PkSocioSubsidio, VigenciaIni, VigenciaFin, SuperficieAseg, SumaAsegTotal, PrimaAseg, PrimaGobFed, PrimaTotal) VALUES (11, 1, 1, 0, 0, 1, 14, 53, 1, 1, '01/03/${Y}', '01/03/${Y}', 10.5, 100000, 1000.10, 500.05, 1500.15), (12, 1, 1, 5, 1, 1, 14, 53, 1, 1, '01/03/${Y}', '01/03/${Y}', 10.5, 100000, 1000.10, 500.05, 1500.15), (13, 1, 1, 6, 1, 1, 14, 53, 1, 1, '01/03/${Y}', '01/03/${Y}', 10.5, 100000, 1000.10, 500.05, 1500.15), (21, 2, 2, 0, 0, 1, 14, 53, 1, 1, '01/03/${Y}', '01/03/${Y}', 10.5, 100000, 1000.10, 500.05, 1500.15), (31, 3, 3, 0, 0, 2, 14, 53, 1, 1, '01/03/${Y}', '01/03/${Y}', 10.5, 100000, 1000.10, 500.05, 1500.15)
INSERT INTO SICIMCOBRANZA (PKInciso, PkEndoso, fechaPago, TipoCambio) VALUES (1, 0, '15/03/${Y}', 1), (1, 12, '15/03/${Y}', 1), (1, 13, '15/03/${Y}', 1), (2, 0, '15/03/${Y}', 1), (3, 0, '15/03/${Y}', 1)
-- Claims: approved in May and August, one not approved in May; coordinates of item 1 of 1001.
INSERT INTO SINMAJUSTESIN (PKInciso, PkRiesgo, SupSinPP, SupSinPT, IndemNetaPP, IndemNetaPT, fechaPago, StatusAprobado) VALUES (1, 1, 1.1, 2.2, 1000.10, 0.20, '20/05/${Y}', 1), (2, 1, 0, 0, 0, 0, '20/05/${Y}', 0), (2, 1, 0, 0, 0, 0, '20/08/${Y}', 1)
INSERT INTO SUBDCOORDENADASFC VALUES (${Y}, ${Y}, 1001, 1, '20.66,-103.35')
