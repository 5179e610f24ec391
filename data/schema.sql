-- The six tables of the terminal database.

-- Settings: one row per key. Keys are not declared unique: a lookup keeps the
-- last row it meets, so a duplicated key does not stop the terminal. The value
-- has no declared type: numbers written as numbers stay numbers.
CREATE TABLE IF NOT EXISTS param (
  cle text NOT NULL,
  valeur,
  lib text,
  type text
);

-- Scores: one row per figure of a stored sheet. Storing a sheet again replaces
-- its rows through the uniqueness of the sheet and figure number.
CREATE TABLE IF NOT EXISTS note (
  cmpid integer NOT NULL,
  vol_n integer NOT NULL,
  juge_n integer NOT NULL,
  pil_n integer NOT NULL,
  fig_n integer NOT NULL,
  fig_lib text,
  note integer,
  note_option integer,
  UNIQUE (cmpid, vol_n, juge_n, pil_n, fig_n)
);

-- Sheets the server has not received yet; a sheet queued twice is held twice.
CREATE TABLE IF NOT EXISTS notsent (
  cmpid integer NOT NULL,
  vol_n integer NOT NULL,
  juge_n integer NOT NULL,
  pil_n integer NOT NULL
);
CREATE INDEX IF NOT EXISTS notsent_juge ON notsent (juge_n);

-- Interface texts, one row per number and language.
CREATE TABLE IF NOT EXISTS translation (
  ID integer NOT NULL,
  lang text NOT NULL,
  text text
);
CREATE INDEX IF NOT EXISTS translation_lang ON translation (lang, ID);

-- Schedule catalogue, as the server's files describe it.
CREATE TABLE IF NOT EXISTS zeph_programme (
  prgid integer PRIMARY KEY AUTOINCREMENT,
  prglibelle text,
  prgshortname text NOT NULL,
  prglang text NOT NULL,
  typeid integer NOT NULL,
  catid integer NOT NULL,
  duration integer NOT NULL DEFAULT 10,
  promothreshold1 real NOT NULL DEFAULT 999.99,
  promothreshold2 real NOT NULL DEFAULT 999.99,
  promoflightsmax integer NOT NULL DEFAULT 4,
  promoflights integer NOT NULL DEFAULT 3,
  promoflightsmin integer NOT NULL DEFAULT 2,
  promoversion text NOT NULL DEFAULT '2017'
);

CREATE TABLE IF NOT EXISTS zeph_figure (
  figid integer PRIMARY KEY AUTOINCREMENT,
  prgid integer DEFAULT NULL,
  figposition integer NOT NULL,
  figcomplexite integer DEFAULT NULL,
  figdescription text DEFAULT NULL,
  figshortdesc text NOT NULL,
  figoption integer NOT NULL DEFAULT 0
);
CREATE INDEX IF NOT EXISTS zeph_figure_prgid ON zeph_figure (prgid, figid);
