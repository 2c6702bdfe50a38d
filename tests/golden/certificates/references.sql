-- Reference rows of the certificate tests: funds 7 and 8, cycle 2025/2026 (programmes 1 of fund 7
-- and 2 of fund 8) and 2024/2025 (programme 3 of fund 7); one municipality; road types; insured
-- parties 1 (type 3, full address) and 2 (type 1, no cross streets) of fund 7, 3 of fund 8; the
-- rules date of fund 7. {Y} is the current year.
INSERT INTO CATCESTADO (PKEstado, CveEstado, NomEstado, Abreviatura) VALUES (14, 14, 'Jalisco', 'JAL');
INSERT INTO CATCMUNICIPIO (PkMunicipio, PkEstado, cveEstado, CveMunicipio, NomMunicipio) VALUES (1, 14, 14, 39, 'Guadalajara');
INSERT INTO CATCPRODUCTOS (PkProducto, PkSubramo, NomProducto) VALUES (1, 4, 'Inversion');
INSERT INTO COTCCOTIZAGRL (PkCotizacion, PaqueteRiesgos, cicloini, ciclofin, pksubramo, pkvariante) VALUES (1, 'PAQ1', 2025, 2026, 4, 1);
INSERT INTO CATCTIPOVIAL (CveTipoVial, NomTipoVial) VALUES ('CALL', 'CALLE'),
  ('AV', 'AVENIDA'),
  ('CAM', 'CAMINO');
INSERT INTO FONMPROGRAMAS (PkPrograma, PkCedente, CicloIni, CicloFin, PkCultivo, PkTipoCultivo, PkProducto) VALUES (1, 7, 2025, 2026, 10, 20, 1),
  (2, 8, 2025, 2026, 10, 20, 1),
  (3, 7, 2024, 2025, 10, 20, 1);
INSERT INTO SICICSOCIOS (PkCedente, PkSocio, PkTipoSocio, Paterno, Materno, Nombre, CURP, RFC, TipoVialidad, Calle, NoExt, NoExtAlf, NumExterior2, NoInt, NoIntAlf, TipoAsentamiento, Poblacion, CodPostal, Localidad, PKMunicipioDom, PKEstadoDom, TipoVialidad1, NomVialidad1, TipoVialidad2, NomVialidad2, TipoVialidadPosterior, NomVialidadPosterior, Ubicacion, TipoLocalizacion, Carretera, Camino) VALUES (7, 1, 3, 'PEREZ', 'LOPEZ', 'JUAN', 'PELJ800101HJCRPN01', 'PELJ800101AB1', 'CALL', 'Hidalgo', '12', 'A', '', '3', 'B', 'COL', 'Centro', '44100', '0001', 39, 14, 'CALL', 'Norte', 'AV', 'Sur', 'CAM', 'Viejo', 'Junto al rio', 'U', 'Carr 1', 'Cam 2'),
  (7, 2, 1, 'GARCIA', 'RUIZ', 'ANA', 'GARA900202MJCRZN02', 'GARA900202CD2', 'AV', 'Juarez', '5', '', '', '', '', 'COL', 'Norte', '44200', '0002', 39, 14, '', '', '', '', '', '', '', 'U', '', ''),
  (8, 3, 1, 'OTRO', 'FONDO', 'LUIS', 'X', 'Y', '', '', '', '', '', '', '', '', '', '', '', 39, 14, '', '', '', '', '', '', '', 'U', '', '');
INSERT INTO CATCPARAMGENERALES (PkCedente, NomParam, ValorParam) VALUES (7, 'FechaLiberacionReglasSubsidio2019', '{Y}-06-30 00:00:00');
