-- Logons of a demo node, used by the router's LOGON, LOGOFF and VERIFY.
-- USERS holds each user's random salt and a slow salted hash of the
-- password (PBKDF2-HMAC-SHA256, ITERATIONS rounds), never the password.
-- ACCESS says what a session of the user may do: WRITE (read and change)
-- or READ (read only; the router refuses the session's writes with 1011).
-- SESSIONS holds the open logons, keyed by the local user (the request's
-- USERNAME) and the user id; a logon replaces the local user's session on
-- the node, so a local user has at most one. Users are added with tarnuser,
-- which computes salt and hash with the router's own code:
--     tarnuser [--read-only] <data dir> <node> <user id>   (the password on stdin)
-- Neither table is an object kind: table commands refuse both.

CREATE TABLE USERS (
    USER_ID    TEXT PRIMARY KEY NOT NULL CHECK (length(USER_ID) BETWEEN 1 AND 64),
    SALT       BLOB NOT NULL CHECK (length(SALT) = 16),
    HASH       BLOB NOT NULL CHECK (length(HASH) = 32),
    ITERATIONS INTEGER NOT NULL CHECK (ITERATIONS BETWEEN 1000 AND 100000000),
    ACCESS     TEXT NOT NULL DEFAULT 'WRITE' CHECK (ACCESS IN ('READ', 'WRITE'))
) STRICT;

-- Deleting a user ends its sessions.
CREATE TABLE SESSIONS (
    LOCAL_USER TEXT NOT NULL CHECK (length(LOCAL_USER) >= 1),
    USER_ID    TEXT NOT NULL REFERENCES USERS (USER_ID) ON UPDATE CASCADE ON DELETE CASCADE,
    STARTED    TEXT NOT NULL,
    PRIMARY KEY (LOCAL_USER, USER_ID)
) STRICT;
CREATE INDEX SESSIONS_BY_USER ON SESSIONS (USER_ID);
