-- Schema of a demo node: one table per object kind. The router TarnRpdb
-- takes the request's OBJECT as the table name and the request columns as
-- column names, so every table needs a single-column primary key (the key
-- that names an item). Column names differ from the display names an object
-- library shows; its descriptor maps them with REAL NAME.
--
-- One source for both engines: tarnmknode keeps the lines between
-- "-- @sqlite" and "-- @end" only for SQLite, those between "-- @postgresql"
-- and "-- @end" only for PostgreSQL, and every other line for both.
-- On SQLite, tables are STRICT: a value that does not fit a column's type
-- is refused (PostgreSQL always does). Dates are text in the library's
-- default date format, mm/dd/yyyy.
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
)
-- @sqlite
STRICT
-- @end
;

-- Print queues, each feeding one printer. Renaming a printer carries its
-- queues along; a printer that still has queues cannot be deleted.
CREATE TABLE QUEUE (
    QUE_NAME     TEXT PRIMARY KEY NOT NULL CHECK (length(QUE_NAME) BETWEEN 1 AND 32),
    QUE_PRINTER  TEXT NOT NULL REFERENCES PRINTER (PRN_NAME) ON UPDATE CASCADE ON DELETE RESTRICT,
    QUE_PRIORITY INTEGER NOT NULL DEFAULT 5 CHECK (QUE_PRIORITY BETWEEN 1 AND 9),
    QUE_HELD     TEXT NOT NULL DEFAULT 'N' CHECK (QUE_HELD IN ('Y', 'N'))
)
-- @sqlite
STRICT
-- @end
;
CREATE INDEX QUEUE_BY_PRINTER ON QUEUE (QUE_PRINTER);

-- Workstations, a kind whose items are gathered into named groups. A group
-- object shows them in two tables: WORKSTATION holds the member records,
-- WKSGROUP (the group name) the group records, one per workstation, naming
-- the group it is in (ID; NULL: none). Both carry ITEM_TYPE, and both use
-- the column ID for the item the record names as that kind sees it (the
-- workstation in WORKSTATION, its group in WKSGROUP), so the group kind's
-- requests, made with the workstation descriptor, list the groups.
-- WORKSTATION.GROUPID and WKSGROUP.ID are kept equal by the triggers below:
-- altering either changes both. A workstation gets its group record when it
-- is made, and the record goes (or is renamed) with it.
CREATE TABLE WORKSTATION (
    ID        TEXT PRIMARY KEY NOT NULL CHECK (length(ID) BETWEEN 1 AND 32),
    ITEM_TYPE TEXT NOT NULL DEFAULT 'WORKSTATION' CHECK (ITEM_TYPE = 'WORKSTATION'),
    GROUPID   TEXT CHECK (length(GROUPID) BETWEEN 1 AND 32),
    WKS_OS    TEXT NOT NULL DEFAULT 'L' CHECK (WKS_OS IN ('L', 'W', 'M')),
    WKS_OWNER TEXT
)
-- @sqlite
STRICT
-- @end
;

CREATE TABLE WKSGROUP (
    MEMBER    TEXT PRIMARY KEY NOT NULL REFERENCES WORKSTATION (ID) ON UPDATE CASCADE ON DELETE CASCADE,
    ID        TEXT CHECK (length(ID) BETWEEN 1 AND 32),
    ITEM_TYPE TEXT NOT NULL DEFAULT 'GROUP' CHECK (ITEM_TYPE = 'GROUP')
)
-- @sqlite
STRICT
-- @end
;
CREATE INDEX WKSGROUP_BY_GROUP ON WKSGROUP (ID);

-- @sqlite
CREATE TRIGGER WORKSTATION_GETS_GROUP_RECORD AFTER INSERT ON WORKSTATION
BEGIN
    INSERT INTO WKSGROUP (MEMBER, ID) VALUES (NEW.ID, NEW.GROUPID);
END;

CREATE TRIGGER WORKSTATION_GROUP_TO_RECORD AFTER UPDATE OF GROUPID ON WORKSTATION
WHEN NEW.GROUPID IS NOT OLD.GROUPID
BEGIN
    UPDATE WKSGROUP SET ID = NEW.GROUPID WHERE MEMBER = NEW.ID;
END;

CREATE TRIGGER GROUP_RECORD_TO_WORKSTATION AFTER UPDATE OF ID ON WKSGROUP
WHEN NEW.ID IS NOT OLD.ID
BEGIN
    UPDATE WORKSTATION SET GROUPID = NEW.ID WHERE ID = NEW.MEMBER;
END;

-- A group record is removed only with its workstation: to take a workstation
-- out of its group, alter the record's ID to empty.
CREATE TRIGGER GROUP_RECORD_STAYS BEFORE DELETE ON WKSGROUP
WHEN EXISTS (SELECT 1 FROM WORKSTATION WHERE ID = OLD.MEMBER)
BEGIN
    SELECT RAISE(ABORT, 'a group record is removed with its workstation only; alter its ID to empty to leave the group');
END;
-- @end

-- @postgresql
CREATE FUNCTION WORKSTATION_GETS_GROUP_RECORD() RETURNS trigger LANGUAGE plpgsql AS $$
BEGIN
    INSERT INTO WKSGROUP (MEMBER, ID) VALUES (NEW.ID, NEW.GROUPID);
    RETURN NULL;
END $$;
CREATE TRIGGER WORKSTATION_GETS_GROUP_RECORD AFTER INSERT ON WORKSTATION
    FOR EACH ROW EXECUTE FUNCTION WORKSTATION_GETS_GROUP_RECORD();

CREATE FUNCTION WORKSTATION_GROUP_TO_RECORD() RETURNS trigger LANGUAGE plpgsql AS $$
BEGIN
    UPDATE WKSGROUP SET ID = NEW.GROUPID WHERE MEMBER = NEW.ID;
    RETURN NULL;
END $$;
CREATE TRIGGER WORKSTATION_GROUP_TO_RECORD AFTER UPDATE OF GROUPID ON WORKSTATION
    FOR EACH ROW WHEN (NEW.GROUPID IS DISTINCT FROM OLD.GROUPID) EXECUTE FUNCTION WORKSTATION_GROUP_TO_RECORD();

CREATE FUNCTION GROUP_RECORD_TO_WORKSTATION() RETURNS trigger LANGUAGE plpgsql AS $$
BEGIN
    UPDATE WORKSTATION SET GROUPID = NEW.ID WHERE ID = NEW.MEMBER;
    RETURN NULL;
END $$;
CREATE TRIGGER GROUP_RECORD_TO_WORKSTATION AFTER UPDATE OF ID ON WKSGROUP
    FOR EACH ROW WHEN (NEW.ID IS DISTINCT FROM OLD.ID) EXECUTE FUNCTION GROUP_RECORD_TO_WORKSTATION();

-- A group record is removed only with its workstation: to take a workstation
-- out of its group, alter the record's ID to empty.
CREATE FUNCTION GROUP_RECORD_STAYS() RETURNS trigger LANGUAGE plpgsql AS $$
BEGIN
    IF EXISTS (SELECT 1 FROM WORKSTATION WHERE ID = OLD.MEMBER) THEN
        RAISE EXCEPTION 'a group record is removed with its workstation only; alter its ID to empty to leave the group'
            USING ERRCODE = 'integrity_constraint_violation';
    END IF;
    RETURN OLD;
END $$;
CREATE TRIGGER GROUP_RECORD_STAYS BEFORE DELETE ON WKSGROUP
    FOR EACH ROW EXECUTE FUNCTION GROUP_RECORD_STAYS();
-- @end
