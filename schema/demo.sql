-- Demo data: the 32 states with their INEGI codes, some of their municipalities, and the
-- catalogs needed to register records and export them. Loaded after tables.sql.

-- States (INEGI codes; the key is the code).
INSERT INTO CATCESTADO (PKEstado, CveEstado, NomEstado, Abreviatura) VALUES
  (1, 1, 'Aguascalientes', 'AGS'),
  (2, 2, 'Baja California', 'BC'),
  (3, 3, 'Baja California Sur', 'BCS'),
  (4, 4, 'Campeche', 'CAMP'),
  (5, 5, 'Coahuila de Zaragoza', 'COAH'),
  (6, 6, 'Colima', 'COL'),
  (7, 7, 'Chiapas', 'CHIS'),
  (8, 8, 'Chihuahua', 'CHIH'),
  (9, 9, 'Ciudad de México', 'CDMX'),
  (10, 10, 'Durango', 'DGO'),
  (11, 11, 'Guanajuato', 'GTO'),
  (12, 12, 'Guerrero', 'GRO'),
  (13, 13, 'Hidalgo', 'HGO'),
  (14, 14, 'Jalisco', 'JAL'),
  (15, 15, 'México', 'MEX'),
  (16, 16, 'Michoacán de Ocampo', 'MICH'),
  (17, 17, 'Morelos', 'MOR'),
  (18, 18, 'Nayarit', 'NAY'),
  (19, 19, 'Nuevo León', 'NL'),
  (20, 20, 'Oaxaca', 'OAX'),
  (21, 21, 'Puebla', 'PUE'),
  (22, 22, 'Querétaro', 'QRO'),
  (23, 23, 'Quintana Roo', 'QROO'),
  (24, 24, 'San Luis Potosí', 'SLP'),
  (25, 25, 'Sinaloa', 'SIN'),
  (26, 26, 'Sonora', 'SON'),
  (27, 27, 'Tabasco', 'TAB'),
  (28, 28, 'Tamaulipas', 'TAMPS'),
  (29, 29, 'Tlaxcala', 'TLAX'),
  (30, 30, 'Veracruz de Ignacio de la Llave', 'VER'),
  (31, 31, 'Yucatán', 'YUC'),
  (32, 32, 'Zacatecas', 'ZAC');

-- Municipalities (INEGI codes within each state; PkMunicipio is the key).
INSERT INTO CATCMUNICIPIO (PkMunicipio, PkEstado, cveEstado, CveMunicipio, NomMunicipio) VALUES
  (1, 1, 1, 1, 'Aguascalientes'),
  (2, 1, 1, 2, 'Asientos'),
  (3, 1, 1, 3, 'Calvillo'),
  (4, 1, 1, 5, 'Jesús María'),
  (5, 2, 2, 1, 'Ensenada'),
  (6, 2, 2, 2, 'Mexicali'),
  (7, 2, 2, 3, 'Tecate'),
  (8, 2, 2, 4, 'Tijuana'),
  (9, 3, 3, 1, 'Comondú'),
  (10, 3, 3, 2, 'Mulegé'),
  (11, 3, 3, 3, 'La Paz'),
  (12, 3, 3, 8, 'Los Cabos'),
  (13, 3, 3, 9, 'Loreto'),
  (14, 4, 4, 1, 'Calkiní'),
  (15, 4, 4, 2, 'Campeche'),
  (16, 4, 4, 3, 'Carmen'),
  (17, 4, 4, 4, 'Champotón'),
  (18, 5, 5, 18, 'Monclova'),
  (19, 5, 5, 25, 'Piedras Negras'),
  (20, 5, 5, 30, 'Saltillo'),
  (21, 5, 5, 35, 'Torreón'),
  (22, 6, 6, 2, 'Colima'),
  (23, 6, 6, 7, 'Manzanillo'),
  (24, 6, 6, 9, 'Tecomán'),
  (25, 6, 6, 10, 'Villa de Álvarez'),
  (26, 7, 7, 19, 'Comitán de Domínguez'),
  (27, 7, 7, 78, 'San Cristóbal de las Casas'),
  (28, 7, 7, 89, 'Tapachula'),
  (29, 7, 7, 101, 'Tuxtla Gutiérrez'),
  (30, 8, 8, 17, 'Cuauhtémoc'),
  (31, 8, 8, 19, 'Chihuahua'),
  (32, 8, 8, 32, 'Hidalgo del Parral'),
  (33, 8, 8, 37, 'Juárez'),
  (34, 9, 9, 2, 'Azcapotzalco'),
  (35, 9, 9, 3, 'Coyoacán'),
  (36, 9, 9, 7, 'Iztapalapa'),
  (37, 9, 9, 9, 'Milpa Alta'),
  (38, 9, 9, 13, 'Xochimilco'),
  (39, 9, 9, 15, 'Cuauhtémoc'),
  (40, 10, 10, 5, 'Durango'),
  (41, 10, 10, 7, 'Gómez Palacio'),
  (42, 10, 10, 12, 'Lerdo'),
  (43, 11, 11, 7, 'Celaya'),
  (44, 11, 11, 15, 'Guanajuato'),
  (45, 11, 11, 17, 'Irapuato'),
  (46, 11, 11, 20, 'León'),
  (47, 12, 12, 1, 'Acapulco de Juárez'),
  (48, 12, 12, 29, 'Chilpancingo de los Bravo'),
  (49, 12, 12, 35, 'Iguala de la Independencia'),
  (50, 13, 13, 48, 'Pachuca de Soto'),
  (51, 13, 13, 76, 'Tula de Allende'),
  (52, 13, 13, 77, 'Tulancingo de Bravo'),
  (53, 14, 14, 39, 'Guadalajara'),
  (54, 14, 14, 67, 'Puerto Vallarta'),
  (55, 14, 14, 97, 'Tlajomulco de Zúñiga'),
  (56, 14, 14, 120, 'Zapopan'),
  (57, 15, 15, 33, 'Ecatepec de Morelos'),
  (58, 15, 15, 57, 'Naucalpan de Juárez'),
  (59, 15, 15, 58, 'Nezahualcóyotl'),
  (60, 15, 15, 106, 'Toluca'),
  (61, 16, 16, 53, 'Morelia'),
  (62, 16, 16, 102, 'Uruapan'),
  (63, 16, 16, 108, 'Zamora'),
  (64, 17, 17, 4, 'Ayala'),
  (65, 17, 17, 6, 'Cuautla'),
  (66, 17, 17, 7, 'Cuernavaca'),
  (67, 17, 17, 12, 'Jojutla'),
  (68, 18, 18, 15, 'Santiago Ixcuintla'),
  (69, 18, 18, 17, 'Tepic'),
  (70, 18, 18, 20, 'Bahía de Banderas'),
  (71, 19, 19, 19, 'San Pedro Garza García'),
  (72, 19, 19, 26, 'Guadalupe'),
  (73, 19, 19, 39, 'Monterrey'),
  (74, 19, 19, 46, 'San Nicolás de los Garza'),
  (75, 20, 20, 43, 'Heroica Ciudad de Juchitán de Zaragoza'),
  (76, 20, 20, 67, 'Oaxaca de Juárez'),
  (77, 20, 20, 184, 'San Juan Bautista Tuxtepec'),
  (78, 21, 21, 19, 'Atlixco'),
  (79, 21, 21, 114, 'Puebla'),
  (80, 21, 21, 156, 'Tehuacán'),
  (81, 22, 22, 6, 'Corregidora'),
  (82, 22, 22, 14, 'Querétaro'),
  (83, 22, 22, 16, 'San Juan del Río'),
  (84, 23, 23, 1, 'Cozumel'),
  (85, 23, 23, 4, 'Othón P. Blanco'),
  (86, 23, 23, 5, 'Benito Juárez'),
  (87, 23, 23, 8, 'Solidaridad'),
  (88, 24, 24, 13, 'Ciudad Valles'),
  (89, 24, 24, 20, 'Matehuala'),
  (90, 24, 24, 28, 'San Luis Potosí'),
  (91, 25, 25, 1, 'Ahome'),
  (92, 25, 25, 6, 'Culiacán'),
  (93, 25, 25, 11, 'Guasave'),
  (94, 25, 25, 12, 'Mazatlán'),
  (95, 26, 26, 18, 'Cajeme'),
  (96, 26, 26, 30, 'Hermosillo'),
  (97, 26, 26, 42, 'Navojoa'),
  (98, 26, 26, 43, 'Nogales'),
  (99, 27, 27, 2, 'Cárdenas'),
  (100, 27, 27, 4, 'Centro'),
  (101, 27, 27, 5, 'Comalcalco'),
  (102, 28, 28, 22, 'Matamoros'),
  (103, 28, 28, 27, 'Nuevo Laredo'),
  (104, 28, 28, 32, 'Reynosa'),
  (105, 28, 28, 38, 'Tampico'),
  (106, 28, 28, 41, 'Victoria'),
  (107, 29, 29, 5, 'Apizaco'),
  (108, 29, 29, 13, 'Huamantla'),
  (109, 29, 29, 33, 'Tlaxcala'),
  (110, 30, 30, 39, 'Coatzacoalcos'),
  (111, 30, 30, 44, 'Córdoba'),
  (112, 30, 30, 87, 'Xalapa'),
  (113, 30, 30, 118, 'Orizaba'),
  (114, 30, 30, 193, 'Veracruz'),
  (115, 31, 31, 50, 'Mérida'),
  (116, 31, 31, 96, 'Tizimín'),
  (117, 31, 31, 102, 'Valladolid'),
  (118, 32, 32, 10, 'Fresnillo'),
  (119, 32, 32, 17, 'Guadalupe'),
  (120, 32, 32, 56, 'Zacatecas');
INSERT INTO SUBCMUNICIPIO (pkmunicipio, cveEstado, cvemunicipio, NomMunicipio)
  SELECT PkMunicipio, cveEstado, CveMunicipio, NomMunicipio FROM CATCMUNICIPIO;
INSERT INTO SUBREDOREG (cveEstado, cveRegion, NomRegion)
  SELECT CveEstado, CASE WHEN CveEstado IN (2, 3, 8, 5, 19, 26, 28, 25, 10) THEN 1
                         WHEN CveEstado IN (4, 7, 20, 23, 27, 30, 31) THEN 3 ELSE 2 END,
         CASE WHEN CveEstado IN (2, 3, 8, 5, 19, 26, 28, 25, 10) THEN 'Norte'
              WHEN CveEstado IN (4, 7, 20, 23, 27, 30, 31) THEN 'Sur-Sureste' ELSE 'Centro' END
  FROM CATCESTADO;

-- Crops.
INSERT INTO CATCCULTIVO (PKCultivo, CveCultivo, NomCultivo) VALUES
  (1, 1, 'Maíz'), (2, 2, 'Frijol'), (3, 3, 'Sorgo'), (4, 4, 'Trigo'), (5, 5, 'Arroz'),
  (6, 6, 'Cebada'), (7, 7, 'Soya'), (8, 8, 'Algodón'), (9, 9, 'Caña de azúcar'),
  (10, 10, 'Café'), (11, 11, 'Aguacate'), (12, 12, 'Jitomate'), (13, 13, 'Chile'),
  (14, 14, 'Papa'), (15, 15, 'Cártamo');
INSERT INTO SUBRGPOCUL (cveGrupo, cveCultivo, NomGrupo) VALUES
  (1, 1, 'Granos'), (1, 2, 'Granos'), (1, 3, 'Granos'), (1, 4, 'Granos'), (1, 5, 'Granos'),
  (1, 6, 'Granos'), (2, 7, 'Oleaginosas'), (2, 15, 'Oleaginosas'), (3, 8, 'Industriales'),
  (3, 9, 'Industriales'), (4, 10, 'Perennes'), (4, 11, 'Perennes'), (5, 12, 'Hortalizas'),
  (5, 13, 'Hortalizas'), (5, 14, 'Hortalizas');

-- Practice types and crop types.
INSERT INTO CATCTIPOPRACTICA (PKTipoPractica, PKTCultivo, CveTipoCultivo, NomTipoPractica) VALUES
  (1, 1, 1, 'Riego'), (2, 2, 2, 'Temporal');
INSERT INTO CATCTIPOCULTIVO (PKTipoCultivo, NomTipoCultivo, PKTipoPractica) VALUES
  (1, 'Riego', 1), (2, 'Temporal', 2), (3, 'Punta de riego', 1), (4, 'Humedad residual', 2);

-- Lines of insurance, endorsement types, risks.
INSERT INTO CATCRAMO (PkRamo, cveRamo, NomRamo) VALUES
  (1, 1, 'Agrícola'), (2, 2, 'Ganadero'), (3, 3, 'Acuícola');
INSERT INTO CATCTIPOENDOSO (pkTipoEndoso, CveTipoEndoso, nomTipoEndoso) VALUES
  (0, 0, 'Movimiento inicial'), (1, 1, 'Aumento de suma asegurada'), (2, 2, 'Rehabilitación'),
  (3, 3, 'Disminución de suma asegurada'), (4, 4, 'Cambio de beneficiario'),
  (10, 10, 'Aumento de superficie'), (99, 99, 'Cancelación');
INSERT INTO CATRCLASIFICAENDOSO (pkendoso, clasificacion) VALUES
  (0, 1), (1, 1), (2, 1), (3, 2), (4, 3), (10, 1), (99, 2);
INSERT INTO CATRENDOSORAMO (cveTipoEndoso, cveRamo) VALUES
  (0, 1), (1, 1), (2, 1), (3, 1), (4, 1), (10, 1), (99, 1),
  (0, 2), (1, 2), (3, 2), (4, 2), (99, 2);
INSERT INTO CATCRIESGOS (PKRiesgo, cveRiesgo, NomRiesgo) VALUES
  (1, 1, 'Sequía'), (2, 2, 'Exceso de humedad'), (3, 3, 'Helada'), (4, 4, 'Granizo'),
  (5, 5, 'Inundación'), (6, 6, 'Huracán'), (7, 7, 'Incendio'), (8, 8, 'Plagas y enfermedades'),
  (9, 9, 'Muerte accidental'), (10, 10, 'Enfermedad del ganado');
INSERT INTO CATRRIESGORAMO (pkriesgo, pkramo) VALUES
  (1, 1), (2, 1), (3, 1), (4, 1), (5, 1), (6, 1), (7, 1), (8, 1), (9, 2), (10, 2), (1, 2);
INSERT INTO COTDPAQUETESRIESGOS (Cvepaquete, listariesgos) VALUES
  ('BASICO', '1,2,3,4'), ('AMPLIO', '1,2,3,4,5,6,7,8'), ('CATASTROFICO', '1,5,6');

-- Livestock species and functions.
INSERT INTO CATCESPECIES (pkespecie, cveEspecie, nomEspecie) VALUES
  (1, 1, 'Bovino'), (2, 2, 'Porcino'), (3, 3, 'Ovino'), (4, 4, 'Caprino'), (5, 5, 'Aves');
INSERT INTO CATRESPECIEUMEDIDA (pkespecie, unidadmedida) VALUES
  (1, 'Cabeza'), (2, 'Cabeza'), (3, 'Cabeza'), (4, 'Cabeza');
INSERT INTO CATCFUNCIONES (pkFuncion, cveFuncion, nomFuncion) VALUES
  (1, 1, 'Carne'), (2, 2, 'Leche'), (3, 3, 'Doble propósito'), (4, 4, 'Reproducción');
INSERT INTO CATRESPECIEFUNCION (cveCiclo, cveEspecie, cveFuncion) VALUES
  (1, 1, 1), (2, 1, 2), (3, 1, 3), (4, 2, 1), (5, 3, 1), (6, 4, 2), (7, 5, 1);
INSERT INTO SUBRESPFUN (pkespfun, cveEspecie, cveFuncion) VALUES
  (1, 1, 1), (2, 1, 2), (3, 1, 3), (4, 2, 1), (5, 3, 1), (6, 4, 2), (7, 5, 1);

-- Currencies and exchange rates.
INSERT INTO CATCMONEDA (cveCiclo, NomMoneda, Simbolo) VALUES
  (1, 'Peso mexicano', 'MXN'), (2, 'Dólar estadounidense', 'USD');
INSERT INTO SUBHMONEDAS (cveMoneda, Fecha, TipoCambio) VALUES
  (2, '2026-01-02 00:00:00', 17.2150), (2, '2026-02-02 00:00:00', 17.0820),
  (2, '2026-03-02 00:00:00', 16.9935);

-- Coverage cycles by line.
INSERT INTO SUBCTCOBER (cveciclo, cveRamo, cicloInicio, cicloFin) VALUES
  (1, 1, '2025', '2025'), (2, 1, '2025', '2026'), (3, 1, '2026', '2026'),
  (4, 1, '2026', '2027'), (5, 2, '2026', '2026');

-- Insurance types, two-month periods, statuses, non-working days, subsidy percentages.
INSERT INTO SUBCTIPOSEG (cveTipoSeguro, NomTipoSeguro) VALUES
  (1, 'Inversión'), (2, 'Planta'), (3, 'Rendimiento'), (4, 'Catastrófico');
INSERT INTO SUBCBIMESTRE (cveBimestre, NomBimestre, MesIni, MesFin) VALUES
  (1, 'Enero-Febrero', 1, 2), (2, 'Marzo-Abril', 3, 4), (3, 'Mayo-Junio', 5, 6),
  (4, 'Julio-Agosto', 7, 8), (5, 'Septiembre-Octubre', 9, 10), (6, 'Noviembre-Diciembre', 11, 12);
INSERT INTO SUBCSTATUS (cveStatus, NomStatus) VALUES
  (1, 'Capturado'), (2, 'Enviado'), (3, 'Pagado'), (4, 'Rechazado');
INSERT INTO SUBCDIASINHABILES (ANIO, Fecha, Descripcion) VALUES
  (2026, '2026-01-01 00:00:00', 'Año Nuevo'), (2026, '2026-02-02 00:00:00', 'Día de la Constitución'),
  (2026, '2026-03-16 00:00:00', 'Natalicio de Benito Juárez'), (2026, '2026-05-01 00:00:00', 'Día del Trabajo'),
  (2026, '2026-09-16 00:00:00', 'Día de la Independencia'), (2026, '2026-11-16 00:00:00', 'Día de la Revolución'),
  (2026, '2026-12-25 00:00:00', 'Navidad');
INSERT INTO SUBCSUBSIDIO (cveEstado, cveCultivo, Porcentaje) VALUES
  (14, 1, 45.00), (25, 1, 40.00), (26, 4, 35.00), (11, 3, 40.00);

-- Road types.
INSERT INTO CATCTIPOVIAL (CveTipoVial, NomTipoVial) VALUES
  ('AV', 'Avenida'), ('CALL', 'Calle'), ('CALZ', 'Calzada'), ('CARR', 'Carretera'),
  ('CAM', 'Camino'), ('PRIV', 'Privada'), ('BLVR', 'Boulevard');

-- A ceding fund with its council president, parameters, product and programmes.
INSERT INTO CATCCLIENTES (PkCedente, cveCte, cveFondo, NomCliente) VALUES
  (1, 1, 'F001', 'Fondo de Aseguramiento Agrícola Demostración'),
  (2, 2, 'F002', 'Fondo de Aseguramiento Ganadero Demostración');
INSERT INTO CATDCONSEJOCEDENTE (pkcedente, apPatPdte, apMatPdte, nomPdte) VALUES
  (1, 'Hernández', 'López', 'María Elena'), (2, 'García', 'Ruiz', 'José Luis');
INSERT INTO CATCPARAMGENERALES (PkCedente, NomParam, ValorParam) VALUES
  (1, 'FechaLiberacionReglasSubsidio2019', '2019-06-30 00:00:00'),
  (2, 'FechaLiberacionReglasSubsidio2019', '2019-06-30 00:00:00');
INSERT INTO CATCPRODUCTOS (PkProducto, PkSubramo, NomProducto) VALUES
  (1, 1, 'Seguro agrícola a la inversión'), (2, 3, 'Seguro agrícola por rendimiento'),
  (3, 2, 'Seguro ganadero');
INSERT INTO SUBCFONDOSANEXOH (CveFondo, CicloIni, CicloFin, FechaInicio, FechaLimite) VALUES
  ('F001', 2026, 2026, '2026-01-01 00:00:00', '2026-12-31 00:00:00'),
  ('F002', 2026, 2026, '2026-01-01 00:00:00', '2026-06-30 00:00:00');
INSERT INTO FONMPROGRAMAS (PkPrograma, PkCedente, CicloIni, CicloFin, PkCultivo, PkTipoCultivo, PkProducto) VALUES
  (1, 1, 2026, 2026, 1, 1, 1), (2, 1, 2026, 2026, 2, 2, 2);
