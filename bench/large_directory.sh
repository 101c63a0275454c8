# shellcheck shell=bash disable=SC2154
# The large directory of bench/run, which sources this file (seeded_users is bench/run's).
#
# Beside the instances and users of a normally seeded server: users up to large_users in all
# (each allowed one site), large_sites record-protocol sites of 16 cameras at addresses of their own, and
# large_log_entries log entries two seconds apart, the newest now. Written in one transaction
# while the server runs (sqlite3, or psql on PostgreSQL); the server must keep at least
# large_log_entries.

large_users=100000
large_sites=10000
large_log_entries=1000000

# The database of the server on FOLDER, seeded already.
seed_large_directory() {
  sqlite3 "$1/OrlentisDB.db" >/dev/null <<EOF
PRAGMA busy_timeout = 10000;
BEGIN;
INSERT INTO "User" (nGroupID, strName, strDescription, strPassword, bsAuthority)
  WITH RECURSIVE n(i) AS (
    SELECT $seeded_users UNION ALL SELECT i + 1 FROM n WHERE i + 1 < $large_users)
  SELECT seeded.nGroupID, 'bench-user-' || n.i, '', seeded.strPassword, seeded.bsAuthority
  FROM n, (SELECT * FROM "User" WHERE strName = 'bench-user-0') AS seeded;
INSERT INTO Site (strIP, strSiteName, nInstanceID, nWebServerPort, bOnline, dCheckInTime)
  WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i + 1 < $large_sites)
  SELECT '10.' || (i / 62500) || '.' || (i / 250 % 250) || '.' || (i % 250 + 1),
         'Large site ' || i, -1, 80, 0, julianday('now', 'localtime') - 2415018.5
  FROM n;
CREATE TEMP TABLE LargeSite AS
  SELECT nID FROM Site WHERE strSiteName LIKE 'Large site %' ORDER BY nID;
INSERT INTO Camera (nSiteID, nIndex, bExistence, nStateFlag, strResolution, strName)
  WITH RECURSIVE c(k) AS (SELECT 0 UNION ALL SELECT k + 1 FROM c WHERE k < 15)
  SELECT LargeSite.nID, c.k, 1, 1, '704x480', 'Camera ' || (c.k + 1) FROM LargeSite, c;
INSERT INTO UserSite (nUserID, nSiteID, strCameraAuthority)
  SELECT u.nID, (SELECT MIN(nID) FROM LargeSite) + u.nID % $large_sites, '1111111111111111'
  FROM "User" AS u
  WHERE u.nID > (SELECT nID FROM "User" WHERE strName = 'bench-user-$((seeded_users - 1))');
INSERT INTO Log (time, strSource, strAction, strDetail)
  WITH RECURSIVE n(i) AS (
    SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i + 1 < $large_log_entries)
  SELECT strftime('%Y-%m-%d %H:%M:%S', 'now', 'localtime', '-' || (2 * i) || ' seconds'),
         'Large site ' || (i % $large_sites), 'Site checkin', 'Camera ' || (i % 16 + 1)
  FROM n;
COMMIT;
-- The logins should read the database, not a write-ahead log of its size.
PRAGMA wal_checkpoint(TRUNCATE);
EOF
}

# The same rows in DATABASE of the cluster of postgres_cluster.sh, with psql in one
# transaction. Site names compare without case there, under a collation that LIKE refuses, so
# the new sites are told by the ids their insert returns.
seed_large_directory_on_postgres() {
  postgres_sql "$1" >/dev/null <<EOF
BEGIN;
INSERT INTO "User" (nGroupID, strName, strDescription, strPassword, bsAuthority)
  SELECT seeded.nGroupID, 'bench-user-' || i, '', seeded.strPassword, seeded.bsAuthority
  FROM generate_series($seeded_users, $((large_users - 1))) AS i,
       (SELECT * FROM "User" WHERE strName = 'bench-user-0') AS seeded;
CREATE TEMP TABLE LargeSite (nID integer);
WITH added AS (
  INSERT INTO Site (strIP, strSiteName, nInstanceID, nWebServerPort, bOnline, dCheckInTime)
    SELECT '10.' || (i / 62500) || '.' || (i / 250 % 250) || '.' || (i % 250 + 1),
           'Large site ' || i, -1, 80, 0,
           extract(epoch FROM localtimestamp) / 86400 + 25569
    FROM generate_series(0, $((large_sites - 1))) AS i
    RETURNING nID)
INSERT INTO LargeSite SELECT nID FROM added;
INSERT INTO Camera (nSiteID, nIndex, bExistence, nStateFlag, strResolution, strName)
  SELECT LargeSite.nID, k, 1, 1, '704x480', 'Camera ' || (k + 1)
  FROM LargeSite, generate_series(0, 15) AS k;
INSERT INTO UserSite (nUserID, nSiteID, strCameraAuthority)
  SELECT u.nID, (SELECT MIN(nID) FROM LargeSite) + u.nID % $large_sites, '1111111111111111'
  FROM "User" AS u
  WHERE u.nID > (SELECT nID FROM "User" WHERE strName = 'bench-user-$((seeded_users - 1))');
INSERT INTO Log (time, strSource, strAction, strDetail)
  SELECT to_char(localtimestamp - make_interval(secs => 2 * i), 'YYYY-MM-DD HH24:MI:SS'),
         'Large site ' || (i % $large_sites), 'Site checkin', 'Camera ' || (i % 16 + 1)
  FROM generate_series(0, $((large_log_entries - 1))) AS i;
COMMIT;
-- The planner's statistics of the tables that grew a hundredfold, as autovacuum would give
-- them some time later.
ANALYZE;
EOF
}
