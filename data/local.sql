-- The node LOCAL: this machine's map of the nodes it talks to. Each row
-- names a node, the node requests for it are routed through, the
-- application and version it runs, and its platform; logon consults it
-- (a node on platform WNT needs no logon).

CREATE TABLE LOCALMAP (
    NODE      TEXT PRIMARY KEY NOT NULL CHECK (length(NODE) BETWEEN 1 AND 64),
    ROUTENODE TEXT,
    APPNAME   TEXT,
    APPTITLE  TEXT,
    PLATFORM  TEXT,
    VERSION   TEXT,
    LANGUAGE  TEXT
)
-- @sqlite
STRICT
-- @end
;

INSERT INTO LOCALMAP (NODE, ROUTENODE, APPNAME, APPTITLE, PLATFORM, VERSION, LANGUAGE) VALUES
    ('DEMO',   'DEMO',   'TARNADM', 'Demo node',         'SOLARIS', '2.0', 'AMENG'),
    ('DEMONT', 'DEMONT', 'TARNADM', 'Demo Windows node', 'WNT',     '2.0', 'AMENG');
