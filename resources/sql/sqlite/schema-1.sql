-- Version 1 of the database: the seven tables and the indexes of their lookups.
--
-- Integers and Yes/No flags are INTEGER, texts TEXT, doubles REAL. The text columns that
-- lookups compare by name or address ignore case, as the accounts and the directory always
-- have; digests and camera-authority texts compare exactly. AUTOINCREMENT and COLLATE NOCASE
-- are SQLite's words for what the program relies on; the rest is standard SQL.
--
-- Every statement only creates what is missing: the same script takes a database written
-- before the schema had a version to version 1 without touching its rows, and puts back a
-- table or index that a version-1 database lost.

CREATE TABLE IF NOT EXISTS Site (
  nID INTEGER PRIMARY KEY AUTOINCREMENT,
  strIP TEXT COLLATE NOCASE,
  strSiteName TEXT COLLATE NOCASE,
  nInstanceID INTEGER,
  nWebServerPort INTEGER,
  bOnline INTEGER,
  dCheckInTime REAL
);

CREATE TABLE IF NOT EXISTS Camera (
  nSiteID INTEGER,
  nIndex INTEGER,
  bExistence INTEGER,
  nStateFlag INTEGER,
  strResolution TEXT,
  strName TEXT
);

CREATE TABLE IF NOT EXISTS "User" (
  nID INTEGER PRIMARY KEY AUTOINCREMENT,
  nGroupID INTEGER,
  strName TEXT COLLATE NOCASE,
  strDescription TEXT,
  strPassword TEXT,
  bsAuthority INTEGER
);

CREATE TABLE IF NOT EXISTS "Group" (
  nID INTEGER PRIMARY KEY AUTOINCREMENT,
  strName TEXT COLLATE NOCASE,
  nLevel INTEGER,
  bsAuthority INTEGER
);

CREATE TABLE IF NOT EXISTS UserSite (
  nUserID INTEGER,
  nSiteID INTEGER,
  strCameraAuthority TEXT
);

CREATE TABLE IF NOT EXISTS Log (
  time TEXT,
  strSource TEXT,
  strAction TEXT,
  strDetail TEXT
);

CREATE TABLE IF NOT EXISTS MaskIP (
  strDescription TEXT,
  strIPFrom TEXT COLLATE NOCASE,
  strIPTo TEXT
);

CREATE INDEX IF NOT EXISTS SiteByAddress ON Site (strIP, nInstanceID, strSiteName);
-- The logins' lookups: the sites of one address and instance come out in nID order.
CREATE INDEX IF NOT EXISTS SiteByAddressAndInstance ON Site (strIP, nInstanceID);
CREATE INDEX IF NOT EXISTS SiteByOnline ON Site (bOnline);
CREATE INDEX IF NOT EXISTS CameraBySite ON Camera (nSiteID, nIndex);
CREATE INDEX IF NOT EXISTS UserByName ON "User" (strName);
CREATE INDEX IF NOT EXISTS UserByGroup ON "User" (nGroupID);
CREATE INDEX IF NOT EXISTS GroupByName ON "Group" (strName);
CREATE INDEX IF NOT EXISTS UserSiteByUser ON UserSite (nUserID, nSiteID);
CREATE INDEX IF NOT EXISTS UserSiteBySite ON UserSite (nSiteID);
CREATE INDEX IF NOT EXISTS LogByTime ON Log (time);
CREATE INDEX IF NOT EXISTS MaskIPByFrom ON MaskIP (strIPFrom);
