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
-- is refused (PostgreSQL always does).
--
-- Dates are kept in their ordered form: a PostgreSQL DATE, on SQLite the
-- ISO 8601 text YYYY-MM-DD with a CHECK that it is a real date (times:
-- TIME, or HH:MM:SS[.hh]). The routers turn them into the request's date
-- format and back, so applications see dates as they write them, and
-- criteria and the key order compare dates as dates.
--
-- Every rule a value must keep is a named CHECK, and TARN_RULES (at the
-- end) says in words what each means; the routers answer a refused value
-- with that text ("PRN_COPIES: 100 is outside 1 to 99"), the same on both
-- engines. Both check a table's rules in the order of their names, so they
-- are written in that order and a value that breaks two is told the same.
-- To add an object kind, append its CREATE TABLE and its rules here and its
-- rows to seed.sql.

-- Printers. Status R (ready), O (offline) or M (maintenance); shared Y or N.
CREATE TABLE PRINTER (
    PRN_NAME      TEXT PRIMARY KEY NOT NULL,
    PRN_STATUS    TEXT NOT NULL DEFAULT 'R',
    PRN_SHARED    TEXT NOT NULL DEFAULT 'N',
-- @sqlite
    PRN_INSTALLED TEXT,
-- @end
-- @postgresql
    PRN_INSTALLED DATE,
-- @end
    PRN_COPIES    INTEGER NOT NULL DEFAULT 1,
    PRN_LOCATION  TEXT,
    PRN_DESC      TEXT,
    CONSTRAINT PRINTER_COPIES CHECK (PRN_COPIES BETWEEN 1 AND 99),
    CONSTRAINT PRINTER_DESC CHECK (length(PRN_DESC) <= 80),
-- @sqlite
    CONSTRAINT PRINTER_INSTALLED CHECK (date(PRN_INSTALLED) IS PRN_INSTALLED),
-- @end
    CONSTRAINT PRINTER_LOCATION_CAPITALS CHECK (PRN_LOCATION = upper(PRN_LOCATION)),
    CONSTRAINT PRINTER_LOCATION_LENGTH CHECK (length(PRN_LOCATION) <= 40),
    CONSTRAINT PRINTER_NAME CHECK (length(PRN_NAME) BETWEEN 1 AND 32),
    CONSTRAINT PRINTER_SHARED CHECK (PRN_SHARED IN ('Y', 'N')),
    CONSTRAINT PRINTER_STATUS CHECK (PRN_STATUS IN ('R', 'O', 'M'))
)
-- @sqlite
STRICT
-- @end
;

-- Print queues, each feeding one printer. Renaming a printer carries its
-- queues along; a printer that still has queues cannot be deleted.
CREATE TABLE QUEUE (
    QUE_NAME     TEXT PRIMARY KEY NOT NULL,
    QUE_PRINTER  TEXT NOT NULL,
    QUE_PRIORITY INTEGER NOT NULL DEFAULT 5,
    QUE_HELD     TEXT NOT NULL DEFAULT 'N',
    CONSTRAINT QUEUE_HELD CHECK (QUE_HELD IN ('Y', 'N')),
    CONSTRAINT QUEUE_NAME CHECK (length(QUE_NAME) BETWEEN 1 AND 32),
    CONSTRAINT QUEUE_PRINTER FOREIGN KEY (QUE_PRINTER) REFERENCES PRINTER (PRN_NAME)
        ON UPDATE CASCADE ON DELETE RESTRICT,
    CONSTRAINT QUEUE_PRIORITY CHECK (QUE_PRIORITY BETWEEN 1 AND 9)
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
    ID        TEXT PRIMARY KEY NOT NULL,
    ITEM_TYPE TEXT NOT NULL DEFAULT 'WORKSTATION',
    GROUPID   TEXT,
    WKS_OS    TEXT NOT NULL DEFAULT 'L',
    WKS_OWNER TEXT,
    CONSTRAINT WORKSTATION_GROUPID CHECK (length(GROUPID) BETWEEN 1 AND 32),
    CONSTRAINT WORKSTATION_ID CHECK (length(ID) BETWEEN 1 AND 32),
    CONSTRAINT WORKSTATION_ITEM_TYPE CHECK (ITEM_TYPE = 'WORKSTATION'),
    CONSTRAINT WORKSTATION_OS CHECK (WKS_OS IN ('L', 'W', 'M'))
)
-- @sqlite
STRICT
-- @end
;

CREATE TABLE WKSGROUP (
    MEMBER    TEXT PRIMARY KEY NOT NULL REFERENCES WORKSTATION (ID) ON UPDATE CASCADE ON DELETE CASCADE,
    ID        TEXT,
    ITEM_TYPE TEXT NOT NULL DEFAULT 'GROUP',
    CONSTRAINT WKSGROUP_ID CHECK (length(ID) BETWEEN 1 AND 32),
    CONSTRAINT WKSGROUP_ITEM_TYPE CHECK (ITEM_TYPE = 'GROUP')
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

-- The node's rules in words, for the routers: each named CHECK with the
-- column it guards and what a value must be ("{value}" stands for the value
-- refused), the columns that hold dates (DATE) or times (TIME) in their
-- ordered form, and each foreign key (REFERENCE: RULE_TEXT names the table
-- referred to), so that a refused change can name the row in the way.
CREATE TABLE TARN_RULES (
    RULE_NAME   TEXT PRIMARY KEY NOT NULL,
    TABLE_NAME  TEXT NOT NULL,
    COLUMN_NAME TEXT NOT NULL,
    RULE_KIND   TEXT NOT NULL,
    RULE_TEXT   TEXT NOT NULL,
    CONSTRAINT TARN_RULES_KIND CHECK (RULE_KIND IN ('CHECK', 'DATE', 'TIME', 'REFERENCE'))
)
-- @sqlite
STRICT
-- @end
;

INSERT INTO TARN_RULES (RULE_NAME, TABLE_NAME, COLUMN_NAME, RULE_KIND, RULE_TEXT) VALUES
    ('PRINTER_COPIES',            'PRINTER',     'PRN_COPIES',    'CHECK',     '{value} is outside 1 to 99'),
    ('PRINTER_DESC',              'PRINTER',     'PRN_DESC',      'CHECK',     'must be at most 80 characters'),
    ('PRINTER_INSTALLED',         'PRINTER',     'PRN_INSTALLED', 'DATE',      '{value} is not a date'),
    ('PRINTER_LOCATION_CAPITALS', 'PRINTER',     'PRN_LOCATION',  'CHECK',     'must be in capitals'),
    ('PRINTER_LOCATION_LENGTH',   'PRINTER',     'PRN_LOCATION',  'CHECK',     'must be at most 40 characters'),
    ('PRINTER_NAME',              'PRINTER',     'PRN_NAME',      'CHECK',     'must be 1 to 32 characters'),
    ('PRINTER_SHARED',            'PRINTER',     'PRN_SHARED',    'CHECK',     '{value} is neither Y nor N'),
    ('PRINTER_STATUS',            'PRINTER',     'PRN_STATUS',    'CHECK',     '{value} is not R, O or M'),
    ('QUEUE_HELD',                'QUEUE',       'QUE_HELD',      'CHECK',     '{value} is neither Y nor N'),
    ('QUEUE_NAME',                'QUEUE',       'QUE_NAME',      'CHECK',     'must be 1 to 32 characters'),
    ('QUEUE_PRINTER',             'QUEUE',       'QUE_PRINTER',   'REFERENCE', 'PRINTER'),
    ('QUEUE_PRIORITY',            'QUEUE',       'QUE_PRIORITY',  'CHECK',     '{value} is outside 1 to 9'),
    ('WKSGROUP_ID',               'WKSGROUP',    'ID',            'CHECK',     'must be 1 to 32 characters'),
    ('WKSGROUP_ITEM_TYPE',        'WKSGROUP',    'ITEM_TYPE',     'CHECK',     'must be GROUP'),
    ('WKSGROUP_MEMBER',           'WKSGROUP',    'MEMBER',        'REFERENCE', 'WORKSTATION'),
    ('WORKSTATION_GROUPID',       'WORKSTATION', 'GROUPID',       'CHECK',     'must be 1 to 32 characters'),
    ('WORKSTATION_ID',            'WORKSTATION', 'ID',            'CHECK',     'must be 1 to 32 characters'),
    ('WORKSTATION_ITEM_TYPE',     'WORKSTATION', 'ITEM_TYPE',     'CHECK',     'must be WORKSTATION'),
    ('WORKSTATION_OS',            'WORKSTATION', 'WKS_OS',        'CHECK',     '{value} is not L, W or M');
