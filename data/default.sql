-- Factory settings of the terminal.
-- Applied with the sqlite3 shell. Every setting row is replaced; the scoring
-- context of the main screen is only added where it is missing, so a flight
-- in progress keeps its judge, competition, flight, schedule and pilot.
BEGIN;
DELETE FROM param WHERE cle IN ('KALVENTRIX_1VOL', 'KALVENTRIX_CJ', 'KALVENTRIX_CLICK', 'KALVENTRIX_DBL_LINE', 'KALVENTRIX_IPServer', 'KALVENTRIX_JUGE', 'KALVENTRIX_LANG', 'KALVENTRIX_LINE', 'KALVENTRIX_LONG_SND', 'KALVENTRIX_NRT', 'KALVENTRIX_NbTicket', 'KALVENTRIX_PW', 'KALVENTRIX_SSID', 'KALVENTRIX_WIFI');
INSERT INTO param (cle, valeur, lib, type) VALUES
  ('KALVENTRIX_1VOL', '80', 'Volume', '6'),
  ('KALVENTRIX_CJ', '0', 'Chief judge', '3'),
  ('KALVENTRIX_CLICK', '1', 'Key click', '3'),
  ('KALVENTRIX_DBL_LINE', '0', 'Double line', '3'),
  ('KALVENTRIX_IPServer', '192.168.004.001', 'Server address', '2'),
  ('KALVENTRIX_JUGE', '1', 'Judge number', '4'),
  ('KALVENTRIX_LANG', 'ENG', 'Language', '7'),
  ('KALVENTRIX_LINE', '1', 'Judging line', '4'),
  ('KALVENTRIX_LONG_SND', '0', 'Long sounds', '3'),
  ('KALVENTRIX_NRT', '1', 'Live scores', '3'),
  ('KALVENTRIX_NbTicket', '1', 'Tickets', '4'),
  ('KALVENTRIX_PW', '', 'WiFi password', '1'),
  ('KALVENTRIX_SSID', 'KALVENTRIX', 'WiFi network', '1'),
  ('KALVENTRIX_WIFI', '1', 'Server link', '3');
INSERT INTO param (cle, valeur, lib, type) SELECT 'PELMORIDUX_COMP', '1', 'Competition', '4' WHERE NOT EXISTS (SELECT 1 FROM param WHERE cle = 'PELMORIDUX_COMP');
INSERT INTO param (cle, valeur, lib, type) SELECT 'PELMORIDUX_FLIGHT', '1', 'Flight', '4' WHERE NOT EXISTS (SELECT 1 FROM param WHERE cle = 'PELMORIDUX_FLIGHT');
INSERT INTO param (cle, valeur, lib, type) SELECT 'PELMORIDUX_JUDGE', '1', 'Judge', '4' WHERE NOT EXISTS (SELECT 1 FROM param WHERE cle = 'PELMORIDUX_JUDGE');
INSERT INTO param (cle, valeur, lib, type) SELECT 'PELMORIDUX_PILOT', '-1', 'Pilot', '4' WHERE NOT EXISTS (SELECT 1 FROM param WHERE cle = 'PELMORIDUX_PILOT');
INSERT INTO param (cle, valeur, lib, type) SELECT 'PELMORIDUX_SCHEDULE', 'SPORT24', 'Schedule', '1' WHERE NOT EXISTS (SELECT 1 FROM param WHERE cle = 'PELMORIDUX_SCHEDULE');
COMMIT;
