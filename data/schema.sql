-- Schema of a demo node: one table per object kind. The router TarnRpdb
-- takes the request's OBJECT as the table name and the request columns as
-- column names, so every table needs a single-column primary key (the key
-- that names an item). Column names differ from the display names an object
-- library shows; its descriptor maps them with REAL NAME.
--
-- Tables are STRICT: a value that does not fit a column's type is refused.
-- Dates are text in the library's default date format, mm/dd/yyyy.
-- To add an object kind, append its CREATE TABLE here and its rows to seed.sql.

-- Printers. Status R (ready), O (offline) or M (maintenance); shared Y or N.
CREATE TABLE PRINTER (
    PRN_NAME      TEXT PRIMARY KEY NOT NULL CHECK (length(PRN_NAME) BETWEEN 1 AND 32),
    PRN_STATUS    TEXT NOT NULL DEFAULT 'R' CHECK (PRN_STATUS IN ('R', 'O', 'M')),
    PRN_SHARED    TEXT NOT NULL DEFAULT 'N' CHECK (PRN_SHARED IN ('Y', 'N')),
    PRN_INSTALLED TEXT,
    PRN_COPIES    INTEGER NOT NULL DEFAULT 1 CHECK (PRN_COPIES BETWEEN 1 AND 99),
    PRN_LOCATION  TEXT CHECK (PRN_LOCATION = upper(PRN_LOCATION)),
    PRN_DESC      TEXT
) STRICT;

-- Print queues, each feeding one printer. Renaming a printer carries its
-- queues along; a printer that still has queues cannot be deleted.
CREATE TABLE QUEUE (
    QUE_NAME     TEXT PRIMARY KEY NOT NULL CHECK (length(QUE_NAME) BETWEEN 1 AND 32),
    QUE_PRINTER  TEXT NOT NULL REFERENCES PRINTER (PRN_NAME) ON UPDATE CASCADE ON DELETE RESTRICT,
    QUE_PRIORITY INTEGER NOT NULL DEFAULT 5 CHECK (QUE_PRIORITY BETWEEN 1 AND 9),
    QUE_HELD     TEXT NOT NULL DEFAULT 'N' CHECK (QUE_HELD IN ('Y', 'N'))
) STRICT;
CREATE INDEX QUEUE_BY_PRINTER ON QUEUE (QUE_PRINTER);
