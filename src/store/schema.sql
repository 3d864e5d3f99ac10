-- The catalog: six tables and the base view alapfile.
-- The template catalog init.plc is built from this file; the program never creates tables.
PRAGMA foreign_keys = ON;

CREATE TABLE ut (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    ut TEXT NOT NULL UNIQUE
);

CREATE TABLE prgnev (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    nev TEXT NOT NULL,
    utid INTEGER NOT NULL,
    hossz INTEGER,
    datum TEXT,
    crc INTEGER
);
CREATE INDEX prgnev_utid ON prgnev(utid);
CREATE INDEX prgnev_nev ON prgnev(nev);
-- Files of one length, and of one CRC within it, side by side: the search for copies.
CREATE INDEX prgnev_hossz_crc ON prgnev(hossz, crc);

CREATE TABLE kulcs (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    kulcs TEXT NOT NULL UNIQUE
);

CREATE TABLE kulcsut (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    nev TEXT NOT NULL UNIQUE
);

-- Link tables: id is the file (or folder) the link belongs to, not a key of its own.
-- Both ways of a link are covered by one index each, so a record's keywords
-- and a keyword's records are read without touching the table. A record
-- carries a keyword at most once.
CREATE TABLE nev_kulcsid (
    id INTEGER NOT NULL,
    kulcsid INTEGER NOT NULL REFERENCES kulcs(id)
);
CREATE UNIQUE INDEX nev_kulcsid_id_kulcsid ON nev_kulcsid(id, kulcsid);
CREATE INDEX nev_kulcsid_kulcsid_id ON nev_kulcsid(kulcsid, id);

CREATE TABLE ut_kulcsid (
    id INTEGER NOT NULL,
    kulcsid INTEGER NOT NULL REFERENCES kulcsut(id),
    UNIQUE (id, kulcsid)
);
CREATE INDEX ut_kulcsid_kulcsid_id ON ut_kulcsid(kulcsid, id);

CREATE VIEW alapfile AS
    SELECT prgnev.nev AS nev, ut.ut AS ut, prgnev.hossz AS hossz, prgnev.crc AS crc,
           prgnev.datum AS datum, prgnev.id AS id
    FROM prgnev, ut
    WHERE prgnev.utid = ut.id;

INSERT INTO kulcs (id, kulcs) VALUES (1, 'Általános');
INSERT INTO kulcsut (id, nev) VALUES (1, 'Általános');
