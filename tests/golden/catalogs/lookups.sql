-- Fixture rows of the lookup tests, written straight into the test database.
INSERT INTO COTCCOTIZAGRL (PkCotizacion) VALUES (100), (200);
INSERT INTO COTCCOTIZARGO (pkcotizacion, pkriesgo) VALUES (100, 3), (100, 1);
INSERT INTO CATCTIPOENDOSO (pkTipoEndoso, CveTipoEndoso, nomTipoEndoso) VALUES
  (1, 1, 'Aumento'), (2, 2, 'Baja');
INSERT INTO CATRCLASIFICAENDOSO (pkendoso, clasificacion) VALUES (1, 4), (2, 5);
INSERT INTO CATRENDOSORAMO (cveTipoEndoso, cveRamo) VALUES (2, 1), (1, 1), (1, 2);
INSERT INTO CATCESPECIES (pkespecie, cveEspecie, nomEspecie) VALUES (1, 1, 'Bovino'), (2, 2, 'Ovino');
INSERT INTO CATRESPECIEUMEDIDA (pkespecie, unidadmedida) VALUES (1, 'Cabeza');
INSERT INTO CATCRIESGOS (PKRiesgo, cveRiesgo, NomRiesgo) VALUES
  (1, 1, 'Sequia'), (2, 2, 'Helada'), (3, 3, 'Granizo');
INSERT INTO CATRRIESGORAMO (pkriesgo, pkramo) VALUES (1, 1), (3, 1), (2, 2);
INSERT INTO CATCCLIENTES (PkCedente, cveCte, cveFondo, NomCliente) VALUES
  (7, 70, 'F07', 'Fondo'), (8, 80, 'O''Brien', 'Fondo Q');
INSERT INTO CATDCONSEJOCEDENTE (pkcedente, apPatPdte, apMatPdte, nomPdte) VALUES
  (7, 'Lopez', 'Diaz', 'Ana'), (8, 'Ruiz', NULL, 'Luis');
INSERT INTO COTDPAQUETESRIESGOS (Cvepaquete, listariesgos) VALUES
  ('PQ1', '1,3'), ('PQ''X', '2'), ('NUL', NULL);
INSERT INTO CATCTIPOCULTIVO (PKTipoCultivo, NomTipoCultivo, PKTipoPractica) VALUES (4, 'Riego', 2);
INSERT INTO CATCLOCALIDAD (PkEstado, CveMunicipio, CveLocalidad, NomLocalidad, Agregada) VALUES
  (5, 7, '0001', 'Centro', 0), (5, 7, '0002', 'Nueva', 1), (5, 7, '00''3', 'Rara', 1),
  (5, 7, '0300', 'Mala', 300);
INSERT INTO FONMPROGRAMAS (PkPrograma, PkCedente, CicloIni, CicloFin, PkProducto) VALUES
  (1, 7, 2006, 2007, 9);
INSERT INTO SOLMCONSTANCIA (PkConstancia, CveConstancia, PkPrograma) VALUES (1, 55, 1);
INSERT INTO CATCMUNICIPIO (PkMunicipio, PkEstado, cveEstado, CveMunicipio, NomMunicipio) VALUES
  (30, 5, 5, 7, 'Saltillo');
INSERT INTO SUBCMUNICIPIO (pkmunicipio, cveEstado, cvemunicipio) VALUES (30, 5, 7), (0, 5, 8), (-4, 5, 9);
INSERT INTO SUBRESPFUN (pkespfun, cveEspecie, cveFuncion) VALUES (12, 3, 2);
INSERT INTO SUBCTCOBER (cveciclo, cveRamo, cicloInicio, cicloFin) VALUES (6, 1, '2006', '2007');
    
